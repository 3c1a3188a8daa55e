#pragma once

// The grain envelope: one raised-cosine period sampled at 10000 points,
// shared by every voice of every instance in the process.
constexpr int kGrainWindowSize = 10000;

extern float grainWindow[kGrainWindowSize];

// Fills grainWindow. Every instance calls this at construction; the table is
// written only by the first call, so instances already playing never see a
// write while they read it.
void buildGrainWindow();
