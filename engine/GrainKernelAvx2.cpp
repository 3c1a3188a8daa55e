// The grain kernel eight frames at a time with AVX2, chosen at run time.
// Only multiplies and adds, never fused: the same roundings as the scalar path.
// A stereo sample's right channel is read at the same positions, in the same
// way, and summed apart.
// Not built for Windows, whose compilers do not keep the stack aligned for
// 32-byte spills.
#include "engine/GrainRenderer.h"

#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

bool grainKernelAvx2Built()
{
    return true;
}

namespace {

#define PARVOLINO_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// Frame j's two neighbouring sample values, (p[j], p[j + 1]), in one load.
PARVOLINO_AVX2_INLINE __m128 pairAt(const float* p)
{
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// Eight pairs regrouped into the eight first and the eight second values.
PARVOLINO_AVX2_INLINE void regroup(__m128 q0, __m128 q1, __m128 q2, __m128 q3, __m128 q4, __m128 q5, __m128 q6,
                                   __m128 q7, __m256& s0, __m256& s1)
{
    const __m128 a = _mm_unpacklo_ps(q0, q1);
    const __m128 b = _mm_unpacklo_ps(q2, q3);
    const __m128 c = _mm_unpacklo_ps(q4, q5);
    const __m128 d = _mm_unpacklo_ps(q6, q7);
    s0 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_movelh_ps(a, b)), _mm_movelh_ps(c, d), 1);
    s1 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_movehl_ps(b, a)), _mm_movehl_ps(d, c), 1);
}

// The pairs of frames that all read within the eight values from p: one
// load and two permutes.
PARVOLINO_AVX2_INLINE void pairsWithin8(const float* p, __m256i dv, __m256i dv1, __m256& s0, __m256& s1)
{
    const __m256 x = _mm256_loadu_ps(p);
    s0 = _mm256_permutevar8x32_ps(x, dv);
    s1 = _mm256_permutevar8x32_ps(x, dv1);
}

// The same within sixteen values, the lanes past eight taken from the second.
PARVOLINO_AVX2_INLINE void pairsWithin16(const float* p, __m256i dv, __m256i dv1, __m256 upper0, __m256 upper1,
                                         __m256& s0, __m256& s1)
{
    const __m256 x0 = _mm256_loadu_ps(p);
    const __m256 x1 = _mm256_loadu_ps(p + 8);
    s0 = _mm256_blendv_ps(_mm256_permutevar8x32_ps(x0, dv), _mm256_permutevar8x32_ps(x1, dv), upper0);
    s1 = _mm256_blendv_ps(_mm256_permutevar8x32_ps(x0, dv1), _mm256_permutevar8x32_ps(x1, dv1), upper1);
}

// The interpolated value of eight frames times their envelope weights.
PARVOLINO_AVX2_INLINE __m256 weighted(__m256 s0, __m256 s1, __m256 frac, __m256 w)
{
    return _mm256_mul_ps(_mm256_add_ps(s0, _mm256_mul_ps(_mm256_sub_ps(s1, s0), frac)), w);
}

template <bool kStereo>
__attribute__((target("avx2"))) void renderVoice(const GrainRenderer::VoiceRun& run, float* out, float* outRight)
{
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i one = _mm256_set1_epi32(1);
    const float* data = run.data;
    const float* right = run.right;
    const int32_t length = run.length;
    int32_t first = 0;
    for (int32_t f0 = 0; f0 < run.frames; f0 += 8) {
        while (first < run.grainCount && run.grains[first].death <= f0)
            ++first;
        const __m256 frac = _mm256_loadu_ps(run.frac + f0);
        // Every grain of the voice reads at these distances from its
        // position at the block's first frame.
        const int32_t* travel = run.travel + f0;
        const int32_t d1 = travel[1] - travel[0], d2 = travel[2] - travel[0], d3 = travel[3] - travel[0];
        const int32_t d4 = travel[4] - travel[0], d5 = travel[5] - travel[0], d6 = travel[6] - travel[0];
        const int32_t d7 = travel[7] - travel[0];
        const __m256i dv = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(travel)),
                                            _mm256_set1_epi32(travel[0]));
        const __m256i dv1 = _mm256_add_epi32(dv, one);
        // Slow notes read within eight values: one load and two permutes.
        const bool narrow = d7 < 7;
        // Notes up to about twice the file's speed read within sixteen.
        const bool within16 = d7 < 15;
        const __m256i seven = _mm256_set1_epi32(7);
        const __m256 upper0 = _mm256_castsi256_ps(_mm256_cmpgt_epi32(dv, seven));
        const __m256 upper1 = _mm256_castsi256_ps(_mm256_cmpgt_epi32(dv1, seven));
        const int32_t offset = run.offset[f0];
        const int32_t end = f0 + 8;
        __m256 sum = _mm256_setzero_ps();
        __m256 sumRight = _mm256_setzero_ps();
        for (int32_t i = first; i < run.grainCount && run.grains[i].birth < end; ++i) {
            const GrainRenderer::Span& g = run.grains[i];
            int32_t base = g.anchor + offset;
            if (base >= length)
                base -= length;
            // The pairs of values each frame reads, left (s) and right (t).
            __m256 s0, s1, t0, t1;
            if (narrow && base + 7 <= length) {
                pairsWithin8(data + base, dv, dv1, s0, s1);
                if constexpr (kStereo)
                    pairsWithin8(right + base, dv, dv1, t0, t1);
            } else if (within16 && base + 15 <= length) {
                pairsWithin16(data + base, dv, dv1, upper0, upper1, s0, s1);
                if constexpr (kStereo)
                    pairsWithin16(right + base, dv, dv1, upper0, upper1, t0, t1);
            } else if (base + d7 < length) {
                const float* p = data + base;
                regroup(pairAt(p), pairAt(p + d1), pairAt(p + d2), pairAt(p + d3), pairAt(p + d4), pairAt(p + d5),
                        pairAt(p + d6), pairAt(p + d7), s0, s1);
                if constexpr (kStereo) {
                    const float* q = right + base;
                    regroup(pairAt(q), pairAt(q + d1), pairAt(q + d2), pairAt(q + d3), pairAt(q + d4),
                            pairAt(q + d5), pairAt(q + d6), pairAt(q + d7), t0, t1);
                }
            } else {
                int32_t at[8];
                for (int32_t j = 0; j < 8; ++j) {
                    at[j] = g.anchor + run.offset[f0 + j];
                    if (at[j] >= length)
                        at[j] -= length;
                }
                regroup(pairAt(data + at[0]), pairAt(data + at[1]), pairAt(data + at[2]), pairAt(data + at[3]),
                        pairAt(data + at[4]), pairAt(data + at[5]), pairAt(data + at[6]), pairAt(data + at[7]), s0,
                        s1);
                if constexpr (kStereo)
                    regroup(pairAt(right + at[0]), pairAt(right + at[1]), pairAt(right + at[2]),
                            pairAt(right + at[3]), pairAt(right + at[4]), pairAt(right + at[5]),
                            pairAt(right + at[6]), pairAt(right + at[7]), t0, t1);
            }
            const __m256 w = _mm256_loadu_ps(run.weights + (f0 - g.birth));
            __m256 v = weighted(s0, s1, frac, w);
            __m256 r;
            if constexpr (kStereo)
                r = weighted(t0, t1, frac, w);
            // Only a grain born or dying inside the block needs lanes cleared;
            // lanes past the run are never used.
            if (g.birth > f0 || g.death < end) {
                const __m256 live = _mm256_castsi256_ps(
                    _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(g.birth - f0), lane),
                                        _mm256_cmpgt_epi32(_mm256_set1_epi32(g.death - f0), lane)));
                v = _mm256_and_ps(v, live);
                if constexpr (kStereo)
                    r = _mm256_and_ps(r, live);
            }
            sum = _mm256_add_ps(sum, v);
            if constexpr (kStereo)
                sumRight = _mm256_add_ps(sumRight, r);
        }
        _mm256_storeu_ps(out + f0, sum);
        if constexpr (kStereo)
            _mm256_storeu_ps(outRight + f0, sumRight);
    }
}

#undef PARVOLINO_AVX2_INLINE

} // namespace

__attribute__((target("avx2"))) void renderVoiceAvx2(const GrainRenderer::VoiceRun& run, float* out,
                                                     float* outRight)
{
    if (run.right != nullptr)
        renderVoice<true>(run, out, outRight);
    else
        renderVoice<false>(run, out, outRight);
}

#else

bool grainKernelAvx2Built()
{
    return false;
}

void renderVoiceAvx2(const GrainRenderer::VoiceRun& run, float* out, float* outRight)
{
    renderVoiceSse2(run, out, outRight);
}

#endif
