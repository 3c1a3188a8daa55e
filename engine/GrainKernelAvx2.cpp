// The grain kernel with AVX2, chosen at run time: sixteen frames at a time
// in two halves of eight lanes. Lanes are frames: each lane adds the voice's
// grains oldest first, as the per-sample path does, with only multiplies and
// adds, never fused: the same roundings. A stereo sample's right channel is
// read at the same positions, in the same way, and summed apart.
// Not built for Windows, whose compilers do not keep the stack aligned for
// 32-byte spills.
#include "engine/GrainKernelBlock.h"

#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

bool grainKernelAvx2Built()
{
    return true;
}

namespace {

#define PARVOLINO_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

constexpr int32_t kWidth = 16; // frames per block
// A run whose half blocks read both values of every frame within one window
// of eight values (slow notes), so that one load serves both.
constexpr int kNarrow = -1;
// Runs read by quarters of four frames, each quarter from its own first
// frame's position: one permute gives both values of its four frames, from
// one window of eight values (kQuarters1) or two (kQuarters2), and two
// exchanges of 128-bit lanes regroup two quarters into a half's first and
// second values. From one to about four and a half frames per sample this
// takes fewer permutes and blends than windows over whole halves, which
// would need up to five.
constexpr int kQuarters1 = -2;
constexpr int kQuarters2 = -3;
constexpr bool byQuarters(int windows)
{
    return windows == kQuarters1 || windows == kQuarters2;
}

// How the eight frames of a half block read: each one's fraction, and how
// far it reads from the half's first frame.
struct Half {
    __m256 frac;
    __m256i distance;
    __m256i next; // the distance plus one, for narrow runs
    // Bit 3 of the distance in the sign bit: which of two windows of eight
    // values a frame's value lies in.
    __m256 window8;
    // By quarters: each quarter's reads from its first frame's position,
    // the four first values' then the four second values'; the sign bit
    // says which of two windows a value lies in (a permute reads only the
    // low three bits).
    __m256i quarter[2];
};

// What every grain of the voice shares in one block.
struct Block {
    int32_t f0;
    intptr_t travel; // the voice's travel up to f0
    int32_t second; // how far the second half's first frame reads from f0
    intptr_t limit; // the highest position at f0 whose whole block reads inside the sample
    Half half[2];
    int32_t d[kWidth]; // how far each frame reads from f0, for reads pair by pair
    intptr_t quarterAt[4]; // how far each quarter's first frame reads from f0
};

// A quarter's reads from its first frame f's position: the first values in
// the low lanes, the second in the high ones.
template <int kWindows>
PARVOLINO_AVX2_INLINE __m256i quarterAt(const GrainRenderer::VoiceRun& run, int32_t f)
{
    const __m128i first = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(run.travel + f)),
                                        _mm_set1_epi32(run.travel[f]));
    const __m256i both = _mm256_set_m128i(_mm_add_epi32(first, _mm_set1_epi32(1)), first);
    if constexpr (kWindows == kQuarters2)
        return _mm256_or_si256(both, _mm256_slli_epi32(both, 28));
    return both;
}

// b where the sign bit of `sign` is set, else a. The instruction itself: for
// _mm256_blendv_ps the compiler keeps a compared mask beside the indices
// that carry the sign bit, one register more per quarter, and the stereo
// loop's sums then go to the stack.
PARVOLINO_AVX2_INLINE __m256 blendBySign(__m256 a, __m256 b, __m256i sign)
{
    __m256 out;
    __asm__("vblendvps %3, %2, %1, %0" : "=x"(out) : "x"(a), "x"(b), "x"(sign));
    return out;
}

template <int kWindows>
PARVOLINO_AVX2_INLINE Half halfAt(const GrainRenderer::VoiceRun& run, int32_t f)
{
    Half h;
    h.frac = _mm256_loadu_ps(run.frac + f);
    if constexpr (byQuarters(kWindows)) {
        h.quarter[0] = quarterAt<kWindows>(run, f);
        h.quarter[1] = quarterAt<kWindows>(run, f + 4);
        return h;
    }
    h.distance = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.travel + f)),
                                  _mm256_set1_epi32(run.travel[f]));
    if constexpr (kWindows == kNarrow)
        h.next = _mm256_add_epi32(h.distance, _mm256_set1_epi32(1));
    h.window8 = _mm256_castsi256_ps(_mm256_slli_epi32(h.distance, 28));
    return h;
}

// kWindows 1 or 2: each half's reads lie within that many windows of eight
// values from its first frame's position, one set for the first value of
// each frame and one from the next value on for the second; kNarrow: one
// window for both; by quarters: see kQuarters1; 0: farther apart, read pair
// by pair.
template <int kWindows>
PARVOLINO_AVX2_INLINE Block blockAt(const GrainRenderer::VoiceRun& run, int32_t f0)
{
    Block b;
    b.f0 = f0;
    b.travel = run.travel[f0];
    b.second = run.travel[f0 + 8] - run.travel[f0];
    b.half[0] = halfAt<kWindows>(run, f0);
    b.half[1] = halfAt<kWindows>(run, f0 + 8);
    if constexpr (kWindows == kNarrow) {
        b.limit = run.length - 7 - b.second;
    } else if constexpr (byQuarters(kWindows)) {
#pragma GCC unroll 4
        for (int32_t q = 0; q < 4; ++q)
            b.quarterAt[q] = run.travel[f0 + 4 * q] - run.travel[f0];
        b.limit = run.length + 1 - (kWindows == kQuarters1 ? 8 : 16) - b.quarterAt[3];
    } else if constexpr (kWindows > 0) {
        b.limit = run.length - 8 * kWindows - b.second;
    } else {
        const __m256i first = _mm256_set1_epi32(run.travel[f0]);
#pragma GCC unroll 2
        for (int32_t h = 0; h < 2; ++h)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(b.d + 8 * h),
                                _mm256_sub_epi32(_mm256_loadu_si256(
                                                     reinterpret_cast<const __m256i*>(run.travel + f0 + 8 * h)),
                                                 first));
        b.limit = run.length - 1 - b.d[kWidth - 1];
    }
    return b;
}

// The value each frame reads from p on, p[distance], within `kWindows`
// windows of eight values: a permute per window, blended by window.
template <int kWindows>
PARVOLINO_AVX2_INLINE __m256 valuesAt(const float* p, const Half& h)
{
    static_assert(kWindows == 1 || kWindows == 2);
    const __m256 a = _mm256_permutevar8x32_ps(_mm256_loadu_ps(p), h.distance);
    if constexpr (kWindows == 1)
        return a;
    return _mm256_blendv_ps(a, _mm256_permutevar8x32_ps(_mm256_loadu_ps(p + 8), h.distance), h.window8);
}

// A quarter's first and second values, read from p on.
template <int kWindows>
PARVOLINO_AVX2_INLINE __m256 quarterValues(const float* p, __m256i quarter)
{
    const __m256 a = _mm256_permutevar8x32_ps(_mm256_loadu_ps(p), quarter);
    if constexpr (kWindows == kQuarters1)
        return a;
    return blendBySign(a, _mm256_permutevar8x32_ps(_mm256_loadu_ps(p + 8), quarter), quarter);
}

// Frame j's two neighbouring sample values, (p[j], p[j + 1]), in one load.
PARVOLINO_AVX2_INLINE __m128 pairAt(const float* p)
{
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// Eight frames' pairs of values, from p + at[j], regrouped into the eight
// first and the eight second values.
PARVOLINO_AVX2_INLINE void pairsAt(const float* p, const int32_t* at, __m256& s0, __m256& s1)
{
    const __m128 a = _mm_unpacklo_ps(pairAt(p + at[0]), pairAt(p + at[1]));
    const __m128 b = _mm_unpacklo_ps(pairAt(p + at[2]), pairAt(p + at[3]));
    const __m128 c = _mm_unpacklo_ps(pairAt(p + at[4]), pairAt(p + at[5]));
    const __m128 d = _mm_unpacklo_ps(pairAt(p + at[6]), pairAt(p + at[7]));
    s0 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_movelh_ps(a, b)), _mm_movelh_ps(c, d), 1);
    s1 = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_movehl_ps(b, a)), _mm_movehl_ps(d, c), 1);
}

// The interpolated value of eight frames times their envelope weights.
PARVOLINO_AVX2_INLINE __m256 weighted(__m256 s0, __m256 s1, __m256 frac, __m256 w)
{
    return _mm256_mul_ps(_mm256_add_ps(s0, _mm256_mul_ps(_mm256_sub_ps(s1, s0), frac)), w);
}

// One channel of one grain over the block, from its position at f0:
// weighted values per half.
template <int kWindows>
PARVOLINO_AVX2_INLINE void channelValues(const float* p, const Block& b, const float* weights, __m256 (&v)[2])
{
#pragma GCC unroll 2
    for (int32_t h = 0; h < 2; ++h) {
        __m256 s0, s1;
        if constexpr (kWindows == kNarrow) {
            const __m256 window = _mm256_loadu_ps(p + (h == 0 ? 0 : b.second));
            s0 = _mm256_permutevar8x32_ps(window, b.half[h].distance);
            s1 = _mm256_permutevar8x32_ps(window, b.half[h].next);
        } else if constexpr (byQuarters(kWindows)) {
            const __m256 x = quarterValues<kWindows>(p + b.quarterAt[2 * h], b.half[h].quarter[0]);
            const __m256 y = quarterValues<kWindows>(p + b.quarterAt[2 * h + 1], b.half[h].quarter[1]);
            s0 = _mm256_permute2f128_ps(x, y, 0x20);
            s1 = _mm256_permute2f128_ps(x, y, 0x31);
        } else if constexpr (kWindows > 0) {
            const float* q = p + (h == 0 ? 0 : b.second);
            s0 = valuesAt<kWindows>(q, b.half[h]);
            s1 = valuesAt<kWindows>(q + 1, b.half[h]);
        } else {
            pairsAt(p, b.d + 8 * h, s0, s1);
        }
        v[h] = weighted(s0, s1, b.half[h].frac, _mm256_loadu_ps(weights + 8 * h));
    }
}

// The same for reads that cross the sample's end: frame by frame, each
// position wrapped on its own.
PARVOLINO_AVX2_INLINE void wrappedValues(const GrainRenderer::VoiceRun& run, const float* data, const Block& b,
                                         int32_t anchor, const float* weights, __m256 (&v)[2])
{
    int32_t at[kWidth];
    for (int32_t j = 0; j < kWidth; ++j)
        at[j] = insideSample(anchor + run.travel[b.f0 + j], run.length);
    for (int32_t h = 0; h < 2; ++h) {
        __m256 s0, s1;
        pairsAt(data, at + 8 * h, s0, s1);
        v[h] = weighted(s0, s1, b.half[h].frac, _mm256_loadu_ps(weights + 8 * h));
    }
}

// One grain's weighted values over the block, left (v) and right (r), where
// its position has passed the sample's end: the position comes round to its
// start, and reads that would cross the end go frame by frame. Rare, and
// kept out of the grain loop, whose registers it would take; it works out
// the block again, so that the loop's block never has to be in memory.
template <int kWindows, bool kStereo>
__attribute__((target("avx2"), noinline, cold)) void valuesPastTheEnd(const GrainRenderer::VoiceRun& run,
                                                                      int32_t f0, const GrainRow& g,
                                                                      const float* weights, __m256 (&v)[2],
                                                                      __m256 (&r)[2])
{
    const Block b = blockAt<kWindows>(run, f0);
    const intptr_t base = insideSample(static_cast<int32_t>(g.anchor + b.travel), run.length);
    if (base <= b.limit) {
        channelValues<kWindows>(run.data + base, b, weights, v);
        if constexpr (kStereo)
            channelValues<kWindows>(run.right + base, b, weights, r);
    } else {
        wrappedValues(run, run.data, b, static_cast<int32_t>(g.anchor), weights, v);
        if constexpr (kStereo)
            wrappedValues(run, run.right, b, static_cast<int32_t>(g.anchor), weights, r);
    }
}

// One grain's weighted values over the block, left (v) and right (r); the
// run's channels come as locals, which the call above cannot change.
template <int kWindows, bool kStereo>
PARVOLINO_AVX2_INLINE void grainValues(const GrainRenderer::VoiceRun& run, const float* data, const float* right,
                                       const Block& b, const GrainRow& g, const float* weights, __m256 (&v)[2],
                                       __m256 (&r)[2])
{
    const intptr_t base = g.anchor + b.travel;
    if (__builtin_expect(base > b.limit, 0)) {
        valuesPastTheEnd<kWindows, kStereo>(run, b.f0, g, weights, v, r);
        return;
    }
    channelValues<kWindows>(data + base, b, weights, v);
    if constexpr (kStereo)
        channelValues<kWindows>(right + base, b, weights, r);
}

// Adds grains [from, to), each only in the lanes where it sounds: a
// cleared lane adds +0.0, which leaves a sum that started at +0.0 as it is.
template <int kWindows, bool kStereo>
PARVOLINO_AVX2_INLINE void addClipped(const GrainRenderer::VoiceRun& shared, const GrainRenderer::VoiceRun& run,
                                      const GrainRows& rows, const Block& b, int32_t from, int32_t to,
                                      __m256 (&sum)[2], __m256 (&sumRight)[2])
{
    for (int32_t i = from; i < to; ++i) {
        const GrainRenderer::Span& g = run.grains[i];
        __m256 v[2], r[2];
        grainValues<kWindows, kStereo>(shared, run.data, run.right, b, rows.row[i],
                                       run.weights + b.f0 + rows.row[i].weightAt, v, r);
#pragma GCC unroll 2
        for (int32_t h = 0; h < 2; ++h) {
            const __m256i lane = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(8 * h));
            const __m256 live = _mm256_castsi256_ps(
                _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(g.birth - b.f0), lane),
                                    _mm256_cmpgt_epi32(_mm256_set1_epi32(g.death - b.f0), lane)));
            sum[h] = _mm256_add_ps(sum[h], _mm256_and_ps(v[h], live));
            if constexpr (kStereo)
                sumRight[h] = _mm256_add_ps(sumRight[h], _mm256_and_ps(r[h], live));
        }
    }
}

// Adds a block's sums times the voice's level into the run's totals.
template <bool kStereo>
PARVOLINO_AVX2_INLINE void addToTotals(const GrainRenderer::VoiceRun& run, int32_t f0, const __m256 (&sum)[2],
                                       const __m256 (&sumRight)[2])
{
#pragma GCC unroll 2
    for (int32_t h = 0; h < 2; ++h) {
        const int32_t f = f0 + 8 * h;
        const __m256 level = run.levels != nullptr ? _mm256_loadu_ps(run.levels + f) : _mm256_set1_ps(run.gain);
        _mm256_storeu_ps(run.total + f, _mm256_add_ps(_mm256_loadu_ps(run.total + f), _mm256_mul_ps(sum[h], level)));
        if (run.totalRight != nullptr)
            _mm256_storeu_ps(run.totalRight + f,
                             _mm256_add_ps(_mm256_loadu_ps(run.totalRight + f),
                                           _mm256_mul_ps(kStereo ? sumRight[h] : sum[h], level)));
    }
}

template <int kWindows, bool kStereo>
__attribute__((target("avx2"))) void renderVoice(const GrainRenderer::VoiceRun& shared)
{
    // A copy the rare call past the sample's end never sees, so that the
    // run's fields stay in registers rather than being read again after it
    // and after every store into the totals.
    const GrainRenderer::VoiceRun run = shared;
    const GrainRows rows(run);
    const float* const data = run.data;
    const float* const right = run.right;
    BlockGrains grains(run.grains, run.grainCount, kWidth);
    for (int32_t f0 = 0; f0 < run.frames; f0 += kWidth) {
        const Block b = blockAt<kWindows>(run, f0);
        grains.moveTo(f0);
        __m256 sum[2] = {_mm256_setzero_ps(), _mm256_setzero_ps()};
        __m256 sumRight[2] = {_mm256_setzero_ps(), _mm256_setzero_ps()};
        addClipped<kWindows, kStereo>(shared, run, rows, b, grains.endingFrom(), grains.wholeFrom(), sum, sumRight);
        const float* weights = run.weights + f0;
        const GrainRow* end = rows.row + grains.wholeTo();
        for (const GrainRow* g = rows.row + grains.wholeFrom(); g < end; ++g) {
            __m256 v[2], r[2];
            grainValues<kWindows, kStereo>(shared, data, right, b, *g, weights + g->weightAt, v, r);
#pragma GCC unroll 2
            for (int32_t h = 0; h < 2; ++h) {
                sum[h] = _mm256_add_ps(sum[h], v[h]);
                if constexpr (kStereo)
                    sumRight[h] = _mm256_add_ps(sumRight[h], r[h]);
            }
        }
        addClipped<kWindows, kStereo>(shared, run, rows, b, grains.wholeTo(), grains.bornTo(), sum, sumRight);
        addToTotals<kStereo>(run, f0, sum, sumRight);
    }
}

template <bool kStereo>
__attribute__((target("avx2"))) void renderVoiceReading(const GrainRenderer::VoiceRun& run)
{
    // The farthest a half block can read from its first frame's position
    // decides how the whole run reads. Seven advances sum to 7 * rate plus
    // the first fraction less the last, plus the roundings of the sums
    // (each below half a unit in the last place of rate + 1): less than
    // 7 * rate + 1 and a margin far above those roundings. A quarter's
    // three advances likewise reach less than 3 * rate + 1.
    const double rate = run.rate;
    const double margin = 1e-5 * (rate + 1.0);
    const int32_t reach = rate < 1024.0 ? static_cast<int32_t>(7.0 * rate + 1.0 + margin) : 1 << 20;
    const int32_t quarterReach = rate < 1024.0 ? static_cast<int32_t>(3.0 * rate + 1.0 + margin) : 1 << 20;
    // The cheapest reading that holds every value: each one's second value
    // lies one further on.
    if (reach + 1 < 8)
        renderVoice<kNarrow, kStereo>(run);
    else if (reach < 8)
        renderVoice<1, kStereo>(run);
    else if (quarterReach + 1 < 8)
        renderVoice<kQuarters1, kStereo>(run);
    else if (reach < 16)
        renderVoice<2, kStereo>(run);
    else if (quarterReach + 1 < 16)
        renderVoice<kQuarters2, kStereo>(run);
    else
        renderVoice<0, kStereo>(run);
}

#undef PARVOLINO_AVX2_INLINE

} // namespace

__attribute__((target("avx2"))) void renderVoiceAvx2(const GrainRenderer::VoiceRun& run)
{
    if (run.right != nullptr)
        renderVoiceReading<true>(run);
    else
        renderVoiceReading<false>(run);
}

#else

bool grainKernelAvx2Built()
{
    return false;
}

void renderVoiceAvx2(const GrainRenderer::VoiceRun& run)
{
    renderVoiceSse2(run);
}

#endif
