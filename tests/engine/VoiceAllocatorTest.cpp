#include "engine/VoiceAllocator.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> order(const VoiceAllocator& a)
{
    std::vector<int> slots;
    for (int i = 0; i < a.activeCount(); ++i)
        slots.push_back(a.orderAt(i));
    return slots;
}

} // namespace

TEST(VoiceAllocator, StealsTheOldestHeldWhenNothingIsReleased)
{
    VoiceAllocator a(12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(a.allocate(60 + i), i);
    // The thirteenth note takes the first note's voice, which becomes the
    // newest held slot.
    EXPECT_EQ(a.allocate(90), 0);
    EXPECT_EQ(a.noteOf(0), 90);
    EXPECT_EQ(order(a), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
    EXPECT_EQ(a.releasedCount(), 0);
    // The stolen note no longer holds a voice.
    EXPECT_EQ(a.releaseNote(60), -1);
}

TEST(VoiceAllocator, StealsTheEarliestReleased)
{
    VoiceAllocator a(12);
    for (int i = 0; i < 12; ++i)
        a.allocate(60 + i);
    EXPECT_EQ(a.releaseNote(65), 5);
    EXPECT_EQ(a.releaseNote(62), 2);
    EXPECT_EQ(a.releasedCount(), 2);
    EXPECT_EQ(a.allocate(90), 5);
    EXPECT_EQ(a.releasedCount(), 1);
    EXPECT_EQ(a.allocate(91), 2);
    EXPECT_EQ(a.releasedCount(), 0);
    EXPECT_EQ(a.allocate(92), 0);
}

TEST(VoiceAllocator, FreedSlotsAreReusedLowestFirst)
{
    VoiceAllocator a(12);
    for (int i = 0; i < 5; ++i)
        a.allocate(60 + i);
    a.releaseNote(63);
    a.freeSlot(3);
    a.releaseNote(61);
    a.freeSlot(1);
    EXPECT_FALSE(a.inUse(1));
    EXPECT_EQ(a.activeCount(), 3);
    EXPECT_EQ(a.releasedCount(), 0);
    EXPECT_EQ(a.allocate(70), 1);
    EXPECT_EQ(a.allocate(71), 3);
    EXPECT_EQ(a.allocate(72), 5);

    // Freeing a slot that is not in use, or out of range, changes nothing.
    a.freeSlot(9);
    a.freeSlot(-1);
    a.freeSlot(40);
    EXPECT_EQ(a.activeCount(), 6);
}

TEST(VoiceAllocator, RepeatedNoteReleasesTheOlderVoiceFirst)
{
    VoiceAllocator a(12);
    a.allocate(60);
    a.allocate(64);
    a.allocate(60);
    EXPECT_EQ(a.releaseNote(60), 0);
    EXPECT_EQ(a.releaseNote(60), 2);
    EXPECT_EQ(a.releaseNote(60), -1);
    EXPECT_EQ(order(a), (std::vector<int>{0, 2, 1}));
}

TEST(VoiceAllocator, ReleaseAllAndFreeingReleasedSlots)
{
    VoiceAllocator a(12);
    for (int i = 0; i < 4; ++i)
        a.allocate(60 + i);
    a.releaseAll();
    EXPECT_EQ(a.releasedCount(), 4);
    EXPECT_EQ(a.releaseNote(61), -1);
    a.freeSlot(2);
    EXPECT_EQ(a.releasedCount(), 3);
    EXPECT_EQ(order(a), (std::vector<int>{0, 1, 3}));
    // A new note goes to the free slot and is held after the released ones.
    EXPECT_EQ(a.allocate(80), 2);
    EXPECT_EQ(order(a), (std::vector<int>{0, 1, 3, 2}));
    EXPECT_EQ(a.releaseNote(80), 2);
    EXPECT_EQ(a.releasedCount(), 4);
}
