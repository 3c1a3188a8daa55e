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
    __m128 rate[kGroups], frac[kGroups];
    __m128i length[kGroups], last[kGroups], travel[kGroups], offset[kGroups];
#pragma GCC unroll 4
    for (int32_t q = 0; q < kGroups; ++q) {
        rate[q] = _mm_load_ps(lanes.rate + lane + 4 * q);
        frac[q] = _mm_load_ps(lanes.frac + lane + 4 * q);
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
                const __m128i step = _mm_cvttps_epi32(t);
                frac[q] = _mm_sub_ps(t, _mm_cvtepi32_ps(step));
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
