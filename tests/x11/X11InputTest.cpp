// Live input read from the server, the clock, and the two event pumps.
#include <chrono>
#include <thread>

#include "tests/x11/XServerFixture.h"

namespace {

using X11Input = XServerTest;

TEST_F(X11Input, ButtonsModifiersAndCursorAreReadAtTheMomentOfTheCall) {
    const Window parent = hostWindow(0, 0, 100, 100);
    ASSERT_NE(createTestWindow(parent, 0, 0, 100, 100), nullptr);  // the backend connects with its first window

    movePointer(123, 45);
    int32_t x = 0;
    int32_t y = 0;
    ASSERT_TRUE(platform::cursorScreenPosition(x, y));
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 45);

    struct Case {
        const char* what;
        std::function<void(bool)> press;
        platform::Key key;
    };
    const Case cases[] = {
        {"left button", [&](bool d) { button(1, d); }, platform::keyLeftButton},
        {"middle button", [&](bool d) { button(2, d); }, platform::keyMiddleButton},
        {"right button", [&](bool d) { button(3, d); }, platform::keyRightButton},
        {"Shift", [&](bool d) { key("Shift_L", d); }, platform::keyShift},
        {"Control", [&](bool d) { key("Control_L", d); }, platform::keyControl},
        {"Alt", [&](bool d) { key("Alt_L", d); }, platform::keyAlt},
    };
    const platform::Key all[] = {platform::keyLeftButton, platform::keyMiddleButton, platform::keyRightButton,
                                 platform::keyShift,      platform::keyControl,      platform::keyAlt};
    for (const Case& c : cases) {
        c.press(true);
        for (platform::Key k : all)
            EXPECT_EQ(platform::isKeyDown(k), k == c.key) << c.what << " held, asking for key " << k;
        c.press(false);
        EXPECT_FALSE(platform::isKeyDown(c.key)) << c.what << " released";
    }
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
