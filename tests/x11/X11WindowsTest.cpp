// The backend's windows on a real X server: creation inside the host's
// window, the paint cycle, exposure, the area sent, destruction either way.
#include "tests/x11/XServerFixture.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/x11/X11Session.h"

namespace {

Window xid(platform::WindowHandle window) { return static_cast<Window>(reinterpret_cast<uintptr_t>(window)); }

constexpr uint32_t red = 0xC81E28;         // the test class's paint colour

using X11Windows = XServerTest;

TEST_F(X11Windows, ChildOfTheHostWindowWithClassHintTitleAndFirstPaint) {
    const Window parent = hostWindow(30, 40, 300, 200);
    platform::WindowHandle window = createTestWindow(parent, 10, 20, 120, 80);
    ASSERT_NE(window, nullptr);

    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(host, xid(window), &hint));
    EXPECT_STREQ(hint.res_class, "ParvolinoX11Test");
    EXPECT_STREQ(hint.res_name, "ParvolinoX11Test");
    XFree(hint.res_name);
    XFree(hint.res_class);
    char* title = nullptr;
    ASSERT_TRUE(XFetchName(host, xid(window), &title));
    EXPECT_STREQ(title, "Window");
    XFree(title);
    Window root = 0;
    Window parentOf = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(host, xid(window), &root, &parentOf, &children, &count);
    XFree(children);
    EXPECT_EQ(parentOf, parent);

    // The whole window needs painting from the start; nothing is drawn
    // until events are delivered.
    EXPECT_TRUE(platform::hasUpdateRegion(window));
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    EXPECT_FALSE(platform::hasUpdateRegion(window));
    EXPECT_EQ(pixelAt(xid(window), 0, 0), red);
    EXPECT_EQ(pixelAt(xid(window), 119, 79), red);

    platform::Bounds rect;
    ASSERT_TRUE(platform::windowScreenRect(window, rect));
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.top, 60);
    EXPECT_EQ(rect.right, 160);
    EXPECT_EQ(rect.bottom, 140);
}

TEST_F(X11Windows, AnExposedAreaShowsThePanelAtOnceAndIsPaintedAgain) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    const size_t paints = countMessages(platform::messagePaint);

    // The host's window covering ours went away. Our window has no
    // background, so the server fills in no grey; what the host drew there
    // is replaced from our image as soon as the exposure is taken.
    XGCValues values{};
    values.foreground = 0x00FF00;
    GC gc = XCreateGC(host, xid(window), GCForeground, &values);
    XFillRectangle(host, xid(window), gc, 50, 20, 30, 30);
    XFreeGC(host, gc);
    XSync(host, False);
    EXPECT_EQ(pixelAt(xid(window), 60, 30), 0x00FF00u) << "drawn";
    XClearArea(host, xid(window), 50, 20, 30, 30, True);
    XSync(host, False);
    EXPECT_EQ(pixelAt(xid(window), 60, 30), 0x00FF00u) << "no background fill";
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    x11::takePaintEvents();
    EXPECT_EQ(pixelAt(xid(window), 60, 30), red) << "answered from the image before any paint";
    EXPECT_EQ(countMessages(platform::messagePaint), paints);
    ASSERT_TRUE(pumpUntil([&] { return countMessages(platform::messagePaint) > paints; }));
    EXPECT_EQ(pixelAt(xid(window), 60, 30), red);
}

TEST_F(X11Windows, ASurfaceSendsOnlyWhatWasDrawnOnIt) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    XSync(x11::connection(), False);  // the first paint is on the server before the host draws

    // Something else draws on the window on the server meanwhile.
    XGCValues values{};
    values.foreground = 0x00FF00;
    GC gc = XCreateGC(host, xid(window), GCForeground, &values);
    XFillRectangle(host, xid(window), gc, 0, 0, 200, 100);
    XFreeGC(host, gc);
    XSync(host, False);

    platform::SurfaceHandle surface = platform::windowSurface(window);
    ASSERT_NE(surface, nullptr);
    platform::BrushHandle blue = platform::createSolidBrush(platform::colorRef(0, 0, 255));
    platform::fillRect(surface, platform::Bounds{10, 10, 20, 20}, blue);
    platform::deleteBrush(blue);
    platform::releaseWindowSurface(window, surface);

    EXPECT_EQ(pixelAt(xid(window), 15, 15), 0x0000FFu);
    EXPECT_EQ(pixelAt(xid(window), 9, 15), 0x00FF00u) << "outside the drawn area nothing was sent";
    EXPECT_EQ(pixelAt(xid(window), 100, 50), 0x00FF00u);
}

TEST_F(X11Windows, DestroyingOurWindowSendsOneDestroyMessage) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    platform::setWindowUserData(window, &recordedMessages());
    EXPECT_EQ(platform::windowUserData(window), &recordedMessages());

    EXPECT_FALSE(platform::unregisterWindowClass("ParvolinoX11Test", reinterpret_cast<void*>(0x1234)))
        << "the class still has a window";
    EXPECT_TRUE(platform::destroyWindow(window));
    EXPECT_EQ(countMessages(platform::messageDestroy), 1u);
    // The server's own notice of the destruction comes later and is not a second one.
    pumpUntil([] { return false; });
    EXPECT_EQ(countMessages(platform::messageDestroy), 1u);
    EXPECT_FALSE(platform::destroyWindow(window));
    EXPECT_EQ(platform::windowUserData(window), nullptr);
    EXPECT_TRUE(platform::unregisterWindowClass("ParvolinoX11Test", reinterpret_cast<void*>(0x1234)));
    EXPECT_EQ(x11::connection(), nullptr) << "the connection closes when nothing needs it";
}

TEST_F(X11Windows, AHostDestroyingItsWindowFirstIsADestroyMessageAndNothingBreaks) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    platform::SurfaceHandle surface = platform::windowSurface(window);

    XDestroyWindow(host, parent);
    XSync(host, False);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messageDestroy) == 1; }));
    // Whatever still holds the window's surface or handle may use it safely.
    platform::BrushHandle brush = platform::createSolidBrush(0);
    platform::fillRect(surface, platform::Bounds{0, 0, 10, 10}, brush);
    platform::deleteBrush(brush);
    platform::releaseWindowSurface(window, surface);
    EXPECT_FALSE(platform::hasUpdateRegion(window));
    platform::Bounds rect;
    EXPECT_FALSE(platform::windowScreenRect(window, rect));
    EXPECT_FALSE(platform::destroyWindow(window));
    EXPECT_EQ(countMessages(platform::messageDestroy), 1u);
}

TEST_F(X11Windows, WindowsAreRefusedWithoutClassOrWithAParentThatIsGone) {
    const Window parent = hostWindow(0, 0, 50, 50);
    platform::WindowCreation creation;
    creation.className = "NoSuchClass";
    creation.style = platform::windowStyleChild | platform::windowStyleVisible;
    creation.width = 10;
    creation.height = 10;
    creation.parent = reinterpret_cast<platform::WindowHandle>(static_cast<uintptr_t>(parent));
    EXPECT_EQ(platform::createWindow(creation), nullptr);

    XDestroyWindow(host, parent);
    XSync(host, False);
    EXPECT_EQ(createTestWindow(parent, 0, 0, 10, 10), nullptr) << "an X error, but the process lives on";
    EXPECT_EQ(createTestWindow(0, 0, 0, 10, 10), nullptr) << "a child needs a parent";
}

TEST_F(X11Windows, ButtonPressesBecomeButtonDownMessagesWithTheClientPosition) {
    const Window parent = hostWindow(100, 100, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 20, 10, 150, 80);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));

    const unsigned buttons[] = {1, 2, 3, 4};
    for (unsigned b : buttons) {
        movePointer(100 + 20 + 30 + static_cast<int>(b), 100 + 10 + 40);
        button(b, true);
        button(b, false);
    }
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messageRightButtonDown) == 1; }));
    std::vector<uint32_t> downs;
    for (const RecordedMessage& m : recordedMessages()) {
        if (m.message != platform::messagePaint) {
            downs.push_back(m.message);
            EXPECT_EQ(m.window, window);
        }
    }
    // The wheel (button 4) is no button-down.
    ASSERT_EQ(downs, (std::vector<uint32_t>{platform::messageLeftButtonDown, platform::messageMiddleButtonDown,
                                            platform::messageRightButtonDown}));
    const RecordedMessage& left = *std::find_if(recordedMessages().begin(), recordedMessages().end(),
                                                [](auto& m) { return m.message == platform::messageLeftButtonDown; });
    EXPECT_EQ(left.lParam, platform::positionParameter(31, 40));
}

}  // namespace
