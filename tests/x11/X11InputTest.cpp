// Live input read from the server, the clock, and the two event pumps.
#include <chrono>
#include <thread>

#include "tests/x11/XServerFixture.h"

namespace {

using X11Input = XServerTest;

TEST_F(X11Input, ModifiersAndCursorAreReadAtTheMomentOfTheCall) {
    const Window parent = hostWindow(0, 0, 100, 100);
    ASSERT_NE(createTestWindow(parent, 0, 0, 100, 100), nullptr);  // the backend connects with its first window

    movePointer(123, 45);
    int32_t x = 0;
    int32_t y = 0;
    ASSERT_TRUE(platform::cursorScreenPosition(x, y));
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 45);

    // Modifiers are read from the server at the moment of the call.
    struct Case {
        const char* what;
        const char* keysym;
        platform::Key key;
    };
    const Case cases[] = {
        {"Shift", "Shift_L", platform::keyShift},
        {"Control", "Control_L", platform::keyControl},
        {"Alt", "Alt_L", platform::keyAlt},
    };
    const platform::Key all[] = {platform::keyLeftButton, platform::keyMiddleButton, platform::keyRightButton,
                                 platform::keyShift,      platform::keyControl,      platform::keyAlt};
    for (const Case& c : cases) {
        key(c.keysym, true);
        for (platform::Key k : all)
            EXPECT_EQ(platform::isKeyDown(k), k == c.key) << c.what << " held, asking for key " << k;
        key(c.keysym, false);
        EXPECT_FALSE(platform::isKeyDown(c.key)) << c.what << " released";
    }
    // A button pressed where no press reaches our windows is not ours.
    movePointer(500, 500);
    button(1, true);
    EXPECT_FALSE(platform::isKeyDown(platform::keyLeftButton));
    button(1, false);
}

// What a control reads in its button-down handling: every key once, then
// the buttons again and again until they are up.
// Bits in the order left, middle, right, Shift, Control, Alt.
std::vector<int> readsDuringPress(int reads) {
    std::vector<int> seen;
    const platform::Key all[] = {platform::keyLeftButton, platform::keyMiddleButton, platform::keyRightButton,
                                 platform::keyShift,      platform::keyControl,      platform::keyAlt};
    for (int pass = 0; pass < reads; ++pass) {
        int bits = 0;
        for (int i = 0; i < 6; ++i)
            bits |= platform::isKeyDown(all[i]) ? 1 << i : 0;
        seen.push_back(bits);
    }
    return seen;
}

TEST_F(X11Input, AButtonIsDownFromItsPressUntilItsReleaseIsTakenHoweverQuickTheClick) {
    const Window parent = hostWindow(0, 0, 100, 100);
    ASSERT_NE(createTestWindow(parent, 0, 0, 100, 100), nullptr);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    movePointer(50, 50);

    std::vector<int> seen;
    messageHook() = [&](uint32_t message) {
        if (message == platform::messageLeftButtonDown || message == platform::messageRightButtonDown)
            seen = readsDuringPress(3);
    };

    // Press and release both waiting before the idle: the handler still
    // sees the press (with the Control it carried), then the button up.
    key("Control_L", true);
    button(1, true);
    button(1, false);
    key("Control_L", false);
    platform::processPendingEvents();
    EXPECT_EQ(seen, (std::vector<int>{1 | 16, 0, 0})) << "left and Control, then nothing";

    // A held button stays down until the user lets go.
    button(3, true);
    platform::processPendingEvents();
    EXPECT_EQ(seen, (std::vector<int>{4, 4, 4})) << "the right button held throughout";
    button(3, false);
    EXPECT_FALSE(platform::isKeyDown(platform::keyRightButton));

    // Two quick clicks make two presses, each with its own release.
    int presses = 0;
    messageHook() = [&](uint32_t message) {
        if (message != platform::messageLeftButtonDown)
            return;
        ++presses;
        const std::vector<int> reads = readsDuringPress(2);
        EXPECT_EQ(reads, (std::vector<int>{1, 0})) << "click " << presses;
    };
    for (int i = 0; i < 2; ++i) {
        button(1, true);
        button(1, false);
    }
    platform::processPendingEvents();
    EXPECT_EQ(presses, 2);
}

TEST(X11InputWithoutDisplay, NothingIsPressedAndThereIsNoCursor) {
    // No window was ever made here, so the backend has no connection.
    EXPECT_FALSE(platform::isKeyDown(platform::keyLeftButton));
    int32_t x = 0;
    int32_t y = 0;
    EXPECT_FALSE(platform::cursorScreenPosition(x, y));
    EXPECT_FALSE(platform::dispatchOnePaintMessage());
    platform::processPendingEvents();  // nothing to do, and no display needed
}

TEST(X11Clock, TicksFollowTheSteadyClockAndSleepWaits) {
    const uint32_t before = platform::tickCount();
    platform::sleepMilliseconds(30);
    const uint32_t elapsed = platform::tickCount() - before;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 1000u);
}

TEST_F(X11Input, ThePaintPumpTakesExposuresButLeavesClicksForTheIdle) {
    const Window parent = hostWindow(0, 0, 100, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 100, 100);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    recordedMessages().clear();

    movePointer(50, 50);
    button(1, true);
    button(1, false);
    XClearArea(host, static_cast<Window>(reinterpret_cast<uintptr_t>(window)), 0, 0, 10, 10, True);
    XSync(host, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    EXPECT_TRUE(platform::dispatchOnePaintMessage());
    EXPECT_FALSE(platform::dispatchOnePaintMessage()) << "one paint message at a time, and only one was due";
    EXPECT_EQ(countMessages(platform::messagePaint), 1u);
    EXPECT_EQ(countMessages(platform::messageLeftButtonDown), 0u);

    platform::processPendingEvents();
    EXPECT_EQ(countMessages(platform::messageLeftButtonDown), 1u);
}

}  // namespace
