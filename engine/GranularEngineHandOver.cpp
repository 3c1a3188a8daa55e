// The audio thread's side of a sample change: held notes go on with the new
// sample on the same voices, while the grains that read the old one fade out
// in the fade slots; the old sample is let go of once none reads it.
#include "engine/GranularEngine.h"

#include <cmath>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

void GranularEngine::adoptPendingSample()
{
    releaseDrainedSamples();
    if (!handOver_.hasPending())
        return;
    if (handOver_.drainingCount() == SampleHandOver::kMaxDraining) {
        // Sample changes faster than fades end: the oldest fades are cut.
        const LoadedSample* oldest = handOver_.draining(0);
        for (int32_t f = kNumVoices; f < kNumVoices + kNumFades; ++f) {
            if (voices_[f].sample() == oldest->store.leftChannel)
                voices_[f].setSample(nullptr, 0);
        }
        handOver_.release(oldest);
    }
    if (const LoadedSample* sample = handOver_.adopt())
        adoptSample(*sample);
}

void GranularEngine::releaseDrainedSamples()
{
    for (int32_t d = handOver_.drainingCount() - 1; d >= 0; --d) {
        const LoadedSample* sample = handOver_.draining(d);
        bool read = false;
        for (int32_t v = 0; v < kNumVoices + kNumFades && !read; ++v)
            read = voices_[v].state() != GrainVoice::Idle && voices_[v].sample() == sample->store.leftChannel;
        if (!read)
            handOver_.release(sample);
    }
}

void GranularEngine::adoptSample(const LoadedSample& sample)
{
    const SampleStore& store = sample.store;
    const uint32_t previousRate = sampleFileRate_;
    // The classic playing silences every voice on a sample change.
    const bool goOn = !isClassic() && sampleData_ != nullptr;
    sampleData_ = store.leftChannel;
    sampleRight_ = store.channelCount == 2 ? store.rightChannel : nullptr;
    sampleLength_ = store.frameCount > static_cast<uint32_t>(GrainVoice::kMaxSampleLength)
                        ? GrainVoice::kMaxSampleLength
                        : static_cast<int32_t>(store.frameCount);
    sampleFileRate_ = store.sampleRate;
    const float speed = static_cast<float>(store.sampleRate) / audioRate_ * speedFactor_.load(relaxed);
    // The travel point keeps its time in the sample, folded into a shorter one.
    const float startScale = previousRate > 0 ? static_cast<float>(store.sampleRate) / static_cast<float>(previousRate)
                                              : 1.0f;
    const float length = static_cast<float>(sampleLength_);
    for (int32_t v = 0; v < kNumVoices; ++v) {
        GrainVoice& voice = voices_[v];
        const bool playing = goOn && voice.state() == GrainVoice::Playing;
        if (goOn && voice.state() != GrainVoice::Idle)
            fadeOutStolen(v);
        if (playing) {
            const float rate = noteRatio_[allocator_.noteOf(v) & 127] / audioRate_ * static_cast<float>(sampleFileRate_);
            float start = voice.nextStart() * startScale;
            if (length > 0.0f && start >= length)
                start = std::fmod(start, length);
            voice.continueOn(sampleData_, sampleLength_, sampleRight_, rate, start);
        } else {
            allocator_.freeSlot(v);
            voice.setSample(sampleData_, sampleLength_, sampleRight_);
        }
        voice.setSpeed(speed);
    }
    // Fades still reading the old sample play out; the others take the new one.
    for (int32_t f = kNumVoices; f < kNumVoices + kNumFades; ++f) {
        if (!goOn || voices_[f].state() == GrainVoice::Idle)
            voices_[f].setSample(sampleData_, sampleLength_, sampleRight_);
        voices_[f].setSpeed(speed);
    }
    releaseDrainedSamples();
}
