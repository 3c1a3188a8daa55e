// How a render is cut into host blocks: parameter changes split blocks and
// come before the MIDI of their frame; no block carries more events than
// the plug-in keeps.

#include "tools/render/BlockScheduler.h"

#include <gtest/gtest.h>

namespace {

std::vector<RenderBlock> blocksOf(const std::vector<TimedEvent>& events, int64_t length, int32_t blockSize)
{
    BlockScheduler scheduler(events, length, blockSize);
    std::vector<RenderBlock> blocks;
    RenderBlock block;
    while (scheduler.next(block))
        blocks.push_back(block);
    return blocks;
}

TimedEvent note(int64_t frame, int n) { return TimedEvent::midiMessage(frame, 0x90, uint8_t(n), 100); }

TEST(BlockScheduler, BlocksCoverTheLengthAndEventsLandAtTheirFrames)
{
    std::vector<TimedEvent> events = {note(0, 1), note(511, 2), note(512, 3), note(1300, 4), note(5000, 5)};
    std::vector<RenderBlock> blocks = blocksOf(events, 1300, 512);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].frames, 512);
    EXPECT_EQ(blocks[1].startFrame, 512);
    EXPECT_EQ(blocks[2].startFrame, 1024);
    EXPECT_EQ(blocks[2].frames, 276);
    ASSERT_EQ(blocks[0].midi.size(), 2u);
    EXPECT_EQ(blocks[0].midi[1].deltaFrames, 511);
    EXPECT_EQ(blocks[0].midi[1].bytes[1], 2);
    ASSERT_EQ(blocks[1].midi.size(), 1u);
    EXPECT_EQ(blocks[1].midi[0].deltaFrames, 0);
    // Events at or past the end are never sent.
    EXPECT_TRUE(blocks[2].midi.empty());

    EXPECT_TRUE(blocksOf(events, 0, 512).empty());
}

TEST(BlockScheduler, ParameterChangesSplitBlocksAndGoFirstAtTheirFrame)
{
    std::vector<TimedEvent> events = {
        TimedEvent::paramChange(0, 1, 0.2f), note(100, 1), note(300, 2),
        TimedEvent::paramChange(300, 2, 0.7f), TimedEvent::paramChange(300, 3, 0.9f), note(301, 3),
        TimedEvent::paramChange(2000, 0, 1.0f)};
    std::vector<RenderBlock> blocks = blocksOf(events, 1000, 512);
    ASSERT_EQ(blocks.size(), 3u);
    ASSERT_EQ(blocks[0].paramsBefore.size(), 1u);
    EXPECT_EQ(blocks[0].paramsBefore[0].index, 1);
    EXPECT_EQ(blocks[0].frames, 300);
    ASSERT_EQ(blocks[0].midi.size(), 1u);

    // The note listed before the two changes at 300 still comes after them.
    EXPECT_EQ(blocks[1].startFrame, 300);
    ASSERT_EQ(blocks[1].paramsBefore.size(), 2u);
    EXPECT_EQ(blocks[1].paramsBefore[0].index, 2);
    EXPECT_EQ(blocks[1].paramsBefore[1].index, 3);
    ASSERT_EQ(blocks[1].midi.size(), 2u);
    EXPECT_EQ(blocks[1].midi[0].deltaFrames, 0);
    EXPECT_EQ(blocks[1].midi[0].bytes[1], 2);
    EXPECT_EQ(blocks[1].midi[1].deltaFrames, 1);
    EXPECT_EQ(blocks[1].frames, 512);
    EXPECT_EQ(blocks[2].startFrame, 812);
    EXPECT_TRUE(blocks[2].paramsBefore.empty());
}

TEST(BlockScheduler, NoBlockCarriesMoreEventsThanTheListKeeps)
{
    // 150 events, one per frame from frame 10; then 120 at frame 400.
    std::vector<TimedEvent> events;
    for (int i = 0; i < 150; ++i)
        events.push_back(note(10 + i, i % 128));
    for (int i = 0; i < 120; ++i)
        events.push_back(note(400, i));
    std::vector<RenderBlock> blocks = blocksOf(events, 1024, 1024);

    size_t delivered = 0;
    int64_t expectedStart = 0;
    for (const RenderBlock& b : blocks) {
        EXPECT_EQ(b.startFrame, expectedStart);
        expectedStart += b.frames;
        if (!b.overfull) {
            EXPECT_LE(b.midi.size(), kMaxEventsPerBlock);
        }
        delivered += b.midi.size();
    }
    EXPECT_EQ(expectedStart, 1024);
    EXPECT_EQ(delivered, 270u);
    EXPECT_EQ(blocks[0].frames, 110);  // ends before the 101st event
    EXPECT_EQ(blocks[0].midi.size(), 100u);
    // The 120 events of one frame cannot be split: they go together, marked.
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1].startFrame, 110);
    EXPECT_EQ(blocks[1].frames, 290);
    EXPECT_EQ(blocks[2].startFrame, 400);
    EXPECT_EQ(blocks[2].midi.size(), 120u);
    EXPECT_TRUE(blocks[2].overfull);

    // Filling up in the middle of a frame's events moves the whole frame on.
    std::vector<TimedEvent> straddling;
    for (int i = 0; i < 90; ++i)
        straddling.push_back(note(5, i));
    for (int i = 0; i < 20; ++i)
        straddling.push_back(note(7, i));
    std::vector<RenderBlock> split = blocksOf(straddling, 64, 64);
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].frames, 7);
    EXPECT_EQ(split[0].midi.size(), 90u);
    EXPECT_EQ(split[1].midi.size(), 20u);
    EXPECT_EQ(split[1].midi[0].deltaFrames, 0);
}

}  // namespace
