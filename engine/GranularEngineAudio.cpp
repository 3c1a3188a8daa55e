// Rendering: the voices summed frame by frame, events at their exact frames.
#include "engine/GranularEngine.h"

#include "engine/ScatterGenerator.h"

#include <algorithm>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

void GranularEngine::setSampleRate(float rate)
{
    // The pitch table does not depend on the rate: it is built once, at
    // construction, and never rewritten while the audio thread reads it.
    samplesPerMs_.store(rate * 0.001f, relaxed);
    hostRate_.store(rate, relaxed);
}

void GranularEngine::adoptHostRate()
{
    const float rate = hostRate_.load(relaxed);
    if (rate == audioRate_)
        return;
    audioRate_ = rate;
    adoptFadeLengths();
    // The travel speed follows the host rate; notes started from here on
    // read at the new rate.
    if (sampleData_ == nullptr)
        return;
    const float speed = static_cast<float>(sampleFileRate_) / audioRate_ * speedFactor_.load(relaxed);
    for (GrainVoice& voice : voices_)
        voice.setSpeed(speed);
}

void GranularEngine::adoptFadeLengths()
{
    // At least one frame, and a bound whatever rate a host claims.
    auto frames = [this](float seconds) -> int32_t {
        const float count = audioRate_ * seconds;
        if (!(count >= 1.0f))
            return 1;
        return count < 1048576.0f ? static_cast<int32_t>(count) : 1048576;
    };
    fadeFrames_ = frames(kFadeSeconds);
    rampFrames_ = frames(kLevelRampSeconds);
}

void GranularEngine::renderFrames(float* left, float* right, int32_t from, int32_t to)
{
    static_assert(kNumVoices == GrainRenderer::kVoices && kNumFades == GrainRenderer::kFades);
    if (to - from > GrainRenderer::kShortestRun)
        from += renderer_.render(voices_, allocator_, threadScatterGenerator(), outputLevel_, left, right, from, to);
    renderFramesPerSample(left, right, from, to);
}

// The reference the fast render matches bit for bit, and its fallback.
void GranularEngine::renderFramesPerSample(float* left, float* right, int32_t from, int32_t to)
{
    if (sampleRight_ != nullptr)
        renderFramesPerSample<true>(left, right, from, to);
    else
        renderFramesPerSample<false>(left, right, from, to);
}

template <bool kStereo>
void GranularEngine::renderFramesPerSample(float* left, float* right, int32_t from, int32_t to)
{
    ScatterGenerator& scatter = threadScatterGenerator();
    // Fades start only at events, between calls: past the last one sounding
    // now, every slot stays idle.
    int32_t slots = kNumVoices + kNumFades;
    while (slots > kNumVoices && voices_[slots - 1].state() == GrainVoice::Idle)
        --slots;
    for (int32_t frame = from; frame < to; ++frame) {
        // The voices, then the fades of stolen notes. An idle voice would add
        // 0.0, which leaves a sum as it is (a sum starts at +0.0 and so is
        // never -0.0): it is skipped.
        float sum = 0.0f;
        float sumRight = 0.0f;
        auto add = [&](GrainVoice& voice) {
            const VoiceFrame out = voice.nextFrame(scatter);
            sum += out.left;
            if constexpr (kStereo)
                sumRight += out.right;
        };
        for (int32_t v = 0; v < kNumVoices; ++v) {
            GrainVoice& voice = voices_[v];
            if (voice.state() != GrainVoice::Idle)
                add(voice);
            if (voice.state() == GrainVoice::Idle && allocator_.inUse(v))
                allocator_.freeSlot(v);
        }
        for (int32_t v = kNumVoices; v < slots; ++v) {
            if (voices_[v].state() != GrainVoice::Idle)
                add(voices_[v]);
        }
        // A mono sample puts the same value on both sides.
        const float level = outputLevel_.next();
        const float out = keepNormal(sum * 0.1f * level);
        left[frame] += out;
        right[frame] += kStereo ? keepNormal(sumRight * 0.1f * level) : out;
    }
}

void GranularEngine::process(const MidiMessage* events, int32_t eventCount, float* left, float* right, int32_t frames)
{
    adoptHostRate();
    adoptPendingSample();
    if (sampleData_ == nullptr || left == nullptr || right == nullptr)
        return;
    if (frames < 0)
        frames = 0;
    if (events == nullptr)
        eventCount = 0;

    // Events take effect before the frame at their offset. An offset behind
    // the frame already reached acts at once; one at or past the end of the
    // block acts after its last frame. Nothing is written outside the block.
    int32_t frame = 0;
    int32_t cursor = 0;
    while (true) {
        int32_t end = frames;
        if (cursor < eventCount) {
            end = events[cursor].frame;
            if (end < frame)
                end = frame;
            if (end > frames)
                end = frames;
        }
        nextEventFrame_ = end;
        renderFrames(left, right, frame, end);
        frame = end;
        if (cursor >= eventCount)
            break;
        const MidiMessage& event = events[cursor++];
        handleMidiMessage(event.status & 0xF0, event.data1 & 0x7F, event.data2 & 0x7F);
    }
    blockStartFrame_ += frames;
    publishGrainSnapshot();
}
