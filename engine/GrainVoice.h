#pragma once

#include "engine/ScatterGenerator.h"

#include <atomic>
#include <cstdint>

// One grain: its integer read position in the sample and its age in output
// samples (which selects its envelope weight).
struct Grain {
    int32_t position;
    int32_t age;
};

// One voice's output for one frame: the left and right channel's grains
// (the same value twice for a mono sample).
struct VoiceFrame {
    float left;
    float right;
};

// Grains one voice can hold at once.
inline constexpr int32_t kGrainRingSize = 32;

// What a voice is playing: all of its state but the parameter quantities. A
// fade slot takes over a stolen note by copying it whole.
struct VoicePlayState {
    Grain grains_[kGrainRingSize] = {};
    float nextStart_ = 0.0f;
    int32_t countdown_ = 0;
    const float* sampleData_ = nullptr;
    const float* sampleRight_ = nullptr; // null for a mono sample
    float noteRate_ = 0.0f;
    int32_t sampleLength_ = 0;
    float frac_ = 0.0f;
    int32_t head_ = 0;
    int32_t count_ = 0;
    int32_t state_ = 0; // a GrainVoice::State
    float gain_ = 1.0f;
    int32_t fadeAge_ = 0;
    int32_t fadeLength_ = 1;
};

// One voice of the grain engine: a ring of up to 32 overlapping grains that
// all read the sample at the note's rate, while the start point of new grains
// travels through the sample at the voice's own speed. Every grain reads both
// channels of a stereo sample at the same position. The voice's output is
// its grains' sum times its level: the note's gain, and while the voice fades
// out (its note was stolen, or all sound was turned off) a fade from that
// gain to silence.
//
// The audio thread owns everything except the four quantities set from the
// parameters (spacing, grain length with window step, random range, speed),
// which any thread may change at any time; nextSample picks them up between
// two samples.
class GrainVoice : private VoicePlayState {
public:
    // Fading: no new grains, the live ones fading out; idle when the fade ends.
    enum State : int32_t { Idle = 0, Playing = 1, Releasing = 2, Fading = 3 };

    static constexpr int32_t kRingSize = kGrainRingSize;
    static constexpr int32_t kRingMask = kRingSize - 1;

    // Bounds that keep every position and envelope index in range whatever
    // the host's and the file's sample rates are; real settings stay far below.
    static constexpr float kMaxSpeed = 1024.0f;
    static constexpr float kMaxNoteRate = 1048576.0f;
    static constexpr int32_t kMaxSampleLength = 1 << 30;

    // Quantities of the default parameter values; speed 1.0.
    GrainVoice(int32_t spacing = 683, int32_t grainLength = 4100, int32_t randomRange = 50);

    // Attaches a sample (frames + 1 floats, the last 0.0; `right` null for a
    // mono sample) and silences the voice.
    void setSample(const float* data, int32_t frames, const float* right = nullptr);
    // Starts a note reading at `rate` frames per output sample, with grains
    // seeded as if the voice had been running for half a grain, at `gain`.
    void noteOn(float rate, float gain = 1.0f);
    // A playing voice stops starting grains and lets the live ones finish.
    void release();
    // Fades the voice's live grains out over `frames` samples; a voice
    // already fading goes on with its fade.
    void fadeOut(int32_t frames);
    // This voice takes over the sound of `stolen` (whose note is about to be
    // replaced) and fades it out over `frames` samples, or goes on with the
    // fade `stolen` was in.
    void fadeOutFrom(const GrainVoice& stolen, int32_t frames);
    // A playing voice goes on with its note on another sample (frames + 1
    // floats, as for setSample), reading at `rate`, its grain start point at
    // `start`: its live grains are dropped (hand them to a fade first) and
    // new ones start from the next sample on, each from the start of its
    // envelope, so the sound builds up again without a step.
    void continueOn(const float* data, int32_t frames, const float* right, float rate, float start);
    // Advances the voice by one output sample and returns its output.
    VoiceFrame nextFrame(ScatterGenerator& scatter)
    {
        if (state_ == Idle)
            return VoiceFrame{0.0f, 0.0f};
        return advance(scatter);
    }
    // The same, for a mono sample.
    float nextSample(ScatterGenerator& scatter) { return nextFrame(scatter).left; }

    // The level of a voice at `gain` that has been fading for `age` of
    // `length` samples: a smooth curve from gain down to nearly silence,
    // flat at both ends.
    static float fadeLevel(float gain, int32_t age, int32_t length)
    {
        const float t = static_cast<float>(age) / static_cast<float>(length);
        return gain * (1.0f - t * t * (3.0f - 2.0f * t));
    }

    // Parameter quantities; safe from any thread.
    void setSpacing(int32_t spacing);
    void setGrainLength(int32_t grainLength); // also sets windowStep
    void setRandomRange(int32_t range);
    void setSpeed(float speed);

    State state() const { return static_cast<State>(state_); }
    int32_t liveGrains() const { return count_; }
    // The i-th live grain, oldest first.
    const Grain& grain(int32_t i) const { return grains_[(head_ + i) & kRingMask]; }
    int32_t head() const { return head_; }
    float nextStart() const { return nextStart_; }
    int32_t countdown() const { return countdown_; }
    float noteRate() const { return noteRate_; }
    float gain() const { return gain_; }
    bool isStereo() const { return sampleRight_ != nullptr; }
    // The sample the voice reads (its left channel).
    const float* sample() const { return sampleData_; }
    // Samples faded so far, of fadeLength(); meaningful while Fading.
    int32_t fadeAge() const { return fadeAge_; }
    int32_t fadeLength() const { return fadeLength_; }
    float speed() const { return speed_.load(std::memory_order_relaxed); }
    int32_t spacing() const { return spacing_.load(std::memory_order_relaxed); }
    int32_t grainLength() const { return grainLength_.load(std::memory_order_relaxed); }
    float windowStep() const { return windowStep_.load(std::memory_order_relaxed); }
    int32_t randomRange() const { return randomRange_.load(std::memory_order_relaxed); }

private:
    friend class GrainRenderer; // renders runs of frames from the same state

    VoiceFrame advance(ScatterGenerator& scatter);
    void startGrain(ScatterGenerator& scatter);
    template <bool kStereo>
    VoiceFrame sumGrains(int32_t advance, float level);
    template <bool kStereo>
    VoiceFrame sumSegment(int32_t from, int32_t to, int32_t advance, VoiceFrame sum, float level);
    void silence();

    std::atomic<int32_t> spacing_;
    std::atomic<int32_t> grainLength_;
    std::atomic<int32_t> randomRange_;
    std::atomic<float> windowStep_;
    std::atomic<float> speed_{1.0f};
};
