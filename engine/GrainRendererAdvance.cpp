// The voices' per-frame advances over a run: the fraction each frame reads
// between two sample values, and how far the voice has read since the run
// began (its travel). Each voice is a serial chain of float adds, so the
// voices are worked out side by side, a lane each, and turned into one row
// per voice for the kernels.
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
    float rate[GrainRenderer::kSlots];
    float frac[GrainRenderer::kSlots];
    float* fracRow[GrainRenderer::kSlots];
    int32_t* travelRow[GrainRenderer::kSlots];
};

// Four or eight lanes in the compiler's vector types: the chains below are
// written once for both, and an eight-lane chain compiled inside a function
// for AVX2 uses its registers.
template <int kLanes>
struct LaneVectors;
template <>
struct LaneVectors<4> {
    typedef float F __attribute__((vector_size(16)));
    typedef int32_t I __attribute__((vector_size(16)));
    // The same, read from anywhere in an array of lanes.
    typedef float LoadF __attribute__((vector_size(16), aligned(4), may_alias));
};
template <>
struct LaneVectors<8> {
    typedef float F __attribute__((vector_size(32)));
    typedef int32_t I __attribute__((vector_size(32)));
    typedef float LoadF __attribute__((vector_size(32), aligned(4), may_alias));
};

// kGroups groups of kLanes lanes from `lane` on, advanced kLanes frames at a
// time; the groups' chains interleave, so one's latency hides behind the
// others' work.
//
// A lane's rate lies in [n, n + 1) for a whole n, and its fraction in [0, 1):
// their sum t rounds to a float in [n, n + 2), whose integer part is n, or
// n + 1 from n + 1 on. t less that is exact, the same float the per-sample
// path forms, and the chain needs no conversions: t - n or t - (n + 1),
// both worked out while t is compared.
template <int kLanes, int kGroups>
struct Chains {
    using F = typename LaneVectors<kLanes>::F;
    using I = typename LaneVectors<kLanes>::I;

    F rate[kGroups], frac[kGroups], whole[kGroups], next[kGroups];
    I wholeSteps[kGroups], travel[kGroups];
    // The last kLanes frames' values, frame by frame, for the rows.
    F fracs[kGroups][kLanes];
    I travels[kGroups][kLanes];

    __attribute__((always_inline)) Chains(const Lanes& lanes, int32_t lane)
    {
        for (int32_t q = 0; q < kGroups; ++q) {
            const int32_t first = lane + kLanes * q;
            using LoadF = typename LaneVectors<kLanes>::LoadF;
            rate[q] = *reinterpret_cast<const LoadF*>(lanes.rate + first);
            frac[q] = *reinterpret_cast<const LoadF*>(lanes.frac + first);
            wholeSteps[q] = __builtin_convertvector(rate[q], I);
            whole[q] = __builtin_convertvector(wholeSteps[q], F);
            next[q] = whole[q] + 1.0f;
            travel[q] = I{};
        }
    }

    __attribute__((always_inline)) void advance()
    {
#pragma GCC unroll 8
        for (int32_t j = 0; j < kLanes; ++j) {
#pragma GCC unroll 4
            for (int32_t q = 0; q < kGroups; ++q) {
                const F t = rate[q] + frac[q];
                const I up = t >= next[q];
                frac[q] = up ? t - next[q] : t - whole[q];
                travel[q] += wholeSteps[q] - up;
                fracs[q][j] = frac[q];
                travels[q][j] = travel[q];
            }
        }
    }
};

// Stores four frames of four lanes, given frame by frame, as four lanes' rows.
inline void storeTransposed(const LaneVectors<4>::F (&byFrame)[4], float* const* rows, int32_t k)
{
    __m128 r0 = byFrame[0], r1 = byFrame[1], r2 = byFrame[2], r3 = byFrame[3];
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    _mm_storeu_ps(rows[0] + k, r0);
    _mm_storeu_ps(rows[1] + k, r1);
    _mm_storeu_ps(rows[2] + k, r2);
    _mm_storeu_ps(rows[3] + k, r3);
}

inline void storeTransposed(const LaneVectors<4>::I (&byFrame)[4], int32_t* const* rows, int32_t k)
{
    const LaneVectors<4>::F f[4] = {(LaneVectors<4>::F)byFrame[0], (LaneVectors<4>::F)byFrame[1],
                                    (LaneVectors<4>::F)byFrame[2], (LaneVectors<4>::F)byFrame[3]};
    storeTransposed(f, reinterpret_cast<float* const*>(rows), k);
}

template <int kGroups>
void advanceGroups(const Lanes& lanes, int32_t lane, int32_t frames)
{
    Chains<4, kGroups> c(lanes, lane);
    for (int32_t k = 0; k < frames; k += 4) {
        c.advance();
#pragma GCC unroll 4
        for (int32_t q = 0; q < kGroups; ++q) {
            storeTransposed(c.fracs[q], lanes.fracRow + lane + 4 * q, k);
            storeTransposed(c.travels[q], lanes.travelRow + lane + 4 * q, k);
        }
    }
}
#endif

#if defined(PARVOLINO_ADVANCE_AVX2)
// Stores eight frames of eight lanes, given frame by frame, as eight lanes' rows.
__attribute__((target("avx2"), always_inline)) inline void storeTransposed8(const LaneVectors<8>::F (&r)[8],
                                                                          float* const* rows, int32_t k)
{
    __m256 t[8], u[8];
#pragma GCC unroll 4
    for (int32_t i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_ps(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_ps(r[i], r[i + 1]);
    }
#pragma GCC unroll 2
    for (int32_t i = 0; i < 8; i += 4) {
        u[i] = _mm256_shuffle_ps(t[i], t[i + 2], 0x44);
        u[i + 1] = _mm256_shuffle_ps(t[i], t[i + 2], 0xEE);
        u[i + 2] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0x44);
        u[i + 3] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0xEE);
    }
#pragma GCC unroll 4
    for (int32_t j = 0; j < 4; ++j) {
        _mm256_storeu_ps(rows[j] + k, _mm256_permute2f128_ps(u[j], u[j + 4], 0x20));
        _mm256_storeu_ps(rows[j + 4] + k, _mm256_permute2f128_ps(u[j], u[j + 4], 0x31));
    }
}

__attribute__((target("avx2"), always_inline)) inline void storeTransposed8(const LaneVectors<8>::I (&r)[8],
                                                                          int32_t* const* rows, int32_t k)
{
    LaneVectors<8>::F f[8];
#pragma GCC unroll 8
    for (int32_t i = 0; i < 8; ++i)
        f[i] = (LaneVectors<8>::F)r[i];
    storeTransposed8(f, reinterpret_cast<float* const*>(rows), k);
}

// The same with groups of eight lanes, for the AVX2 kernel.
template <int kGroups>
__attribute__((target("avx2"))) void advanceGroups8(const Lanes& lanes, int32_t frames)
{
    Chains<8, kGroups> c(lanes, 0);
    for (int32_t k = 0; k < frames; k += 8) {
        c.advance();
#pragma GCC unroll 4
        for (int32_t q = 0; q < kGroups; ++q) {
            storeTransposed8(c.fracs[q], lanes.fracRow + 8 * q, k);
            storeTransposed8(c.travels[q], lanes.travelRow + 8 * q, k);
        }
    }
}
#endif

} // namespace

void GrainRenderer::advanceVoices(GrainVoice* voices, const int32_t* active, int32_t activeCount, int32_t frames)
{
#if defined(__SSE2__)
    Lanes lanes;
    for (int32_t a = 0; a < kSlots; ++a) {
        const bool used = a < activeCount;
        const int32_t v = used ? active[a] : 0;
        lanes.rate[a] = used ? voices[v].noteRate_ : 0.0f;
        lanes.frac[a] = used ? voices[v].frac_ : 0.0f;
        lanes.fracRow[a] = used ? frac_[v] : scratchFrac_;
        lanes.travelRow[a] = used ? travel_[v] : scratchTravel_;
    }
#if defined(PARVOLINO_ADVANCE_AVX2)
    if (kernel_ == Avx2) {
        // Two groups of eight cover the twelve voices, three every slot.
        if (activeCount > 16)
            advanceGroups8<3>(lanes, frames);
        else if (activeCount > 8)
            advanceGroups8<2>(lanes, frames);
        else
            advanceGroups8<1>(lanes, frames);
        return;
    }
#endif
    // Three groups side by side cover the twelve voices; the fade slots take
    // more rounds.
    for (int32_t lane = 0; lane < activeCount; lane += 12) {
        const int32_t groups = (activeCount - lane + 3) / 4;
        if (groups >= 3)
            advanceGroups<3>(lanes, lane, frames);
        else if (groups == 2)
            advanceGroups<2>(lanes, lane, frames);
        else
            advanceGroups<1>(lanes, lane, frames);
    }
#else
    for (int32_t a = 0; a < activeCount; ++a) {
        const int32_t v = active[a];
        float frac = voices[v].frac_;
        int32_t travel = 0;
        for (int32_t k = 0; k < frames; ++k) {
            const float t = voices[v].noteRate_ + frac;
            const int32_t step = static_cast<int32_t>(t);
            frac = t - static_cast<float>(step);
            travel += step;
            frac_[v][k] = frac;
            travel_[v][k] = travel;
        }
    }
#endif
}
