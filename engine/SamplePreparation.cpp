#include "engine/SamplePreparation.h"

#include "sample/WaveInput.h"

#include <cmath>
#include <cstdio>
#include <new>

namespace {

bool refuse(PreparedSample& prepared, WaveResult result)
{
    std::snprintf(prepared.refusal.text, sizeof prepared.refusal.text, "%s", waveResultMessage(result));
    return false;
}

// Everything after the reading: the sample and its overview, off the
// threads that must not wait for them.
bool finish(SampleStore& fresh, PreparedSample& prepared)
{
    // A float file may hold NaN or infinities; one of them would silence
    // every frame its grains touch, so they play as silence instead.
    for (float* channel : {fresh.leftChannel, fresh.rightChannel}) {
        for (uint32_t i = 0; channel != nullptr && i < fresh.frameCount; ++i) {
            if (!std::isfinite(channel[i]))
                channel[i] = 0.0f;
        }
    }
    prepared.sample.reset(new (std::nothrow) LoadedSample(fresh));
    if (prepared.sample == nullptr) {
        releaseSampleStore(fresh);
        return refuse(prepared, kWaveOutOfMemory);
    }
    try {
        prepared.overview = makeSampleOverview(prepared.sample->store, 0);
    } catch (...) {
        prepared.sample.reset();
        return refuse(prepared, kWaveOutOfMemory);
    }
    return true;
}

} // namespace

bool prepareSampleFile(const char* path, uint64_t keepBudget, int32_t channelMode, WaveReadWatch* watch,
                       PreparedSample& prepared)
{
    if (path == nullptr)
        return refuse(prepared, kWaveFileNotFound);
    try {
        prepared.path = path;
    } catch (...) {
        return refuse(prepared, kWaveOutOfMemory);
    }
    // A file that fits what may be kept is read whole once: the sample is
    // made from those bytes and they are held as the copy to save, so the
    // project keeps exactly what plays, whatever becomes of the file.
    prepared.source = fileStampOf(prepared.path);
    if (prepared.source.present && prepared.source.size <= keepBudget) {
        try {
            auto read = std::make_shared<std::vector<unsigned char>>();
            if (readWaveFileBytes(path, keepBudget, *read, watch))
                prepared.bytes = std::move(read);
        } catch (...) {
            // Too little memory to hold a copy: the file plays without one.
        }
    }
    if (watch != nullptr && watch->stop.load(std::memory_order_relaxed)) {
        prepared.stopped = true;
        return false;
    }
    SampleStore fresh;
    const WaveResult result =
        prepared.bytes != nullptr
            ? loadWaveBytes(prepared.bytes->data(), prepared.bytes->size(), fresh, channelMode, &prepared.refusal)
            : loadWaveFile(path, fresh, channelMode, &prepared.refusal, watch);
    if (result == kWaveStopped) {
        prepared.stopped = true;
        return false;
    }
    if (result != kWaveOk)
        return false;
    return finish(fresh, prepared);
}

bool prepareSampleBytes(const FileBytes& bytes, int32_t channelMode, PreparedSample& prepared)
{
    SampleStore fresh;
    if (loadWaveBytes(bytes->data(), bytes->size(), fresh, channelMode, &prepared.refusal) != kWaveOk)
        return false;
    prepared.bytes = bytes;
    return finish(fresh, prepared);
}
