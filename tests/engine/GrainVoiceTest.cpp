#include "engine/GrainRenderer.h"
#include "engine/GrainVoice.h"
#include "engine/GrainWindow.h"
#include "engine/OutputLevel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace {

// `frames` frames plus the trailing 0.0, on the heap so the address
// sanitizer sees any read outside it.
std::vector<float> ramp(int frames)
{
    std::vector<float> data(frames + 1, 0.0f);
    for (int i = 0; i < frames; ++i)
        data[i] = static_cast<float>(i % 1000) / 1000.0f;
    return data;
}

} // namespace

TEST(GrainVoice, SeededGrainsAndCadenceAtDefaults)
{
    buildGrainWindow();
    std::vector<float> data = ramp(100000);
    GrainVoice voice;
    voice.setSample(data.data(), 100000);
    voice.noteOn(1.0f);
    ASSERT_EQ(voice.liveGrains(), 4);
    const int ages[] = {2050, 1367, 684, 1}, positions[] = {0, 683, 1366, 2049};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(voice.grain(i).age, ages[i]);
        EXPECT_EQ(voice.grain(i).position, positions[i]);
    }
    EXPECT_EQ(voice.nextStart(), 2732.0f);
    EXPECT_EQ(voice.countdown(), 682);

    // A grain started in a sample is the newest, with age 1, after it.
    ScatterGenerator scatter;
    std::vector<int> starts;
    for (int n = 0; n < 5000; ++n) {
        voice.nextSample(scatter);
        if (voice.grain(voice.liveGrains() - 1).age == 1)
            starts.push_back(n);
        for (int i = 0; i < voice.liveGrains(); ++i)
            ASSERT_LT(voice.grain(i).age, 4100 + 1);
    }
    ASSERT_GE(starts.size(), 6u);
    EXPECT_EQ(starts[0], 683);
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_EQ(starts[i] - starts[i - 1], 685);

    // Released: no new grains; idle when the youngest has run its length.
    voice.release();
    const int youngest = voice.grain(voice.liveGrains() - 1).age;
    int samples = 0;
    while (voice.state() != GrainVoice::Idle)
        voice.nextSample(scatter), ++samples;
    EXPECT_EQ(samples, 4100 - youngest + 1);
}

TEST(GrainVoice, FullRingReplacesTheOldestGrain)
{
    std::vector<float> data = ramp(100000);
    GrainVoice voice;
    voice.setSpacing(1);
    voice.setSample(data.data(), 100000);
    voice.noteOn(1.0f);
    ASSERT_EQ(voice.liveGrains(), 32);
    EXPECT_LT(voice.countdown(), 0); // seeding stopped with age to spare
    ScatterGenerator scatter;
    voice.nextSample(scatter);
    EXPECT_EQ(voice.liveGrains(), 32);
    EXPECT_EQ(voice.head(), 1);
    EXPECT_EQ(voice.grain(31).age, 1);
}

TEST(GrainVoice, ReadsStayInsideShortEmptyAndFastSamples)
{
    // Seeded positions, random offsets and huge advances all reach far past
    // the end of these samples.
    ScatterGenerator scatter;
    for (int frames : {1, 2, 7, 300}) {
        std::vector<float> data = ramp(frames);
        GrainVoice voice;
        voice.setRandomRange(500);
        voice.setSpeed(3.0f);
        voice.setSample(data.data(), frames);
        for (float rate : {0.25f, 47.9f, 900.0f, std::numeric_limits<float>::infinity()}) {
            voice.noteOn(rate);
            for (int n = 0; n < 6000; ++n) {
                voice.nextSample(scatter);
                for (int i = 0; i < voice.liveGrains(); ++i)
                    ASSERT_LT(static_cast<unsigned>(voice.grain(i).position), static_cast<unsigned>(frames));
            }
            ASSERT_LE(voice.nextStart(), frames + 1.0f);
        }
    }
    std::vector<float> empty(1, 0.0f);
    GrainVoice voice;
    voice.setSample(empty.data(), 0);
    voice.noteOn(1.0f);
    EXPECT_EQ(voice.state(), GrainVoice::Idle);
    voice.setSpeed(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(voice.speed(), 0.0f);
}

namespace {

// Twelve voices with grains at odd settings, some reading a stereo sample,
// at uneven gains, with stolen notes fading out in the fade slots and an
// output level ramping, rendered through one kernel (or one sample at a
// time) in runs of uneven length; the output and every voice's state after
// each run are recorded.
struct OddSettingsRender {
    std::vector<float> out;
    std::vector<int64_t> state;
    int32_t fastFrames = 0;
};

OddSettingsRender renderOddSettings(GrainRenderer::Kernel kernel)
{
    static std::vector<float> longSample = ramp(5000), shortSample = ramp(5), otherSide = ramp(5003);
    auto renderer = std::make_unique<GrainRenderer>();
    renderer->setKernel(kernel);
    GrainVoice voices[GrainRenderer::kSlots];
    VoiceAllocator allocator(12);
    ScatterGenerator scatter;
    OutputLevel level;
    OddSettingsRender r;
    const float rates[] = {1.0f, 0.37f, 1.61f, 2.9f, 7.3f, 0.0f};
    for (int v = 0; v < 12; ++v) {
        GrainVoice& voice = voices[v];
        voice.setSample(v % 3 == 2 ? shortSample.data() : longSample.data(), v % 3 == 2 ? 5 : 5000,
                        v % 3 == 1 ? otherSide.data() + 3 : nullptr);
        // Spacing 2 against 4100 overfills the ring; a huge spacing starts
        // grains beyond the whole sample.
        voice.setSpacing(v % 4 == 0 ? 2 : (v % 4 == 1 ? 9000 : 37));
        voice.setRandomRange(v * 40);
        voice.setSpeed(0.5f + static_cast<float>(v));
        voice.noteOn(rates[v % 6] * (v == 10 ? 2000.0f : 1.0f), v % 5 == 0 ? 1.0f : 1.0f / static_cast<float>(v + 1));
        allocator.allocate(60 + v);
    }
    std::vector<float> left(900), right(900);
    for (int run = 0; run < 40; ++run) {
        const int32_t frames = 1 + (run * 277) % 600;
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        int32_t done = renderer->render(voices, allocator, scatter, level, left.data(), right.data(), 0, frames);
        r.fastFrames += done;
        for (; done < frames; ++done) {
            float sum = 0.0f, sumRight = 0.0f;
            for (int v = 0; v < GrainRenderer::kSlots; ++v) {
                if (voices[v].state() != GrainVoice::Idle) {
                    const VoiceFrame f = voices[v].nextFrame(scatter);
                    sum += f.left;
                    sumRight += f.right;
                }
                if (v < 12 && voices[v].state() == GrainVoice::Idle && allocator.inUse(v))
                    allocator.freeSlot(v);
            }
            const float gain = level.next();
            left[done] += keepNormal(sum * 0.1f * gain);
            right[done] += keepNormal(sumRight * 0.1f * gain);
        }
        r.out.insert(r.out.end(), left.begin(), left.begin() + frames);
        r.out.insert(r.out.end(), right.begin(), right.begin() + frames);
        for (const GrainVoice& voice : voices) {
            r.state.insert(r.state.end(), {voice.state(), voice.head(), voice.liveGrains(), voice.countdown(),
                                           static_cast<int64_t>(voice.nextStart() * 16.0f), voice.fadeAge()});
            for (int i = 0; i < voice.liveGrains(); ++i)
                r.state.insert(r.state.end(), {voice.grain(i).position, voice.grain(i).age});
        }
        for (int i = 0; i < allocator.activeCount(); ++i)
            r.state.push_back(allocator.orderAt(i));
        r.state.push_back(allocator.releasedCount());
        if (run % 7 == 3)
            voices[(run * 5) % 12].release();
        // Steals: the note's grains go to a fade slot (one of them already
        // fading), and the voice starts again; fades of different lengths,
        // some ending inside a run, some outlived by their grains.
        if (run % 5 == 1) {
            const int v = (run * 7) % 12;
            voices[12 + run % 12].fadeOutFrom(voices[v], 40 + run * 31);
            voices[v].noteOn(rates[run % 6], 0.25f);
        }
        if (run == 12)
            voices[3].fadeOut(150);
        if (run == 9 || run == 26)
            level.rampTo(run == 9 ? 0.3f : 1.0f, 1 + run * 11);
        for (int v = 0; run == 20 && v < GrainRenderer::kSlots; ++v)
            voices[v].setGrainLength(300); // shorter: the oldest grains go at once
    }
    return r;
}

} // namespace

TEST(GrainRenderer, KernelsMatchThePerSamplePathAtOddSettings)
{
    buildGrainWindow();
    const OddSettingsRender reference = renderOddSettings(GrainRenderer::Scalar);
    for (GrainRenderer::Kernel kernel : {GrainRenderer::Sse2, GrainRenderer::Avx2}) {
        const OddSettingsRender fast = renderOddSettings(kernel);
        ASSERT_EQ(fast.out.size(), reference.out.size());
        EXPECT_EQ(std::memcmp(fast.out.data(), reference.out.data(), fast.out.size() * sizeof(float)), 0) << kernel;
        EXPECT_EQ(fast.state, reference.state) << kernel;
        EXPECT_EQ(fast.fastFrames * 2, static_cast<int32_t>(fast.out.size())); // no stretch fell back
    }
}

TEST(EngineTables, ScatterSequenceAndEnvelope)
{
    // The sequence from state 1, on every new thread.
    ScatterGenerator g;
    for (int expected : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(g.next(), expected);
    int first = -1;
    std::thread([&] { first = threadScatterGenerator().next(); }).join();
    EXPECT_EQ(first, 41);

    buildGrainWindow();
    EXPECT_EQ(grainWindow[0], 0.0f);
    EXPECT_NEAR(grainWindow[2500], 0.5f, 2e-4f);
    EXPECT_NEAR(grainWindow[5000], 1.0f, 1e-6f);
    EXPECT_LT(grainWindow[kGrainWindowSize - 1], 1e-5f);
}
