#include "lv2/dsp/SampleReport.h"

#include "engine/GranularEngine.h"

#include <algorithm>

void SampleReport::read(const GranularEngine& engine)
{
    const SampleStatus status = engine.sampleStatus();
    copyText(path, sizeof path, status.path.c_str());
    origin = status.origin;
    keepSamples = status.keepSamples;
    overLimit = status.overLimit;
    onlyCopiesAnyway = status.onlyCopiesAnyway;

    const std::shared_ptr<const SampleOverview> overview = engine.sampleOverview();
    if (!overview || overview->serial == serial)
        return;
    serial = overview->serial;
    channels = std::min(overview->channelCount, parvolino::lv2protocol::kMaxOverviewChannels);
    rate = overview->sampleRate;
    frames = overview->frameCount;
    float* out = ranges;
    for (uint32_t c = 0; c < channels; ++c) {
        for (int32_t b = 0; b < SampleOverview::kBuckets; ++b) {
            const SampleOverview::Range& range = overview->range(c, b);
            *out++ = range.low;
            *out++ = range.high;
        }
    }
}
