// The grain kernel eight frames at a time with AVX2, chosen at run time.
// Only multiplies and adds, never fused: the same roundings as the scalar path.
// Not built for Windows, whose compilers do not keep the stack aligned for
// 32-byte spills.
#include "engine/GrainRenderer.h"

#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

bool grainKernelAvx2Built()
{
    return true;
}

__attribute__((target("avx2"))) void renderVoiceAvx2(const GrainRenderer::VoiceRun& run, float* out)
{
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i lengthV = _mm256_set1_epi32(run.length);
    const __m256i lastV = _mm256_set1_epi32(run.length - 1);
    const float* data = run.data;
    int32_t first = 0;
    for (int32_t f0 = 0; f0 < run.frames; f0 += 8) {
        while (first < run.grainCount && run.grains[first].death <= f0)
            ++first;
        const __m256 frac = _mm256_loadu_ps(run.frac + f0);
        const __m256i offset = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.offset + f0));
        const int32_t end = f0 + 8;
        const int32_t stop = run.frames < end ? run.frames : end;
        __m256 sum = _mm256_setzero_ps();
        for (int32_t i = first; i < run.grainCount && run.grains[i].birth < end; ++i) {
            const GrainRenderer::Span& g = run.grains[i];
            const int32_t hi = (g.death < stop ? g.death : stop) - f0;
            const __m256i live = _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(g.birth - f0), lane),
                                                     _mm256_cmpgt_epi32(_mm256_set1_epi32(hi), lane));
            __m256i p = _mm256_add_epi32(_mm256_set1_epi32(g.anchor), offset);
            p = _mm256_sub_epi32(p, _mm256_and_si256(_mm256_cmpgt_epi32(p, lastV), lengthV));
            const __m256 s0 = _mm256_i32gather_ps(data, p, 4);
            const __m256 s1 = _mm256_i32gather_ps(data + 1, p, 4);
            const __m256 w = _mm256_loadu_ps(run.weights + (f0 - g.birth));
            const __m256 v = _mm256_add_ps(s0, _mm256_mul_ps(_mm256_sub_ps(s1, s0), frac));
            sum = _mm256_add_ps(sum, _mm256_and_ps(_mm256_mul_ps(v, w), _mm256_castsi256_ps(live)));
        }
        _mm256_storeu_ps(out + f0, sum);
    }
}

#else

bool grainKernelAvx2Built()
{
    return false;
}

void renderVoiceAvx2(const GrainRenderer::VoiceRun& run, float* out)
{
    renderVoiceSse2(run, out);
}

#endif
