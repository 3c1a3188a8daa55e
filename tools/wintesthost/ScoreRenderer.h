// Plays a score through an effect instance the way a host restoring a project
// would: sample rate, the sample through the program bank, the set-up
// parameters, then block by block with each event at its exact frame. The
// score reader, the block cutting and the bank are the command-line
// renderer's own, so both renders play the same thing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vst2/VstInterface.h"
#include "tools/render/RenderPlan.h"

struct RenderResult {
  std::vector<float> left;
  std::vector<float> right;
};

// Sets the sample rate and block size and switches the instance on.
void prepareInstance(AEffect* effect, double rate, int32_t blockSize);

// Hands over the default bank with `path` as program 0's sample, so the
// instance loads it as on a project reload (no sample with an empty path).
bool loadBank(AEffect* effect, const std::string& path, std::string& error);

// Renders `frames` frames of the plan's events after its set-up parameters
// (prepareInstance and loadBank must have run).
void renderPlan(AEffect* effect, const RenderPlan& plan, int64_t frames, int32_t blockSize, RenderResult& out);

// Frames to render: the plan's length, or the last event plus two seconds.
int64_t planFrames(const RenderPlan& plan, uint32_t rate);
