// The DSP handed more MIDI in one block than it passes the instrument at
// once plays it in stretches, exactly as shorter blocks would.

#include "tests/editor/PanelFixture.h"
#include "tests/lv2/InProcessLv2.h"

#include <gtest/gtest.h>

namespace {

TEST(Lv2Dsp, PlaysABlockOfMoreMidiThanItPassesAtOnceAsShorterBlocksDo)
{
    paneltest::ScratchFolder folder;
    const std::string sample = folder.file("voice.wav");
    paneltest::writeWav(sample, 40000, 44100, 2);
    // Two notes and 1500 expression changes within 4096 frames.
    std::vector<InProcessLv2::Midi> score = {{0, {0x90, 60, 100}}, {50, {0x90, 67, 90}}};
    for (uint32_t i = 0; i < 1500; ++i)
        score.push_back({100 + i / 4, {0xB0, 11, uint8_t(127 - i % 90)}});

    InProcessLv2 whole(44100.0);
    InProcessLv2 cut(44100.0);
    for (InProcessLv2* lv2 : {&whole, &cut}) {
        // No scatter: the two instances draw on this thread's one sequence.
        lv2->setControl(3, 0.0f);
        lv2->setSample(sample);
        lv2->run(0);
    }
    whole.run(4096, score);
    std::vector<float> left;
    for (uint32_t start = 0; start < 4096; start += 64) {
        std::vector<InProcessLv2::Midi> block;
        for (const InProcessLv2::Midi& event : score)
            if (event.frame >= start && event.frame < start + 64)
                block.push_back({event.frame - start, event.bytes});
        cut.run(64, block);
        left.insert(left.end(), cut.output(0).begin(), cut.output(0).begin() + 64);
    }
    const std::vector<float> expected(whole.output(0).begin(), whole.output(0).begin() + 4096);
    EXPECT_TRUE(left == expected);
    EXPECT_NE(std::count(expected.begin(), expected.end(), 0.0f), 4096);
}

}  // namespace
