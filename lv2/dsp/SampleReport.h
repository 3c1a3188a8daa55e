#pragma once
// What the DSP's run() tells its UI and the host about the sample, made off
// the audio thread (after a load, a keep change or a restore) into a fixed
// record, so that run() only copies from it: the sample's status and the
// overview the strip draws.

#include "engine/SampleOverview.h"
#include "engine/SampleStatus.h"
#include "lv2/Protocol.h"

#include <cstdint>

class GranularEngine;

struct SampleReport {
    // The status: where the sample plays from (empty: none).
    char path[parvolino::lv2protocol::kMaxPathBytes] = {};
    SampleOrigin origin = SampleOrigin::none;
    bool keepSamples = true;
    bool overLimit = false;
    bool onlyCopiesAnyway = false;

    // The latest overview (serial 0: none yet): for each channel its
    // buckets' low and high, channel after channel.
    uint32_t serial = 0;
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t frames = 0;
    float ranges[parvolino::lv2protocol::kMaxOverviewChannels * SampleOverview::kBuckets * 2] = {};

    // Fills it from the instrument. Off the audio thread: it allocates.
    void read(const GranularEngine& engine);
};
