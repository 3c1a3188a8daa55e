// The voices' per-frame advances over a run: the fraction each frame reads
// between two sample values, and how far the voice has read since the run
// began, unwrapped (travel) and wrapped to the sample (offset). Each voice
// is a serial chain of float adds and conversions, so the voices are worked
// out side by side, a lane each, and turned into one row per voice for the
// kernels.
#include "engine/GrainRenderer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif
#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PARVOLINO_ADVANCE_AVX2 1 // as the AVX2 kernel: not on Windows
#endif

namespace {

#if defined(__SSE2__)
// Up to kSlots voices a lane each, and where each lane's rows go; lanes past
// the last voice write to a scratch row.
struct Lanes {
    alignas(16) float rate[GrainRenderer::kSlots];
    alignas(16) float frac[GrainRenderer::kSlots];
    alignas(16) int32_t length[GrainRenderer::kSlots];
    float* fracRow[GrainRenderer::kSlots];
    int32_t* travelRow[GrainRenderer::kSlots];
    int32_t* offsetRow[GrainRenderer::kSlots];
};

// Stores four frames of four lanes, given frame by frame, as four lanes' rows.
inline void storeTransposed(__m128 (&byFrame)[4], float* const* rows, int32_t k)
{
    _MM_TRANSPOSE4_PS(byFrame[0], byFrame[1], byFrame[2], byFrame[3]);
#pragma GCC unroll 4
    for (int32_t j = 0; j < 4; ++j)
        _mm_storeu_ps(rows[j] + k, byFrame[j]);
}

inline void storeTransposed(__m128i (&byFrame)[4], int32_t* const* rows, int32_t k)
{
    __m128 f[4] = {_mm_castsi128_ps(byFrame[0]), _mm_castsi128_ps(byFrame[1]), _mm_castsi128_ps(byFrame[2]),
                   _mm_castsi128_ps(byFrame[3])};
    _MM_TRANSPOSE4_PS(f[0], f[1], f[2], f[3]);
#pragma GCC unroll 4
    for (int32_t j = 0; j < 4; ++j)
        _mm_storeu_ps(reinterpret_cast<float*>(rows[j] + k), f[j]);
}

// kGroups groups of four lanes from `lane` on, four frames at a time; the
// groups' chains interleave, so one's latency hides behind the others' work.
// Every advance is below the sample length: one wrap at most per frame.
template <int kGroups>
void advanceGroups(const Lanes& lanes, int32_t lane, int32_t frames)
{
    // A lane's rate lies in [n, n + 1) for a whole n, and its fraction in
    // [0, 1): their sum t rounds to a float in [n, n + 2), whose integer part
    // is n, or n + 1 from n + 1 on. t less that is exact whichever way it is
    // formed, so the chain needs no conversions: (t - n) - (t >= n + 1).
    __m128 rate[kGroups], frac[kGroups], whole[kGroups], next[kGroups];
    __m128i wholeSteps[kGroups];
    __m128i length[kGroups], last[kGroups], travel[kGroups], offset[kGroups];
#pragma GCC unroll 4
    for (int32_t q = 0; q < kGroups; ++q) {
        rate[q] = _mm_load_ps(lanes.rate + lane + 4 * q);
        frac[q] = _mm_load_ps(lanes.frac + lane + 4 * q);
        wholeSteps[q] = _mm_cvttps_epi32(rate[q]);
        whole[q] = _mm_cvtepi32_ps(wholeSteps[q]);
        next[q] = _mm_add_ps(whole[q], _mm_set1_ps(1.0f));
        length[q] = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes.length + lane + 4 * q));
        last[q] = _mm_sub_epi32(length[q], _mm_set1_epi32(1));
        travel[q] = _mm_setzero_si128();
        offset[q] = _mm_setzero_si128();
    }
    for (int32_t k = 0; k < frames; k += 4) {
        __m128 fracs[kGroups][4];
        __m128i travels[kGroups][4], offsets[kGroups][4];
#pragma GCC unroll 4
        for (int32_t j = 0; j < 4; ++j) {
#pragma GCC unroll 4
            for (int32_t q = 0; q < kGroups; ++q) {
                const __m128 t = _mm_add_ps(rate[q], frac[q]);
                const __m128 up = _mm_cmpge_ps(t, next[q]);
                frac[q] = _mm_sub_ps(_mm_sub_ps(t, whole[q]), _mm_and_ps(up, _mm_set1_ps(1.0f)));
                const __m128i step = _mm_sub_epi32(wholeSteps[q], _mm_castps_si128(up));
                travel[q] = _mm_add_epi32(travel[q], step);
                const __m128i m = _mm_add_epi32(offset[q], step);
                offset[q] = _mm_sub_epi32(m, _mm_and_si128(_mm_cmpgt_epi32(m, last[q]), length[q]));
                fracs[q][j] = frac[q];
                travels[q][j] = travel[q];
                offsets[q][j] = offset[q];
            }
        }
#pragma GCC unroll 4
        for (int32_t q = 0; q < kGroups; ++q) {
            storeTransposed(fracs[q], lanes.fracRow + lane + 4 * q, k);
            storeTransposed(travels[q], lanes.travelRow + lane + 4 * q, k);
            storeTransposed(offsets[q], lanes.offsetRow + lane + 4 * q, k);
        }
    }
}
#endif

#if defined(PARVOLINO_ADVANCE_AVX2)
#define PARVOLINO_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

// Stores eight frames of eight lanes, given frame by frame, as eight lanes' rows.
PARVOLINO_AVX2_INLINE void storeTransposed8(__m256 (&r)[8], float* const* rows, int32_t k)
{
    __m256 t[8], u[8];
    #pragma GCC unroll 8
    for (int32_t i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_ps(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_ps(r[i], r[i + 1]);
    }
    #pragma GCC unroll 8
    for (int32_t i = 0; i < 8; i += 4) {
        u[i] = _mm256_shuffle_ps(t[i], t[i + 2], 0x44);
        u[i + 1] = _mm256_shuffle_ps(t[i], t[i + 2], 0xEE);
        u[i + 2] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0x44);
        u[i + 3] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0xEE);
    }
    #pragma GCC unroll 8
    for (int32_t j = 0; j < 4; ++j) {
        _mm256_storeu_ps(rows[j] + k, _mm256_permute2f128_ps(u[j], u[j + 4], 0x20));
        _mm256_storeu_ps(rows[j + 4] + k, _mm256_permute2f128_ps(u[j], u[j + 4], 0x31));
    }
}

PARVOLINO_AVX2_INLINE void storeTransposed8(__m256i (&r)[8], int32_t* const* rows, int32_t k)
{
    __m256 f[8];
    #pragma GCC unroll 8
    for (int32_t i = 0; i < 8; ++i)
        f[i] = _mm256_castsi256_ps(r[i]);
    storeTransposed8(f, reinterpret_cast<float* const*>(rows), k);
}

// The same as advanceGroups with groups of eight lanes.
template <int kGroups>
__attribute__((target("avx2"))) void advanceGroups8(const Lanes& lanes, int32_t lane, int32_t frames)
{
    __m256 rate[kGroups], frac[kGroups];
    __m256i length[kGroups], last[kGroups], travel[kGroups], offset[kGroups];
    #pragma GCC unroll 8
    for (int32_t q = 0; q < kGroups; ++q) {
        rate[q] = _mm256_loadu_ps(lanes.rate + lane + 8 * q);
        frac[q] = _mm256_loadu_ps(lanes.frac + lane + 8 * q);
        length[q] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.length + lane + 8 * q));
        last[q] = _mm256_sub_epi32(length[q], _mm256_set1_epi32(1));
        travel[q] = _mm256_setzero_si256();
        offset[q] = _mm256_setzero_si256();
    }
        for (int32_t k = 0; k < frames; k += 8) {
        __m256 fracs[kGroups][8];
        __m256i travels[kGroups][8], offsets[kGroups][8];
        #pragma GCC unroll 8
        for (int32_t j = 0; j < 8; ++j) {
            #pragma GCC unroll 8
            for (int32_t q = 0; q < kGroups; ++q) {
                // t less its integer part: the same float as t less the
                // converted truncation, one step shorter on the chain.
                const __m256 t = _mm256_add_ps(rate[q], frac[q]);
                const __m256i step = _mm256_cvttps_epi32(t);
                frac[q] = _mm256_sub_ps(t, _mm256_round_ps(t, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
                travel[q] = _mm256_add_epi32(travel[q], step);
                const __m256i m = _mm256_add_epi32(offset[q], step);
                offset[q] = _mm256_sub_epi32(m, _mm256_and_si256(_mm256_cmpgt_epi32(m, last[q]), length[q]));
                fracs[q][j] = frac[q];
                travels[q][j] = travel[q];
                offsets[q][j] = offset[q];
            }
        }
        #pragma GCC unroll 8
        for (int32_t q = 0; q < kGroups; ++q) {
            storeTransposed8(fracs[q], lanes.fracRow + lane + 8 * q, k);
            storeTransposed8(travels[q], lanes.travelRow + lane + 8 * q, k);
            storeTransposed8(offsets[q], lanes.offsetRow + lane + 8 * q, k);
        }
    }
}

#undef PARVOLINO_AVX2_INLINE
#endif

} // namespace

void GrainRenderer::advanceVoices(GrainVoice* voices, const int32_t* active, int32_t activeCount, int32_t frames)
{
#if defined(__SSE2__)
    bool small = true;
    for (int32_t a = 0; a < activeCount; ++a) {
        const GrainVoice& voice = voices[active[a]];
        if (!(voice.noteRate_ + 1.0f < static_cast<float>(voice.sampleLength_)))
            small = false;
    }
    if (small) {
        Lanes lanes;
        for (int32_t a = 0; a < kSlots; ++a) {
            const bool used = a < activeCount;
            const int32_t v = used ? active[a] : 0;
            lanes.rate[a] = used ? voices[v].noteRate_ : 0.0f;
            lanes.frac[a] = used ? voices[v].frac_ : 0.0f;
            lanes.length[a] = used ? voices[v].sampleLength_ : 1;
            lanes.fracRow[a] = used ? frac_[v] : scratchFrac_;
            lanes.travelRow[a] = used ? travel_[v] : scratchInt_;
            lanes.offsetRow[a] = used ? offset_[v] : scratchInt_;
        }
#if defined(PARVOLINO_ADVANCE_AVX2)
        if (kernel_ == Avx2) {
            // Two groups of eight cover the twelve voices, three every slot.
            if (activeCount > 16)
                advanceGroups8<3>(lanes, 0, frames);
            else if (activeCount > 8)
                advanceGroups8<2>(lanes, 0, frames);
            else
                advanceGroups8<1>(lanes, 0, frames);
            return;
        }
#endif
        // Three groups side by side cover the twelve voices; the fade slots
        // take more rounds.
        for (int32_t lane = 0; lane < activeCount; lane += 12) {
            const int32_t groups = (activeCount - lane + 3) / 4;
            if (groups >= 3)
                advanceGroups<3>(lanes, lane, frames);
            else if (groups == 2)
                advanceGroups<2>(lanes, lane, frames);
            else
                advanceGroups<1>(lanes, lane, frames);
        }
        return;
    }
#endif
    float fr[kSlots];
    int32_t travel[kSlots], offset[kSlots];
    for (int32_t a = 0; a < activeCount; ++a) {
        fr[a] = voices[active[a]].frac_;
        travel[a] = 0;
        offset[a] = 0;
    }
    for (int32_t k = 0; k < frames; ++k) {
        for (int32_t a = 0; a < activeCount; ++a) {
            const int32_t v = active[a];
            const int32_t length = voices[v].sampleLength_;
            const float t = voices[v].noteRate_ + fr[a];
            const int32_t step = static_cast<int32_t>(t);
            fr[a] = t - static_cast<float>(step);
            frac_[v][k] = fr[a];
            travel[a] += step;
            travel_[v][k] = travel[a];
            int32_t m = offset[a] + step;
            if (m >= length) {
                m -= length;
                if (m >= length)
                    m %= length;
            }
            offset[a] = m;
            offset_[v][k] = m;
        }
    }
}
