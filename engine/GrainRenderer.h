#pragma once

#include "engine/GrainVoice.h"
#include "engine/OutputLevel.h"
#include "engine/VoiceAllocator.h"

#include <cstdint>

// The fast render of the twelve voices: frames are taken in runs, each voice's
// grains are laid out for the run by a cheap serial schedule pass, and a
// kernel then sums every grain across several frames at once. Every output
// float comes out as the one-sample-at-a-time path (GrainVoice::nextFrame)
// gives it: the same operations in the same order per frame.
//
// The voices are the twelve the allocator hands out, then twelve that play
// out the fades of stolen notes; they are summed in that order.
//
// Audio thread only; all buffers are members, sized here.
class GrainRenderer {
public:
    enum Kernel : int32_t { Scalar = 0, Sse2 = 1, Avx2 = 2 };

    static constexpr int32_t kVoices = 12;      // the allocator's
    static constexpr int32_t kFades = 12;       // fade slots after them
    static constexpr int32_t kSlots = kVoices + kFades;
    static constexpr int32_t kRun = 256;        // frames per schedule pass
    // Stretches between events this short cost the per-sample path less than
    // laying out every grain for a run.
    static constexpr int32_t kShortestRun = 4;
    static constexpr int32_t kPad = 16;         // widest kernel's block of frames
    static constexpr int32_t kMaxGrainLength = 1 << 14;
    static constexpr int32_t kMaxGrains = GrainVoice::kRingSize + kRun + 1;

    // One grain over a run: alive for run frames [birth, death); its read
    // position at frame k is anchor + the voice's travel up to k, modulo
    // length.
    struct Span {
        int32_t birth;
        int32_t death;
        int32_t anchor;
    };

    // Everything a kernel needs for one voice over one run.
    struct VoiceRun {
        const float* data;
        const float* right; // the right channel, null for a mono sample
        int32_t length;
        int32_t frames;
        float rate;            // the note's frames per output sample
        const int32_t* travel; // the advances summed up to each frame
        const float* frac;     // the shared fraction at each frame
        const Span* grains;
        int32_t grainCount;
        const float* weights; // envelope weight per age, kPad zeros either side
        // The voice's level per frame, or null where it is `gain` throughout.
        const float* levels;
        float gain;
        // The voices' sums so far, and the right channel's (null for a mono
        // output); kPad floats past the run for the kernels' last block.
        float* total;
        float* totalRight;
    };
    // Adds the grains' sum per frame times the voice's level into run.total,
    // and the right channel's into run.totalRight (a mono sample's sum to
    // both).
    using KernelFunction = void (*)(const VoiceRun&);

    // The kernel named by PARVOLINO_KERNEL (scalar, sse2, avx2) if this CPU
    // runs it, else the fastest it runs.
    GrainRenderer();

    Kernel kernel() const { return kernel_; }
    // Falls back to the fastest supported kernel below the one asked for.
    void setKernel(Kernel kernel);
    static Kernel fastestKernel();

    // Renders frames [from, to) of the kSlots voices, scaled by `level`,
    // adding them into left and right, and frees voices that went idle.
    // Returns how many frames from `from` it rendered; the per-sample path
    // renders the rest (odd parameter states).
    int32_t render(GrainVoice* voices, VoiceAllocator& allocator, ScatterGenerator& scatter, OutputLevel& level,
                   float* left, float* right, int32_t from, int32_t to);

private:
    bool renderRun(GrainVoice* voices, ScatterGenerator& scatter, OutputLevel& level, float* left, float* right,
                   int32_t frames);
    bool prepareWeights(GrainVoice* voices);
    bool layOutGrains(const GrainVoice& voice, int32_t v);
    void advanceVoices(GrainVoice* voices, const int32_t* active, int32_t activeCount, int32_t frames);
    void startGrains(GrainVoice* voices, ScatterGenerator& scatter, int32_t frames);
    int32_t idleFrame(const GrainVoice& voice, int32_t v, int32_t frames);
    const float* fadeLevels(const GrainVoice& voice, int32_t frames, int32_t idle);
    void leaveState(GrainVoice& voice, int32_t v, int32_t frames, int32_t idle);
    void mixOut(OutputLevel& level, bool stereo, float* left, float* right, int32_t frames);

    Kernel kernel_ = Scalar;
    KernelFunction function_ = nullptr;
    int32_t tableLength_ = -1;
    float tableStep_ = 0.0f;
    alignas(32) float weights_[kMaxGrainLength + 2 * kPad];
    alignas(32) int32_t travel_[kSlots][kRun + kPad];
    alignas(32) float frac_[kSlots][kRun + kPad];
    alignas(32) float scratchFrac_[kRun + kPad];    // rows of lanes no voice uses
    alignas(32) int32_t scratchTravel_[kRun + kPad];
    alignas(32) float levels_[kRun + kPad] = {};
    alignas(32) float total_[kRun + kPad] = {};
    alignas(32) float totalRight_[kRun + kPad] = {};
    Span grains_[kSlots][kMaxGrains];
    int32_t grainCount_[kSlots] = {};
    int32_t firstLive_[kSlots] = {};
    int32_t lastStart_[kSlots] = {};
    int32_t spacing_[kSlots] = {};
    float speed_[kSlots] = {};
    int32_t range_[kSlots] = {};
    int32_t retired_[kSlots] = {}; // grains retired by the frame a voice went idle
};

// A position at or past the sample's start, brought inside it; one the
// fast render left is inside already.
inline int32_t insideSample(int32_t position, int32_t length)
{
    return position < length ? position : position % length;
}

// The kernels; each adds one voice over one run into the run's totals.
void renderVoicePortable(const GrainRenderer::VoiceRun& run);
void renderVoiceSse2(const GrainRenderer::VoiceRun& run);
void renderVoiceAvx2(const GrainRenderer::VoiceRun& run);
bool grainKernelSse2Built();
bool grainKernelAvx2Built();
