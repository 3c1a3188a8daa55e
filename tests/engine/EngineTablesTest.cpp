#include "engine/GrainWindow.h"
#include "engine/NoteRatio.h"
#include "engine/ScatterGenerator.h"

#include <gtest/gtest.h>

#include <thread>

TEST(GrainWindow, RaisedCosineShape)
{
    buildGrainWindow();
    EXPECT_EQ(grainWindow[0], 0.0f);
    int peak = 0;
    for (int k = 1; k < kGrainWindowSize; ++k) {
        ASSERT_GE(grainWindow[k], 0.0f);
        ASSERT_LE(grainWindow[k], 1.0f);
        if (grainWindow[k] > grainWindow[peak])
            peak = k;
        // Rising to the peak, falling after it.
        if (k <= 4999) {
            ASSERT_GT(grainWindow[k], grainWindow[k - 1]) << k;
        }
        if (k >= 5002) {
            ASSERT_LT(grainWindow[k], grainWindow[k - 1]) << k;
        }
    }
    EXPECT_NEAR(peak, 5000, 1);
    EXPECT_NEAR(grainWindow[peak], 1.0f, 1e-6f);
    // The angle step is a little short of a full period over the table.
    EXPECT_LT(grainWindow[kGrainWindowSize - 1], 1e-5f);
    EXPECT_NEAR(grainWindow[2500], 0.5f, 2e-4f);
}

TEST(NoteRatio, EqualTemperamentAroundMiddleC)
{
    float ratio[kNoteCount];
    buildNoteRatio(ratio);
    EXPECT_EQ(ratio[60], 1.0f);
    EXPECT_FLOAT_EQ(ratio[72], 2.0f);
    EXPECT_FLOAT_EQ(ratio[48], 0.5f);
    EXPECT_FLOAT_EQ(ratio[0], 1.0f / 32.0f);
    EXPECT_NEAR(ratio[127], 47.95f, 0.01f);
    for (int n = 1; n < kNoteCount; ++n)
        EXPECT_GT(ratio[n], ratio[n - 1]);
}

TEST(ScatterGenerator, SequenceStartsFromOneOnEveryThread)
{
    // The linear congruential sequence from state 1.
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    ScatterGenerator g;
    for (int e : expected)
        EXPECT_EQ(g.next(), e);

    int first = -1;
    std::thread([&] { first = threadScatterGenerator().next(); }).join();
    EXPECT_EQ(first, 41);
}
