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
    const __m128i lengthV = _mm_set1_epi32(run.length);
    const __m128i lastV = _mm_set1_epi32(run.length - 1);
    const float* data = run.data;
    int32_t first = 0;
    for (int32_t f0 = 0; f0 < run.frames; f0 += 4) {
        while (first < run.grainCount && run.grains[first].death <= f0)
            ++first;
        const __m128 frac = _mm_loadu_ps(run.frac + f0);
        const __m128i offset = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run.offset + f0));
        const int32_t end = f0 + 4;
        const int32_t stop = run.frames < end ? run.frames : end;
        __m128 sum = _mm_setzero_ps();
        for (int32_t i = first; i < run.grainCount && run.grains[i].birth < end; ++i) {
            const GrainRenderer::Span& g = run.grains[i];
            const int32_t hi = (g.death < stop ? g.death : stop) - f0;
            const __m128i live = _mm_and_si128(_mm_cmpgt_epi32(lane, _mm_set1_epi32(g.birth - f0 - 1)),
                                               _mm_cmplt_epi32(lane, _mm_set1_epi32(hi)));
            __m128i p = _mm_add_epi32(_mm_set1_epi32(g.anchor), offset);
            p = _mm_sub_epi32(p, _mm_and_si128(_mm_cmpgt_epi32(p, lastV), lengthV));
            alignas(16) int32_t at[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(at), p);
            const __m128 s0 = _mm_setr_ps(data[at[0]], data[at[1]], data[at[2]], data[at[3]]);
            const __m128 s1 = _mm_setr_ps(data[at[0] + 1], data[at[1] + 1], data[at[2] + 1], data[at[3] + 1]);
            const __m128 w = _mm_loadu_ps(run.weights + (f0 - g.birth));
            const __m128 v = _mm_add_ps(s0, _mm_mul_ps(_mm_sub_ps(s1, s0), frac));
            sum = _mm_add_ps(sum, _mm_and_ps(_mm_mul_ps(v, w), _mm_castsi128_ps(live)));
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
