// The grain kernel with SSE2 (every x86-64 CPU and the 32-bit Windows build
// have it), sixteen frames at a time in four vectors of four lanes. Lanes are
// frames: each lane adds the voice's grains oldest first, as the per-sample
// path does, with only multiplies and adds. A stereo sample's right channel
// is read at the same positions and summed the same way.
#include "engine/GrainKernelBlock.h"

#if defined(__SSE2__)
#include <emmintrin.h>

bool grainKernelSse2Built()
{
    return true;
}

namespace {

constexpr int32_t kMaxVectors = 4; // vectors of four frames in the widest block

// What every grain of the voice shares in one block: the
// fraction of each frame, and how far each frame reads from the grain's
// position at the block's first frame (the voice's offset there).
template <int kVectors>
struct Block {
    static constexpr int32_t kWidth = 4 * kVectors;
    int32_t f0;
    intptr_t travel; // the voice's travel up to f0
    intptr_t limit;  // the highest position at f0 whose whole block reads inside the sample
    __m128 frac[kVectors];
    intptr_t d[kWidth];
};

template <int kVectors>
inline Block<kVectors> blockAt(const GrainRenderer::VoiceRun& run, int32_t f0)
{
    Block<kVectors> b;
    b.f0 = f0;
    b.travel = run.travel[f0];
#pragma GCC unroll 4
    for (int32_t h = 0; h < kVectors; ++h)
        b.frac[h] = _mm_loadu_ps(run.frac + f0 + 4 * h);
#pragma GCC unroll 16
    for (int32_t j = 0; j < b.kWidth; ++j)
        b.d[j] = run.travel[f0 + j] - run.travel[f0];
    b.limit = run.length - 1 - b.d[b.kWidth - 1];
    return b;
}

// Frame j's two neighbouring sample values, (p[j], p[j + 1]), in one load.
inline __m128 pairAt(const float* p)
{
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// The interpolated value of four frames times their envelope weights, from
// the frames' pairs of sample values at p + at[0..3].
inline __m128 weighted(const float* p, const intptr_t* at, __m128 frac, __m128 w)
{
    const __m128 a = _mm_unpacklo_ps(pairAt(p + at[0]), pairAt(p + at[1]));
    const __m128 b = _mm_unpacklo_ps(pairAt(p + at[2]), pairAt(p + at[3]));
    const __m128 s0 = _mm_movelh_ps(a, b);
    const __m128 s1 = _mm_movehl_ps(b, a);
    return _mm_mul_ps(_mm_add_ps(s0, _mm_mul_ps(_mm_sub_ps(s1, s0), frac)), w);
}

// One grain's weighted values over the block, four frames a vector, left
// (v) and right (r). Reads that would cross the sample's end go frame by frame,
// each wrapped on its own.
template <int kVectors, bool kStereo>
inline void grainValues(const GrainRenderer::VoiceRun& run, const Block<kVectors>& b, const GrainRow& g,
                        const float* weights, __m128 (&v)[kVectors], __m128 (&r)[kVectors])
{
    intptr_t base = g.anchor + b.travel;
    // Past the sample's end the position comes round to its start.
    if (__builtin_expect(base > b.limit, 0))
        base = insideSample(static_cast<int32_t>(base), run.length);
    const float* data = run.data;
    const float* right = run.right;
    const intptr_t* at = b.d;
    intptr_t wrapped[b.kWidth];
    if (__builtin_expect(base <= b.limit, 1)) {
        data += base;
        right += kStereo ? base : 0;
    } else {
        for (int32_t j = 0; j < b.kWidth; ++j)
            wrapped[j] = insideSample(static_cast<int32_t>(g.anchor) + run.travel[b.f0 + j], run.length);
        at = wrapped;
    }
#pragma GCC unroll 4
    for (int32_t h = 0; h < kVectors; ++h) {
        const __m128 w = _mm_loadu_ps(weights + 4 * h);
        v[h] = weighted(data, at + 4 * h, b.frac[h], w);
        if constexpr (kStereo)
            r[h] = weighted(right, at + 4 * h, b.frac[h], w);
    }
}

// Adds grains [from, to), each only in the lanes where it sounds: a
// cleared lane adds +0.0, which leaves a sum that started at +0.0 as it is.
template <int kVectors, bool kStereo>
inline void addClipped(const GrainRenderer::VoiceRun& run, const GrainRows& rows, const Block<kVectors>& b,
                       int32_t from, int32_t to, __m128 (&sum)[kVectors], __m128 (&sumRight)[kVectors])
{
    for (int32_t i = from; i < to; ++i) {
        const GrainRenderer::Span& g = run.grains[i];
        __m128 v[kVectors], r[kVectors];
        grainValues<kVectors, kStereo>(run, b, rows.row[i], run.weights + b.f0 + rows.row[i].weightAt, v, r);
#pragma GCC unroll 4
        for (int32_t h = 0; h < kVectors; ++h) {
            const __m128i lane = _mm_setr_epi32(4 * h, 4 * h + 1, 4 * h + 2, 4 * h + 3);
            const __m128 live = _mm_castsi128_ps(_mm_andnot_si128(
                _mm_cmpgt_epi32(_mm_set1_epi32(g.birth - b.f0), lane),
                _mm_cmpgt_epi32(_mm_set1_epi32(g.death - b.f0), lane)));
            sum[h] = _mm_add_ps(sum[h], _mm_and_ps(v[h], live));
            if constexpr (kStereo)
                sumRight[h] = _mm_add_ps(sumRight[h], _mm_and_ps(r[h], live));
        }
    }
}

// Mono takes sixteen frames per grain; stereo, which needs twice the sums,
// eight, so that they stay in registers.
// Adds a block's sums times the voice's level into the run's totals.
template <int kVectors, bool kStereo>
inline void addToTotals(const GrainRenderer::VoiceRun& run, int32_t f0, const __m128 (&sum)[kVectors],
                        const __m128 (&sumRight)[kVectors])
{
#pragma GCC unroll 4
    for (int32_t h = 0; h < kVectors; ++h) {
        const int32_t f = f0 + 4 * h;
        const __m128 level = run.levels != nullptr ? _mm_loadu_ps(run.levels + f) : _mm_set1_ps(run.gain);
        _mm_storeu_ps(run.total + f, _mm_add_ps(_mm_loadu_ps(run.total + f), _mm_mul_ps(sum[h], level)));
        if (run.totalRight != nullptr)
            _mm_storeu_ps(run.totalRight + f, _mm_add_ps(_mm_loadu_ps(run.totalRight + f),
                                                         _mm_mul_ps(kStereo ? sumRight[h] : sum[h], level)));
    }
}

template <bool kStereo, int kVectors = kStereo ? 2 : kMaxVectors>
void renderVoice(const GrainRenderer::VoiceRun& run)
{
    constexpr int32_t kWidth = 4 * kVectors;
    const GrainRows rows(run);
    BlockGrains grains(run.grains, run.grainCount, kWidth);
    for (int32_t f0 = 0; f0 < run.frames; f0 += kWidth) {
        const Block<kVectors> b = blockAt<kVectors>(run, f0);
        grains.moveTo(f0);
        __m128 sum[kVectors], sumRight[kVectors];
#pragma GCC unroll 4
        for (int32_t h = 0; h < kVectors; ++h) {
            sum[h] = _mm_setzero_ps();
            sumRight[h] = _mm_setzero_ps();
        }
        addClipped<kVectors, kStereo>(run, rows, b, grains.endingFrom(), grains.wholeFrom(), sum, sumRight);
        const float* weights = run.weights + f0;
        const GrainRow* end = rows.row + grains.wholeTo();
        for (const GrainRow* g = rows.row + grains.wholeFrom(); g < end; ++g) {
            __m128 v[kVectors], r[kVectors];
            grainValues<kVectors, kStereo>(run, b, *g, weights + g->weightAt, v, r);
#pragma GCC unroll 4
            for (int32_t h = 0; h < kVectors; ++h) {
                sum[h] = _mm_add_ps(sum[h], v[h]);
                if constexpr (kStereo)
                    sumRight[h] = _mm_add_ps(sumRight[h], r[h]);
            }
        }
        addClipped<kVectors, kStereo>(run, rows, b, grains.wholeTo(), grains.bornTo(), sum, sumRight);
        addToTotals<kVectors, kStereo>(run, f0, sum, sumRight);
    }
}

} // namespace

void renderVoiceSse2(const GrainRenderer::VoiceRun& run)
{
    if (run.right != nullptr)
        renderVoice<true>(run);
    else
        renderVoice<false>(run);
}

#else

bool grainKernelSse2Built()
{
    return false;
}

void renderVoiceSse2(const GrainRenderer::VoiceRun& run)
{
    renderVoicePortable(run);
}

#endif
