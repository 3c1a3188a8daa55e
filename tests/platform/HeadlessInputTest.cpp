// Scripted input and the virtual clock: input read live changes exactly
// when the clock reaches the scripted tick, and only sleeping (or the test)
// moves the clock.
#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"

using namespace platform;

namespace {

class HeadlessInput : public ::testing::Test {
protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }
};

headless::InputState at(int32_t x, int32_t y, bool left) {
    headless::InputState s;
    s.cursorX = x;
    s.cursorY = y;
    s.leftButton = left;
    return s;
}

}  // namespace

TEST_F(HeadlessInput, SleepingMovesTheClockAndTheScript) {
    const uint32_t start = tickCount();
    EXPECT_EQ(start, headless::startTicks);
    headless::scheduleInput(start + 30, at(5, 6, false));
    headless::scheduleInput(start + 10, at(1, 2, true));  // added out of order

    EXPECT_FALSE(isKeyDown(keyLeftButton));
    sleepMilliseconds(9);
    EXPECT_FALSE(isKeyDown(keyLeftButton));
    sleepMilliseconds(1);
    EXPECT_TRUE(isKeyDown(keyLeftButton));
    int32_t x = 0;
    int32_t y = 0;
    cursorScreenPosition(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
    // Reading input does not move the clock by itself.
    for (int i = 0; i < 100; ++i)
        isKeyDown(keyShift);
    EXPECT_EQ(tickCount(), start + 10);
    sleepMilliseconds(25);
    EXPECT_FALSE(isKeyDown(keyLeftButton));
    cursorScreenPosition(x, y);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(headless::sleepCalls(), 3u);
    EXPECT_EQ(headless::sleptMilliseconds(), 35u);
}

TEST_F(HeadlessInput, ModifiersAndPollAdvance) {
    headless::InputState s;
    s.shift = true;
    s.alt = true;
    s.middleButton = true;
    headless::setInput(s);
    EXPECT_TRUE(isKeyDown(keyShift));
    EXPECT_TRUE(isKeyDown(keyAlt));
    EXPECT_TRUE(isKeyDown(keyMiddleButton));
    EXPECT_FALSE(isKeyDown(keyControl));
    EXPECT_FALSE(isKeyDown(keyRightButton));

    // A busy loop without sleep still sees the script move on.
    headless::setPollAdvance(1);
    headless::scheduleInput(tickCount() + 50, headless::InputState{});
    int polls = 0;
    while (isKeyDown(keyShift) && polls < 1000)
        ++polls;
    EXPECT_EQ(polls, 49);
}

TEST_F(HeadlessInput, ScriptSurvivesTheTickWrap) {
    headless::setClock(0xFFFFFFF0u);
    headless::scheduleInput(0x00000010u, at(2, 0, false));
    headless::scheduleInput(0xFFFFFFF8u, at(1, 0, true));
    int32_t x = 0;
    int32_t y = 0;
    sleepMilliseconds(8);
    cursorScreenPosition(x, y);
    EXPECT_EQ(x, 1);
    sleepMilliseconds(16);  // now 0x8: the later entry is not yet due
    cursorScreenPosition(x, y);
    EXPECT_EQ(x, 1);
    sleepMilliseconds(8);
    cursorScreenPosition(x, y);
    EXPECT_EQ(x, 2);
}

TEST_F(HeadlessInput, ClickPressesAndReleasesOnTheWindow) {
    WindowHandle host = headless::createHostWindow(100, 50, 300, 200);
    headless::click(host, headless::Button::left, 10, 20, 40);
    EXPECT_TRUE(isKeyDown(keyLeftButton));
    int32_t x = 0;
    int32_t y = 0;
    cursorScreenPosition(x, y);
    EXPECT_EQ(x, 110);
    EXPECT_EQ(y, 70);
    sleepMilliseconds(40);
    EXPECT_FALSE(isKeyDown(keyLeftButton));
    processPendingEvents();
    EXPECT_EQ(headless::eventPumps(), 1u);
}
