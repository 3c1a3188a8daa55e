#pragma once
// A loaded sample as the panel draws it: the smallest and largest value of
// each of a fixed number of equal stretches of every channel, with the
// sample's particulars. Made when the sample loads, off the audio thread,
// and never changed afterwards.

#include <cstdint>
#include <memory>
#include <vector>

#include "sample/WaveReader.h"

struct SampleOverview {
    static constexpr int32_t kBuckets = 1024;

    struct Range {
        float low;
        float high;
    };

    uint32_t serial = 0; // which load this is; never 0
    uint32_t channelCount = 0;
    uint32_t sampleRate = 0;
    uint32_t frameCount = 0;
    // Channel after channel, kBuckets each; bucket b covers frames
    // b * frameCount / kBuckets up to the next bucket's first, at least one.
    std::vector<Range> ranges;

    const Range& range(uint32_t channel, int32_t bucket) const
    {
        return ranges[static_cast<size_t>(channel) * kBuckets + static_cast<size_t>(bucket)];
    }
};

// The overview of a complete, loaded store: one lane per channel it holds.
std::shared_ptr<SampleOverview> makeSampleOverview(const SampleStore& store, uint32_t serial);
