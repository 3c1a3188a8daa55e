#include "engine/GrainRenderer.h"

#include "engine/GrainWindow.h"

#include <climits>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

bool cpuHasAvx2()
{
#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace

GrainRenderer::Kernel GrainRenderer::fastestKernel()
{
    if (grainKernelAvx2Built() && cpuHasAvx2())
        return Avx2;
    if (grainKernelSse2Built())
        return Sse2;
    return Scalar;
}

GrainRenderer::GrainRenderer()
{
    Kernel wanted = Avx2;
    // Read once at construction: the audio thread never looks at the environment.
    if (const char* name = std::getenv("PARVOLINO_KERNEL")) {
        if (std::strcmp(name, "scalar") == 0)
            wanted = Scalar;
        else if (std::strcmp(name, "sse2") == 0)
            wanted = Sse2;
    }
    setKernel(wanted);
}

void GrainRenderer::setKernel(Kernel kernel)
{
    const Kernel fastest = fastestKernel();
    kernel_ = kernel > fastest ? fastest : kernel;
    // The scalar choice renders through the voices' own per-sample path;
    // the portable kernel is what builds without vector units use.
    function_ = kernel_ == Avx2 ? renderVoiceAvx2 : (kernel_ == Sse2 ? renderVoiceSse2 : renderVoicePortable);
}

int32_t GrainRenderer::render(GrainVoice* voices, VoiceAllocator& allocator, ScatterGenerator& scatter,
                              OutputLevel& level, float* left, float* right, int32_t from, int32_t to)
{
    if (kernel_ == Scalar)
        return 0;
    int32_t frame = from;
    while (frame < to) {
        const int32_t frames = to - frame < kRun ? to - frame : kRun;
        if (!renderRun(voices, scatter, level, left + frame, right + frame, frames))
            break;
        frame += frames;
        // Frees in voice order at the end of the run leave the allocator as
        // frees frame by frame do: removing slots from its order list keeps the
        // others' order, and each count depends only on which slots went.
        for (int32_t v = 0; v < kVoices; ++v) {
            if (voices[v].state() == GrainVoice::Idle && allocator.inUse(v))
                allocator.freeSlot(v);
        }
    }
    return frame - from;
}

bool GrainRenderer::prepareWeights(GrainVoice* voices)
{
    int32_t length = -1;
    float step = 0.0f;
    for (int32_t v = 0; v < kSlots; ++v) {
        const GrainVoice& voice = voices[v];
        if (voice.state_ == GrainVoice::Idle)
            continue;
        const int32_t l = voice.grainLength_.load(relaxed);
        const float s = voice.windowStep_.load(relaxed);
        if (length < 0) {
            length = l;
            step = s;
        } else if (l != length || std::memcmp(&s, &step, sizeof s) != 0) {
            return false; // a length change caught half-way
        }
    }
    if (length < 0)
        return true;
    if (length < 1 || length > kMaxGrainLength)
        return false;
    if (length == tableLength_ && std::memcmp(&step, &tableStep_, sizeof step) == 0)
        return true;
    // The weight the per-sample path computes for every age a grain lives.
    std::memset(weights_, 0, sizeof weights_);
    for (int32_t age = 0; age < length; ++age) {
        uint32_t index = static_cast<uint32_t>(static_cast<int32_t>(static_cast<float>(age) * step));
        if (index >= static_cast<uint32_t>(kGrainWindowSize))
            index = kGrainWindowSize - 1;
        weights_[kPad + age] = grainWindow[index];
    }
    tableLength_ = length;
    tableStep_ = step;
    return true;
}

namespace {

#if defined(__SSE2__)
// Zero in place of subnormals, infinities and NaN, as keepNormal does.
inline __m128 keepNormal4(__m128 out)
{
    const __m128 magnitude = _mm_and_ps(out, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
    return _mm_and_ps(out, _mm_and_ps(_mm_cmpge_ps(magnitude, _mm_set1_ps(FLT_MIN)),
                                      _mm_cmple_ps(magnitude, _mm_set1_ps(FLT_MAX))));
}
#endif

} // namespace

bool GrainRenderer::renderRun(GrainVoice* voices, ScatterGenerator& scatter, OutputLevel& level, float* left,
                              float* right, int32_t frames)
{
    if (!prepareWeights(voices))
        return false;

    int32_t active[kSlots];
    int32_t activeCount = 0;
    bool stereo = false;
    for (int32_t v = 0; v < kSlots; ++v) {
        GrainVoice& voice = voices[v];
        if (voice.state_ == GrainVoice::Idle)
            continue;
        spacing_[v] = voice.spacing_.load(relaxed);
        range_[v] = voice.randomRange_.load(relaxed);
        speed_[v] = voice.speed_.load(relaxed);
        if (voice.sampleLength_ < 1 || voice.sampleData_ == nullptr || spacing_[v] < 0 || range_[v] < 0 ||
            range_[v] > 65535)
            return false;
        if (!layOutGrains(voice, v))
            return false;
        firstLive_[v] = 0;
        lastStart_[v] = -1;
        active[activeCount++] = v;
        stereo = stereo || voice.sampleRight_ != nullptr;
    }

    advanceVoices(voices, active, activeCount, frames);
    for (int32_t a = 0; a < activeCount; ++a) {
        const int32_t v = active[a];
        for (int32_t k = frames; k < frames + kPad; ++k) {
            frac_[v][k] = 0.0f;
            travel_[v][k] = travel_[v][frames - 1];
        }
    }
    startGrains(voices, scatter, frames);

    // Kernels, each voice at its level, then the voices summed in order and
    // the output stage.
    for (int32_t k = 0; k < frames + kPad; ++k)
        total_[k] = 0.0f;
    for (int32_t k = 0; stereo && k < frames + kPad; ++k)
        totalRight_[k] = 0.0f;
    for (int32_t a = 0; a < activeCount; ++a) {
        const int32_t v = active[a];
        GrainVoice& voice = voices[v];
        Span* spans = grains_[v];
        const int32_t count = grainCount_[v];
        const int32_t idle = idleFrame(voice, v, frames);
        const VoiceRun run{voice.sampleData_, voice.sampleRight_, voice.sampleLength_, frames,
                           voice.noteRate_, travel_[v], frac_[v], spans, count, weights_ + kPad,
                           fadeLevels(voice, frames, idle), voice.gain_, total_, stereo ? totalRight_ : nullptr};
        function_(run);
        leaveState(voice, v, frames, idle);
    }
    mixOut(level, stereo, left, right, frames);
    return true;
}

// The voice's live grains as spans, each living out its length unless
// something ends it sooner; false for a grain at a negative position or age
// (odd parameter states), which the per-sample path renders.
bool GrainRenderer::layOutGrains(const GrainVoice& voice, int32_t v)
{
    const int32_t count = voice.count_;
    const int32_t head = voice.head_;
    const int32_t length = voice.sampleLength_;
    const int32_t table = tableLength_;
    Span* spans = grains_[v];
    int32_t signs = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Grain g = voice.grains_[(head + i) & GrainVoice::kRingMask];
        signs |= g.position | g.age;
        spans[i] = Span{-g.age, table - g.age, insideSample(g.position, length)};
    }
    grainCount_[v] = count;
    return signs >= 0;
}

// Grain starts, with their scatter draws in frame then voice order. Only
// playing voices start grains, and a fade slot never plays.
void GrainRenderer::startGrains(GrainVoice* voices, ScatterGenerator& scatter, int32_t frames)
{
    const int32_t grainLength = tableLength_;
    int32_t nextStart[kVoices];
    for (int32_t v = 0; v < kVoices; ++v) {
        const GrainVoice& voice = voices[v];
        nextStart[v] = INT_MAX;
        if (voice.state_ == GrainVoice::Playing)
            nextStart[v] = voice.countdown_ >= 0 ? voice.countdown_ + 1 : 0;
    }
    while (true) {
        int32_t frame = INT_MAX;
        for (int32_t v = 0; v < kVoices; ++v)
            frame = nextStart[v] < frame ? nextStart[v] : frame;
        if (frame >= frames)
            break;
        for (int32_t v = 0; v < kVoices; ++v) {
            if (nextStart[v] != frame)
                continue;
            GrainVoice& voice = voices[v];
            Span* spans = grains_[v];
            int32_t& first = firstLive_[v];
            int32_t& count = grainCount_[v];
            while (first < count && spans[first].death <= frame)
                ++first;
            if (count - first == GrainVoice::kRingSize)
                spans[first++].death = frame;
            const int32_t length = voice.sampleLength_;
            const int32_t r = scatter.next();
            const int32_t start = ((r * range_[v]) >> 15) + static_cast<int32_t>(voice.nextStart_);
            const int32_t travelled = frame > 0 ? insideSample(travel_[v][frame - 1], length) : 0;
            int32_t anchor = insideSample(start, length) - travelled;
            if (anchor < 0)
                anchor += length;
            spans[count++] = Span{frame, frame + grainLength, anchor};

            float next = voice.nextStart_ + static_cast<float>(spacing_[v]) * speed_[v];
            const float sampleLength = static_cast<float>(length);
            if (sampleLength < next) {
                next = next - sampleLength;
                if (sampleLength < next)
                    next = std::fmod(next, sampleLength);
            }
            voice.nextStart_ = next;
            lastStart_[v] = frame;
            nextStart[v] = frame + spacing_[v] + 2;
        }
    }
}

// The run frame at which a releasing or fading voice goes idle (its last
// grain ended, or its fade), or `frames` when it stays live. A fade that ends
// first drops the grains still live: their spans end there too.
int32_t GrainRenderer::idleFrame(const GrainVoice& voice, int32_t v, int32_t frames)
{
    if (voice.state_ == GrainVoice::Playing)
        return frames;
    Span* spans = grains_[v];
    const int32_t count = grainCount_[v];
    int32_t idle = count > 0 ? spans[count - 1].death : 0;
    if (idle < 0)
        idle = 0;
    if (voice.state_ == GrainVoice::Fading) {
        int32_t fadeEnd = voice.fadeLength_ - voice.fadeAge_;
        if (fadeEnd < 0)
            fadeEnd = 0;
        if (fadeEnd < idle)
            idle = fadeEnd;
    }
    if (idle >= frames)
        return frames;
    // The grains that end by then are retired ahead of the idle test; the
    // head moves past them.
    int32_t retired = 0;
    while (retired < count && spans[retired].death <= idle)
        ++retired;
    retired_[v] = retired;
    for (int32_t i = retired; i < count; ++i)
        spans[i].death = idle;
    return idle;
}

// A fading voice's level per frame: the fade's curve from the note's gain
// until the frame the voice goes idle, then 0.0 (the kernels add nothing
// there); null for a voice at its gain throughout.
const float* GrainRenderer::fadeLevels(const GrainVoice& voice, int32_t frames, int32_t idle)
{
    if (voice.state_ != GrainVoice::Fading)
        return nullptr;
    int32_t k = 0;
#if defined(__SSE2__)
    // The same operations as fadeLevel, four frames at once.
    const __m128 gain = _mm_set1_ps(voice.gain_);
    const __m128 length = _mm_set1_ps(static_cast<float>(voice.fadeLength_));
    const __m128 one = _mm_set1_ps(1.0f), two = _mm_set1_ps(2.0f), three = _mm_set1_ps(3.0f);
    for (; k + 4 <= idle; k += 4) {
        const __m128i age = _mm_add_epi32(_mm_set1_epi32(voice.fadeAge_ + k), _mm_setr_epi32(0, 1, 2, 3));
        const __m128 t = _mm_div_ps(_mm_cvtepi32_ps(age), length);
        const __m128 curve = _mm_mul_ps(_mm_mul_ps(t, t), _mm_sub_ps(three, _mm_mul_ps(two, t)));
        _mm_storeu_ps(levels_ + k, _mm_mul_ps(gain, _mm_sub_ps(one, curve)));
    }
#endif
    for (; k < idle && k < frames; ++k)
        levels_[k] = GrainVoice::fadeLevel(voice.gain_, voice.fadeAge_ + k, voice.fadeLength_);
    for (; k < frames; ++k)
        levels_[k] = 0.0f;
    return levels_;
}

// The voice's state as the per-sample path leaves it after the run.
void GrainRenderer::leaveState(GrainVoice& voice, int32_t v, int32_t frames, int32_t idle)
{
    const Span* spans = grains_[v];
    const int32_t count = grainCount_[v];
    int32_t lastFrame = frames - 1;
    if (idle < frames) {
        if (voice.state_ == GrainVoice::Fading)
            voice.fadeAge_ += idle;
        voice.state_ = GrainVoice::Idle;
        lastFrame = idle - 1;
        voice.head_ = (voice.head_ + retired_[v]) & GrainVoice::kRingMask;
        voice.count_ = 0;
    } else {
        if (voice.state_ == GrainVoice::Playing) {
            if (lastStart_[v] >= 0)
                voice.countdown_ = spacing_[v] - (frames - 1 - lastStart_[v]);
            else
                voice.countdown_ -= frames;
        } else if (voice.state_ == GrainVoice::Fading) {
            voice.fadeAge_ += frames;
        }
        int32_t kept = 0;
        while (kept < count && spans[kept].death < frames)
            ++kept;
        // Locals, so that the stores into the ring are known not to touch them.
        const int32_t head = (voice.head_ + kept) & GrainVoice::kRingMask;
        const int32_t live = count - kept;
        const int32_t length = voice.sampleLength_;
        const int32_t travel = insideSample(travel_[v][frames - 1], length);
        const Span* left = spans + kept;
        for (int32_t i = 0; i < live; ++i) {
            int32_t position = left[i].anchor + travel;
            position -= position >= length ? length : 0;
            voice.grains_[(head + i) & GrainVoice::kRingMask] = Grain{position, frames - left[i].birth};
        }
        voice.head_ = head;
        voice.count_ = live;
    }
    if (lastFrame >= 0)
        voice.frac_ = frac_[v][lastFrame];
}

// The voices' sum times 0.1 and the output level, added to both outputs: the
// same value to each for a mono sample.
void GrainRenderer::mixOut(OutputLevel& level, bool stereo, float* left, float* right, int32_t frames)
{
    const bool unity = level.isUnity();
    if (!unity) {
        for (int32_t k = 0; k < frames; ++k)
            levels_[k] = level.next();
    }
    const float* totalRight = stereo ? totalRight_ : total_;
    int32_t k = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(0.1f);
    for (; k + 4 <= frames; k += 4) {
        __m128 out = _mm_mul_ps(_mm_loadu_ps(total_ + k), scale);
        __m128 outRight = _mm_mul_ps(_mm_loadu_ps(totalRight + k), scale);
        if (!unity) {
            const __m128 gain = _mm_loadu_ps(levels_ + k);
            out = _mm_mul_ps(out, gain);
            outRight = _mm_mul_ps(outRight, gain);
        }
        // Left first, then right: the same adds when both are one buffer.
        _mm_storeu_ps(left + k, _mm_add_ps(_mm_loadu_ps(left + k), keepNormal4(out)));
        _mm_storeu_ps(right + k, _mm_add_ps(_mm_loadu_ps(right + k), keepNormal4(outRight)));
    }
#endif
    for (; k < frames; ++k) {
        float out = total_[k] * 0.1f;
        float outRight = totalRight[k] * 0.1f;
        if (!unity) {
            out = out * levels_[k];
            outRight = outRight * levels_[k];
        }
        left[k] += keepNormal(out);
        right[k] += keepNormal(outRight);
    }
}

void renderVoicePortable(const GrainRenderer::VoiceRun& run)
{
    int32_t first = 0;
    for (int32_t k = 0; k < run.frames; ++k) {
        while (first < run.grainCount && run.grains[first].death <= k)
            ++first;
        float sum = 0.0f, sumRight = 0.0f;
        const float frac = run.frac[k];
        for (int32_t i = first; i < run.grainCount && run.grains[i].birth <= k; ++i) {
            const GrainRenderer::Span& g = run.grains[i];
            const int32_t p = insideSample(g.anchor + run.travel[k], run.length);
            const float w = run.weights[k - g.birth];
            const float s0 = run.data[p];
            const float s1 = run.data[p + 1];
            sum += (s0 + (s1 - s0) * frac) * w;
            if (run.right != nullptr) {
                const float r0 = run.right[p];
                const float r1 = run.right[p + 1];
                sumRight += (r0 + (r1 - r0) * frac) * w;
            }
        }
        const float level = run.levels != nullptr ? run.levels[k] : run.gain;
        run.total[k] += sum * level;
        if (run.totalRight != nullptr)
            run.totalRight[k] += (run.right != nullptr ? sumRight : sum) * level;
    }
}
