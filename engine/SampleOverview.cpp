#include "engine/SampleOverview.h"

#include <algorithm>

namespace {

void scanChannel(const float* samples, uint32_t frames, SampleOverview::Range* out)
{
    for (int32_t b = 0; b < SampleOverview::kBuckets; ++b) {
        const uint64_t first = uint64_t(b) * frames / SampleOverview::kBuckets;
        const uint64_t next = std::max(first + 1, uint64_t(b + 1) * frames / SampleOverview::kBuckets);
        // A sample of no frames reads its one trailing 0.0.
        float low = samples[first];
        float high = low;
        for (uint64_t i = first + 1; i < next && i < frames; ++i) {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
        }
        out[b] = SampleOverview::Range{low, high};
    }
}

} // namespace

std::shared_ptr<SampleOverview> makeSampleOverview(const SampleStore& store, uint32_t serial)
{
    auto overview = std::make_shared<SampleOverview>();
    overview->serial = serial;
    overview->channelCount = store.rightChannel != nullptr ? 2 : 1;
    overview->sampleRate = store.sampleRate;
    overview->frameCount = store.frameCount;
    overview->ranges.resize(size_t(overview->channelCount) * SampleOverview::kBuckets);
    const float* channels[2] = {store.leftChannel, store.rightChannel};
    for (uint32_t c = 0; c < overview->channelCount; ++c)
        scanChannel(channels[c], store.frameCount, &overview->ranges[size_t(c) * SampleOverview::kBuckets]);
    return overview;
}
