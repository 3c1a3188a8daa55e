#pragma once

// Read-rate ratio of every MIDI note: note 60 reads the sample at its
// recorded pitch, each semitone multiplies by the twelfth root of two.
constexpr int kNoteCount = 128;

void buildNoteRatio(float (&noteRatio)[kNoteCount]);
