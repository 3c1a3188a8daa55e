#include "engine/GrainVoice.h"
#include "engine/GrainWindow.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

// A sample of `frames` frames plus the trailing 0.0, on the heap so that the
// address sanitizer sees any read outside it.
std::vector<float> rampSample(int frames)
{
    std::vector<float> data(frames + 1, 0.0f);
    for (int i = 0; i < frames; ++i)
        data[i] = static_cast<float>(i % 1000) / 1000.0f;
    return data;
}

class GrainVoiceTest : public ::testing::Test {
protected:
    void SetUp() override { buildGrainWindow(); }
    ScatterGenerator scatter;
};

} // namespace

TEST_F(GrainVoiceTest, SeededGrainsAndCadenceAtDefaults)
{
    std::vector<float> data = rampSample(100000);
    GrainVoice voice;
    voice.setSample(data.data(), 100000);
    voice.noteOn(1.0f);

    ASSERT_EQ(voice.state(), GrainVoice::Playing);
    ASSERT_EQ(voice.liveGrains(), 4);
    const int ages[] = {2050, 1367, 684, 1};
    const int positions[] = {0, 683, 1366, 2049};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(voice.grain(i).age, ages[i]) << i;
        EXPECT_EQ(voice.grain(i).position, positions[i]) << i;
    }
    EXPECT_EQ(voice.nextStart(), 2732.0f);
    EXPECT_EQ(voice.countdown(), 682);

    // A new grain shows as the newest live grain with age 1 after the sample
    // in which it started.
    std::vector<int> starts;
    for (int n = 0; n < 5000; ++n) {
        voice.nextSample(scatter);
        const Grain& newest = voice.grain(voice.liveGrains() - 1);
        if (newest.age == 1)
            starts.push_back(n);
    }
    ASSERT_GE(starts.size(), 6u);
    EXPECT_EQ(starts[0], 683);
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_EQ(starts[i] - starts[i - 1], 685) << i;

    // Every grain lives exactly grainLength samples: the oldest seeded grain
    // (age 2050) is gone after 2050 samples, and no grain ever reaches 4100.
    for (int i = 0; i < voice.liveGrains(); ++i)
        EXPECT_LT(voice.grain(i).age, 4100);
}

TEST_F(GrainVoiceTest, ReadRateFollowsTheNote)
{
    std::vector<float> data = rampSample(100000);
    GrainVoice voice;
    voice.setSample(data.data(), 100000);

    // Rate 2.0 (an octave up) moves every grain two frames per sample.
    voice.noteOn(2.0f);
    const int before = voice.grain(1).position;
    voice.nextSample(scatter);
    voice.nextSample(scatter);
    EXPECT_EQ(voice.grain(1).position, before + 4);

    // Rate 0.5 (an octave down) moves one frame every second sample; the
    // shared fraction carries the half frame.
    voice.noteOn(0.5f);
    const int start = voice.grain(1).position;
    for (int n = 0; n < 10; ++n)
        voice.nextSample(scatter);
    EXPECT_EQ(voice.grain(1).position, start + 5);
}

TEST_F(GrainVoiceTest, ConstantSampleSumsTheEnvelopesOfLiveGrains)
{
    // All ones: each grain contributes exactly its envelope weight, so the
    // output is the sum of the window at the grains' ages, oldest first.
    std::vector<float> data(50001, 1.0f);
    data[50000] = 0.0f;
    GrainVoice voice;
    voice.setRandomRange(0);
    voice.setSample(data.data(), 50000);
    voice.noteOn(1.0f);
    const float step = voice.windowStep();
    float expected = 0.0f;
    for (int i = 0; i < voice.liveGrains(); ++i)
        expected += grainWindow[static_cast<int>(static_cast<float>(voice.grain(i).age) * step)];
    EXPECT_EQ(voice.nextSample(scatter), expected);
    // The oldest seeded grain sits at the peak, so the note sounds at once.
    EXPECT_GT(expected, 1.0f);
}

TEST_F(GrainVoiceTest, ReleaseLetsGrainsFinishThenGoesIdle)
{
    std::vector<float> data = rampSample(20000);
    GrainVoice voice;
    voice.setSample(data.data(), 20000);
    voice.noteOn(1.0f);
    for (int n = 0; n < 100; ++n)
        voice.nextSample(scatter);
    voice.release();
    EXPECT_EQ(voice.state(), GrainVoice::Releasing);

    const int youngest = voice.grain(voice.liveGrains() - 1).age;
    int samples = 0;
    while (voice.state() != GrainVoice::Idle && samples < 10000) {
        voice.nextSample(scatter);
        ++samples;
        // No grain is started during the release.
        ASSERT_GT(voice.grain(voice.liveGrains() - 1).age, 1);
    }
    // The youngest grain runs out its remaining ages and is retired at the
    // start of the next sample, which is when the voice turns idle.
    EXPECT_EQ(samples, 4100 - youngest + 1);
    EXPECT_EQ(voice.liveGrains(), 0);
    EXPECT_EQ(voice.nextSample(scatter), 0.0f);

    voice.release();
    EXPECT_EQ(voice.state(), GrainVoice::Idle);
}

TEST_F(GrainVoiceTest, FullRingReplacesTheOldestGrain)
{
    std::vector<float> data = rampSample(100000);
    GrainVoice voice;
    voice.setSpacing(1);
    voice.setSample(data.data(), 100000);
    voice.noteOn(1.0f);
    ASSERT_EQ(voice.liveGrains(), 32);
    // Seeding stopped at 32 grains with age still to spare: the countdown is
    // negative and the very first sample starts a grain over the oldest.
    EXPECT_LT(voice.countdown(), 0);
    voice.nextSample(scatter);
    EXPECT_EQ(voice.liveGrains(), 32);
    EXPECT_EQ(voice.head(), 1);
    EXPECT_EQ(voice.grain(31).age, 1);
}

TEST_F(GrainVoiceTest, ReadsStayInsideShortAndEmptySamples)
{
    // Seeded positions, random offsets and fast advances all reach far past
    // the end of these samples; every read must stay inside the data.
    for (int frames : {1, 2, 7, 300}) {
        std::vector<float> data = rampSample(frames);
        GrainVoice voice;
        voice.setRandomRange(500);
        voice.setSpeed(3.0f);
        voice.setSample(data.data(), frames);
        for (float rate : {0.25f, 1.0f, 47.9f, 900.0f}) {
            voice.noteOn(rate);
            for (int n = 0; n < 6000; ++n) {
                const float out = voice.nextSample(scatter);
                ASSERT_TRUE(out == out) << frames;
                for (int i = 0; i < voice.liveGrains(); ++i) {
                    ASSERT_GE(voice.grain(i).position, 0);
                    ASSERT_LT(voice.grain(i).position, frames);
                }
            }
            ASSERT_LE(voice.nextStart(), static_cast<float>(frames) + 1.0f);
        }
    }

    std::vector<float> empty(1, 0.0f);
    GrainVoice voice;
    voice.setSample(empty.data(), 0);
    voice.noteOn(1.0f);
    EXPECT_EQ(voice.state(), GrainVoice::Idle);
    EXPECT_EQ(voice.nextSample(scatter), 0.0f);
}

TEST_F(GrainVoiceTest, HostileRatesAreBounded)
{
    std::vector<float> data = rampSample(1000);
    GrainVoice voice;
    voice.setSample(data.data(), 1000);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    voice.setSpeed(nan);
    EXPECT_EQ(voice.speed(), 0.0f);
    voice.setSpeed(inf);
    EXPECT_EQ(voice.speed(), GrainVoice::kMaxSpeed);
    for (float rate : {nan, inf, -3.0f}) {
        voice.noteOn(rate);
        for (int n = 0; n < 3000; ++n)
            voice.nextSample(scatter);
        EXPECT_GE(voice.noteRate(), 0.0f);
        EXPECT_LE(voice.noteRate(), GrainVoice::kMaxNoteRate);
    }
}

TEST_F(GrainVoiceTest, SetSampleSilencesAtOnce)
{
    std::vector<float> data = rampSample(10000);
    GrainVoice voice;
    voice.setSample(data.data(), 10000);
    voice.noteOn(1.0f);
    voice.nextSample(scatter);
    voice.setSample(data.data(), 5000);
    EXPECT_EQ(voice.state(), GrainVoice::Idle);
    EXPECT_EQ(voice.liveGrains(), 0);
    EXPECT_EQ(voice.nextSample(scatter), 0.0f);
}
