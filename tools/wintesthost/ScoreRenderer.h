// Plays a score through an effect instance the way a host restoring a project
// would: sample rate, the sample through the program chunk, the set-up
// parameters, then block by block with each event at its exact frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/VstInterface.h"
#include "tools/wintesthost/Score.h"

struct RenderResult {
  std::vector<float> left;
  std::vector<float> right;
};

// Sets the sample rate and block size and switches the instance on.
void prepareInstance(AEffect* effect, double rate, int32_t blockSize);

// Puts `path` into program 0 of the bank and hands the bank back through the
// chunk, so the instance loads it as it would on a project reload.
bool loadSampleThroughChunk(AEffect* effect, const std::string& path, std::string& error);

// Renders `frames` frames of the score (prepareInstance must have run).
// An `at F param` event splits the block at F so the value lands before
// frame F is rendered; the output does not depend on `blockSize`.
bool renderScore(AEffect* effect, const Score& score, int64_t frames, int32_t blockSize,
                 RenderResult& out, std::string& error);
