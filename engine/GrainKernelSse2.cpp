// The grain kernel four frames at a time with SSE2 (every x86-64 CPU and the
// 32-bit Windows build have it). Lanes are frames; each lane adds the voice's
// grains oldest first, a grain not alive in a lane adding +0.0, which leaves
// a sum that started at +0.0 unchanged.
#include "engine/GrainRenderer.h"

#if defined(__SSE2__)
#include <emmintrin.h>

bool grainKernelSse2Built()
{
    return true;
}

void renderVoiceSse2(const GrainRenderer::VoiceRun& run, float* out)
{
    const __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    const float* data = run.data;
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
        for (int32_t i = first; i < run.grainCount && run.grains[i].birth < end; ++i) {
            const GrainRenderer::Span& g = run.grains[i];
            int32_t base = g.anchor + offset;
            if (base >= length)
                base -= length;
            // Each load brings a frame's two neighbouring sample values.
            __m128 q0, q1, q2, q3;
            if (base + d3 < length) {
                const float* p = data + base;
                q0 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
                q1 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + d1)));
                q2 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + d2)));
                q3 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + d3)));
            } else {
                int32_t at[4];
                for (int32_t j = 0; j < 4; ++j) {
                    at[j] = g.anchor + run.offset[f0 + j];
                    if (at[j] >= length)
                        at[j] -= length;
                }
                q0 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(data + at[0])));
                q1 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(data + at[1])));
                q2 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(data + at[2])));
                q3 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(data + at[3])));
            }
            const __m128 a = _mm_unpacklo_ps(q0, q1);
            const __m128 b = _mm_unpacklo_ps(q2, q3);
            const __m128 s0 = _mm_movelh_ps(a, b);
            const __m128 s1 = _mm_movehl_ps(b, a);
            const __m128 w = _mm_loadu_ps(run.weights + (f0 - g.birth));
            __m128 v = _mm_mul_ps(_mm_add_ps(s0, _mm_mul_ps(_mm_sub_ps(s1, s0), frac)), w);
            // Only a grain born or dying inside the block needs lanes cleared;
            // lanes past the run are never used.
            if (g.birth > f0 || g.death < end) {
                const __m128i live = _mm_andnot_si128(_mm_cmpgt_epi32(_mm_set1_epi32(g.birth - f0), lane),
                                                      _mm_cmpgt_epi32(_mm_set1_epi32(g.death - f0), lane));
                v = _mm_and_ps(v, _mm_castsi128_ps(live));
            }
            sum = _mm_add_ps(sum, v);
        }
        _mm_storeu_ps(out + f0, sum);
    }
}

#else

bool grainKernelSse2Built()
{
    return false;
}

void renderVoiceSse2(const GrainRenderer::VoiceRun& run, float* out)
{
    renderVoicePortable(run, out);
}

#endif
