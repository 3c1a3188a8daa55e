// The grain kernel four frames at a time with SSE2 (every x86-64 CPU and the
// 32-bit Windows build have it). Lanes are frames; each lane adds the voice's
// grains oldest first, a grain not alive in a lane adding +0.0, which leaves
// a sum that started at +0.0 unchanged. A stereo sample's right channel is
// read at the same positions and summed the same way.
#include "engine/GrainRenderer.h"

#if defined(__SSE2__)
#include <emmintrin.h>

bool grainKernelSse2Built()
{
    return true;
}

namespace {

// Frame j's two neighbouring sample values, (p[j], p[j + 1]), in one load.
inline __m128 pairAt(const float* p)
{
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// The interpolated value of four frames times their envelope weights, from
// each frame's pair of sample values.
inline __m128 weighted(__m128 q0, __m128 q1, __m128 q2, __m128 q3, __m128 frac, __m128 w)
{
    const __m128 a = _mm_unpacklo_ps(q0, q1);
    const __m128 b = _mm_unpacklo_ps(q2, q3);
    const __m128 s0 = _mm_movelh_ps(a, b);
    const __m128 s1 = _mm_movehl_ps(b, a);
    return _mm_mul_ps(_mm_add_ps(s0, _mm_mul_ps(_mm_sub_ps(s1, s0), frac)), w);
}

template <bool kStereo>
void renderVoice(const GrainRenderer::VoiceRun& run, float* out, float* outRight)
{
    const __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    const float* data = run.data;
    const float* right = run.right;
    const int32_t length = run.length;
    int32_t first = 0;
    for (int32_t f0 = 0; f0 < run.frames; f0 += 4) {
        while (first < run.grainCount && run.grains[first].death <= f0)
            ++first;
        const __m128 frac = _mm_loadu_ps(run.frac + f0);
        // Every grain of the voice reads at these distances from its
        // position at the block's first frame.
        const int32_t* travel = run.travel + f0;
        const int32_t d1 = travel[1] - travel[0], d2 = travel[2] - travel[0], d3 = travel[3] - travel[0];
        const int32_t offset = run.offset[f0];
        const int32_t end = f0 + 4;
        __m128 sum = _mm_setzero_ps();
        __m128 sumRight = _mm_setzero_ps();
        for (int32_t i = first; i < run.grainCount && run.grains[i].birth < end; ++i) {
            const GrainRenderer::Span& g = run.grains[i];
            int32_t base = g.anchor + offset;
            if (base >= length)
                base -= length;
            // Each load brings a frame's two neighbouring sample values,
            // left (q) and right (u).
            __m128 q0, q1, q2, q3, u0, u1, u2, u3;
            if (base + d3 < length) {
                const float* p = data + base;
                q0 = pairAt(p), q1 = pairAt(p + d1), q2 = pairAt(p + d2), q3 = pairAt(p + d3);
                if constexpr (kStereo) {
                    const float* p = right + base;
                    u0 = pairAt(p), u1 = pairAt(p + d1), u2 = pairAt(p + d2), u3 = pairAt(p + d3);
                }
            } else {
                int32_t at[4];
                for (int32_t j = 0; j < 4; ++j) {
                    at[j] = g.anchor + run.offset[f0 + j];
                    if (at[j] >= length)
                        at[j] -= length;
                }
                q0 = pairAt(data + at[0]), q1 = pairAt(data + at[1]), q2 = pairAt(data + at[2]);
                q3 = pairAt(data + at[3]);
                if constexpr (kStereo) {
                    u0 = pairAt(right + at[0]), u1 = pairAt(right + at[1]), u2 = pairAt(right + at[2]);
                    u3 = pairAt(right + at[3]);
                }
            }
            const __m128 w = _mm_loadu_ps(run.weights + (f0 - g.birth));
            __m128 v = weighted(q0, q1, q2, q3, frac, w);
            __m128 r;
            if constexpr (kStereo)
                r = weighted(u0, u1, u2, u3, frac, w);
            // Only a grain born or dying inside the block needs lanes cleared;
            // lanes past the run are never used.
            if (g.birth > f0 || g.death < end) {
                const __m128 live = _mm_castsi128_ps(_mm_andnot_si128(
                    _mm_cmpgt_epi32(_mm_set1_epi32(g.birth - f0), lane),
                    _mm_cmpgt_epi32(_mm_set1_epi32(g.death - f0), lane)));
                v = _mm_and_ps(v, live);
                if constexpr (kStereo)
                    r = _mm_and_ps(r, live);
            }
            sum = _mm_add_ps(sum, v);
            if constexpr (kStereo)
                sumRight = _mm_add_ps(sumRight, r);
        }
        _mm_storeu_ps(out + f0, sum);
        if constexpr (kStereo)
            _mm_storeu_ps(outRight + f0, sumRight);
    }
}

} // namespace

void renderVoiceSse2(const GrainRenderer::VoiceRun& run, float* out, float* outRight)
{
    if (run.right != nullptr)
        renderVoice<true>(run, out, outRight);
    else
        renderVoice<false>(run, out, outRight);
}

#else

bool grainKernelSse2Built()
{
    return false;
}

void renderVoiceSse2(const GrainRenderer::VoiceRun& run, float* out, float* outRight)
{
    renderVoicePortable(run, out, outRight);
}

#endif
