#include "engine/GrainVoice.h"

#include "engine/GrainWindow.h"

#include <cmath>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// T(x): float to int32, truncating toward zero.
inline int32_t truncate(float x)
{
    return static_cast<int32_t>(x);
}

// Keeps a rate-like quantity finite, non-negative and below `limit`.
inline float boundRate(float value, float limit)
{
    if (!(value >= 0.0f))
        return 0.0f;
    return value > limit ? limit : value;
}

} // namespace

GrainVoice::GrainVoice(int32_t spacing, int32_t grainLength, int32_t randomRange)
    : spacing_(spacing), grainLength_(grainLength), randomRange_(randomRange),
      windowStep_(static_cast<float>(10000.0 / grainLength))
{
}

void GrainVoice::silence()
{
    state_ = Idle;
    count_ = 0;
    head_ = 0;
}

void GrainVoice::setSample(const float* data, int32_t frames, const float* right)
{
    sampleData_ = data;
    sampleRight_ = data != nullptr ? right : nullptr;
    if (frames < 0)
        frames = 0;
    sampleLength_ = frames > kMaxSampleLength ? kMaxSampleLength : frames;
    silence();
}

void GrainVoice::noteOn(float rate, float gain)
{
    // Nothing to read: the voice stays silent (a sample of zero frames).
    if (sampleData_ == nullptr || sampleLength_ <= 0) {
        silence();
        return;
    }
    gain_ = gain;
    noteRate_ = boundRate(rate, kMaxNoteRate);
    nextStart_ = 0.0f;
    count_ = 0;
    frac_ = 0.0f;
    head_ = 0;
    state_ = Playing;

    const int32_t spacing = spacing_.load(relaxed);
    const int32_t step = truncate(static_cast<float>(spacing) * speed_.load(relaxed));
    int32_t age = grainLength_.load(relaxed) / 2;
    while (age > 0 && count_ < kRingSize) {
        grains_[count_].position = truncate(nextStart_);
        grains_[count_].age = age;
        nextStart_ = nextStart_ + static_cast<float>(step);
        ++count_;
        age -= spacing;
    }
    countdown_ = -age;
}

void GrainVoice::release()
{
    if (state_ == Playing)
        state_ = Releasing;
}

void GrainVoice::fadeOut(int32_t frames)
{
    if (state_ != Playing && state_ != Releasing)
        return;
    fadeAge_ = 0;
    fadeLength_ = frames < 1 ? 1 : frames;
    state_ = Fading;
}

void GrainVoice::fadeOutFrom(const GrainVoice& stolen, int32_t frames)
{
    static_cast<VoicePlayState&>(*this) = stolen;
    if (state_ == Idle || count_ == 0)
        silence();
    else
        fadeOut(frames);
}

void GrainVoice::continueOn(const float* data, int32_t frames, const float* right, float rate, float start)
{
    const bool playing = state_ == Playing;
    setSample(data, frames, right);
    if (!playing || sampleData_ == nullptr || sampleLength_ <= 0)
        return;
    noteRate_ = boundRate(rate, kMaxNoteRate);
    const float length = static_cast<float>(sampleLength_);
    nextStart_ = start >= 0.0f && start < length ? start : 0.0f;
    frac_ = 0.0f;
    countdown_ = -1; // the first grain starts at the next sample
    state_ = Playing;
}

void GrainVoice::setSpacing(int32_t spacing)
{
    spacing_.store(spacing, relaxed);
}

void GrainVoice::setGrainLength(int32_t grainLength)
{
    grainLength_.store(grainLength, relaxed);
    windowStep_.store(static_cast<float>(10000.0 / grainLength), relaxed);
}

void GrainVoice::setRandomRange(int32_t range)
{
    randomRange_.store(range, relaxed);
}

void GrainVoice::setSpeed(float speed)
{
    speed_.store(boundRate(speed, kMaxSpeed), relaxed);
}

void GrainVoice::startGrain(ScatterGenerator& scatter)
{
    int32_t slot;
    if (count_ < kRingSize) {
        slot = (head_ + count_) & kRingMask;
        ++count_;
    } else {
        slot = head_;
        head_ = (head_ + 1) & kRingMask;
    }
    const int32_t r = scatter.next();
    const int32_t offset = (r * randomRange_.load(relaxed)) >> 15;
    grains_[slot].position = offset + truncate(nextStart_);
    grains_[slot].age = 0;

    const int32_t spacing = spacing_.load(relaxed);
    nextStart_ = nextStart_ + static_cast<float>(spacing) * speed_.load(relaxed);
    const float length = static_cast<float>(sampleLength_);
    if (length < nextStart_) {
        nextStart_ = nextStart_ - length;
        // One subtraction is not enough when a grain interval spans more than
        // the whole sample; fold the rest so the start stays inside it.
        if (length < nextStart_)
            nextStart_ = std::fmod(nextStart_, length);
    }
    countdown_ = spacing;
}

VoiceFrame GrainVoice::advance(ScatterGenerator& scatter)
{
    const int32_t grainLength = grainLength_.load(relaxed);
    while (count_ > 0 && grains_[head_].age >= grainLength) {
        head_ = (head_ + 1) & kRingMask;
        --count_;
    }
    if ((state_ == Releasing || state_ == Fading) && count_ == 0) {
        state_ = Idle;
        return VoiceFrame{0.0f, 0.0f};
    }
    // The fade's end drops the grains still live.
    if (state_ == Fading && fadeAge_ >= fadeLength_) {
        state_ = Idle;
        count_ = 0;
        return VoiceFrame{0.0f, 0.0f};
    }
    if (state_ == Playing) {
        const int32_t before = countdown_--;
        if (before < 0)
            startGrain(scatter);
    }

    const float t = noteRate_ + frac_;
    const int32_t advance = truncate(t);
    frac_ = t - static_cast<float>(advance);
    float level = gain_;
    if (state_ == Fading)
        level = fadeLevel(gain_, fadeAge_++, fadeLength_);
    return sampleRight_ != nullptr ? sumGrains<true>(advance, level) : sumGrains<false>(advance, level);
}

template <bool kStereo>
VoiceFrame GrainVoice::sumGrains(int32_t advance, float level)
{
    // The live grains, oldest first, in at most two runs of the ring; the
    // level scales the whole sum, at its end (times 1.0 changes no bit).
    const int32_t end = head_ + count_;
    if (end <= kRingSize)
        return sumSegment<kStereo>(head_, end, advance, VoiceFrame{0.0f, 0.0f}, level);
    const VoiceFrame sum = sumSegment<kStereo>(head_, kRingSize, advance, VoiceFrame{0.0f, 0.0f}, 1.0f);
    return sumSegment<kStereo>(0, end - kRingSize, advance, sum, level);
}

template <bool kStereo>
VoiceFrame GrainVoice::sumSegment(int32_t from, int32_t to, int32_t advance, VoiceFrame sum, float level)
{
    const int32_t length = sampleLength_;
    const float* data = sampleData_;
    const float* right = sampleRight_;
    const float step = windowStep_.load(relaxed);
    const float frac = frac_;
    float left = sum.left;
    float rightSum = sum.right;
    for (int32_t i = from; i < to; ++i) {
        Grain& g = grains_[i];
        int32_t p = g.position + advance;
        if (p >= length) {
            p -= length;
            // Positions can lie several sample lengths ahead when the sample
            // is shorter than a grain's offset or advance.
            if (p >= length)
                p %= length;
        }
        g.position = p;
        // A length change from another thread may land between the grain
        // length and the window step: keep the index inside the table.
        uint32_t index = static_cast<uint32_t>(truncate(static_cast<float>(g.age) * step));
        if (index >= static_cast<uint32_t>(kGrainWindowSize))
            index = kGrainWindowSize - 1;
        const float w = grainWindow[index];
        ++g.age;
        // Linear interpolation at p + frac, in each channel.
        const float s0 = data[p];
        const float s1 = data[p + 1];
        const float v = s0 + (s1 - s0) * frac;
        left += v * w;
        if constexpr (kStereo) {
            const float r0 = right[p];
            const float r1 = right[p + 1];
            const float r = r0 + (r1 - r0) * frac;
            rightSum += r * w;
        }
    }
    left = left * level;
    return VoiceFrame{left, kStereo ? rightSum * level : left};
}
