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

void GrainVoice::setSample(const float* data, int32_t frames)
{
    sampleData_ = data;
    if (frames < 0)
        frames = 0;
    sampleLength_ = frames > kMaxSampleLength ? kMaxSampleLength : frames;
    state_ = Idle;
    count_ = 0;
    head_ = 0;
}

void GrainVoice::noteOn(float rate)
{
    // Nothing to read: the voice stays silent (a sample of zero frames).
    if (sampleData_ == nullptr || sampleLength_ <= 0) {
        state_ = Idle;
        count_ = 0;
        head_ = 0;
        return;
    }
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
    if (state_ > Idle)
        state_ = Releasing;
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

float GrainVoice::advance(ScatterGenerator& scatter)
{
    const int32_t grainLength = grainLength_.load(relaxed);
    while (count_ > 0 && grains_[head_].age >= grainLength) {
        head_ = (head_ + 1) & kRingMask;
        --count_;
    }
    if (state_ == Releasing && count_ == 0) {
        state_ = Idle;
        return 0.0f;
    }
    if (state_ == Playing) {
        const int32_t before = countdown_--;
        if (before < 0)
            startGrain(scatter);
    }

    const float t = noteRate_ + frac_;
    const int32_t advance = truncate(t);
    frac_ = t - static_cast<float>(advance);
    return sumGrains(advance);
}

float GrainVoice::sumGrains(int32_t advance)
{
    // The live grains, oldest first, in at most two runs of the ring.
    const int32_t end = head_ + count_;
    if (end <= kRingSize)
        return sumSegment(head_, end, advance, 0.0f);
    const float sum = sumSegment(head_, kRingSize, advance, 0.0f);
    return sumSegment(0, end - kRingSize, advance, sum);
}

float GrainVoice::sumSegment(int32_t from, int32_t to, int32_t advance, float sum)
{
    const int32_t length = sampleLength_;
    const float* data = sampleData_;
    const float step = windowStep_.load(relaxed);
    const float frac = frac_;
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
        const float s0 = data[p];
        const float s1 = data[p + 1];
        const float v = s0 + (s1 - s0) * frac;
        sum += v * w;
    }
    return sum;
}
