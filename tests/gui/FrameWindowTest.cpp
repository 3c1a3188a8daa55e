// The frame's window: the shared class and its use counter, the child
// window's parameters, paint and button messages, the first-paint and idle
// rules, destruction by the host or by the frame, and redraws.
#include "GuiTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/WindowClass.h"

using guitest::events;
using guitest::HeadlessTest;
using guitest::ProbeView;

namespace {

constexpr Color teal{0, 128, 128, 0};
constexpr Color plum{128, 0, 128, 0};

class FrameWindow : public HeadlessTest {
protected:
    void TearDown() override {
        EXPECT_EQ(getWindowClassUseCount(), 0);
        EXPECT_EQ(headless::registeredClassCount(), 0);
        HeadlessTest::TearDown();
    }
    static platform::WindowHandle windowOf(const Frame& frame) { return frame.getSystemWindow(); }
};

}  // namespace

TEST_F(FrameWindow, ChildWindowInTheSharedClass) {
    auto* first = new Frame(Rect(0, 0, 400, 200), host, nullptr);
    EXPECT_STREQ(getWindowClassName(), "Plugin1234abcd");
    EXPECT_TRUE(headless::isClassRegistered("Plugin1234abcd"));
    platform::WindowClass details;
    ASSERT_TRUE(headless::classDetails("Plugin1234abcd", details));
    EXPECT_EQ(details.style, platform::classStyleGlobal);
    EXPECT_EQ(details.backgroundSystemColor, platform::systemColorButtonFace);
    EXPECT_EQ(details.module, moduleInstance);

    headless::WindowInfo info;
    ASSERT_TRUE(headless::windowInfo(windowOf(*first), info));
    EXPECT_EQ(info.className, "Plugin1234abcd");
    EXPECT_EQ(info.title, "Window");
    EXPECT_EQ(info.style, 0x50000000u);
    EXPECT_EQ(info.extendedStyle, 0u);
    EXPECT_EQ(info.x, 0);
    EXPECT_EQ(info.y, 0);
    EXPECT_EQ(info.width, 400);
    EXPECT_EQ(info.height, 200);
    EXPECT_EQ(info.parent, host);
    EXPECT_EQ(info.module, moduleInstance);
    EXPECT_EQ(platform::windowUserData(windowOf(*first)), first);

    // A second frame shares the class; the last one gone unregisters it.
    auto* second = new Frame(Rect(0, 0, 400, 200), host, nullptr);
    EXPECT_EQ(getWindowClassUseCount(), 2);
    EXPECT_EQ(headless::registeredClassCount(), 1);
    delete first;
    EXPECT_EQ(getWindowClassUseCount(), 1);
    EXPECT_TRUE(headless::isClassRegistered("Plugin1234abcd"));
    delete second;
    EXPECT_FALSE(headless::isClassRegistered("Plugin1234abcd"));
}

TEST_F(FrameWindow, FirstPaintThenIdleDrawsOnlyDirtyViews) {
    Frame frame(Rect(0, 0, 400, 200), host, nullptr);
    auto* a = new ProbeView("a", Rect(10, 10, 50, 50));
    auto* b = new ProbeView("b", Rect(60, 10, 100, 50));
    a->fill = &teal;
    frame.addView(a);
    frame.addView(b);

    frame.idle();  // before the first paint: nothing, though both are dirty
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(headless::paintAll(), 1);
    EXPECT_EQ(events(), (std::vector<std::string>{"a:draw", "b:draw"}));
    EXPECT_EQ(headless::windowPixel(windowOf(frame), 30, 30), headless::rgb(0, 128, 128));
    EXPECT_TRUE(a->isDirty());
    EXPECT_TRUE(b->isDirty());

    events().clear();
    frame.idle();
    EXPECT_EQ(events(), (std::vector<std::string>{"a:draw", "b:draw"}));
    EXPECT_FALSE(a->isDirty());
    events().clear();
    frame.idle();
    EXPECT_TRUE(events().empty());
    b->setDirty(true);
    frame.idle();
    EXPECT_EQ(events(), std::vector<std::string>{"b:draw"});
}

TEST_F(FrameWindow, PaintDrawsTheBackgroundThenTheViews) {
    std::vector<uint32_t> pixels(400 * 200, headless::rgb(66, 66, 74));
    headless::addBitmapResource(202, 400, 200, pixels);
    auto* background = new Bitmap(202);
    {
        Frame frame(Rect(0, 0, 400, 200), host, nullptr);
        frame.setBackground(background);
        frame.setBackground(background);  // the same one again keeps it
        EXPECT_EQ(background->getReferenceCount(), 2);
        auto* view = new ProbeView("v", Rect(100, 50, 120, 70));
        view->fill = &plum;
        frame.addView(view);
        headless::paintAll();
        EXPECT_EQ(headless::windowPixel(windowOf(frame), 0, 0), headless::rgb(66, 66, 74));
        EXPECT_EQ(headless::windowPixel(windowOf(frame), 399, 199), headless::rgb(66, 66, 74));
        EXPECT_EQ(headless::windowPixel(windowOf(frame), 110, 60), headless::rgb(128, 0, 128));
    }
    EXPECT_EQ(background->getReferenceCount(), 1);
    background->release();
    EXPECT_EQ(raster::liveObjects().images, 0);
}

TEST_F(FrameWindow, ButtonMessagesReachTheViewUnderThePointer) {
    Frame frame(Rect(0, 0, 400, 200), host, nullptr);
    auto* view = new ProbeView("v", Rect(290, 120, 350, 180));
    frame.addView(view);
    headless::click(windowOf(frame), headless::Button::left, 350, 180, 5);
    EXPECT_EQ(events(), std::vector<std::string>{"v:mouse"});
    EXPECT_EQ(view->lastWhere, Point(350, 180));
    headless::click(windowOf(frame), headless::Button::right, 300, 130, 5);
    headless::click(windowOf(frame), headless::Button::middle, 300, 130, 5);
    headless::click(windowOf(frame), headless::Button::left, 351, 130, 5);
    EXPECT_EQ(events().size(), 3u);

    // The context a view gets reports the cursor relative to the frame's window.
    Point where;
    headless::moveWindow(host, 10, 20);
    headless::InputState in;
    in.cursorX = 60;
    in.cursorY = 90;
    headless::setInput(in);
    frame.getCurrentLocation(where);
    EXPECT_EQ(where, Point(50, 70));
}

TEST_F(FrameWindow, RedrawDrawsOneChildOrEverything) {
    Frame frame(Rect(0, 0, 400, 200), host, nullptr);
    auto* a = new ProbeView("a", Rect(0, 0, 10, 10));
    auto* b = new ProbeView("b", Rect(0, 0, 10, 10));
    frame.addView(a);
    frame.addView(b);
    ProbeView stranger("stranger", Rect(0, 0, 10, 10));
    frame.redraw(b);
    EXPECT_EQ(events(), std::vector<std::string>{"b:draw"});
    EXPECT_TRUE(frame.isFirstPaintPending());
    events().clear();
    frame.redraw(&stranger);
    EXPECT_EQ(events(), (std::vector<std::string>{"a:draw", "b:draw"}));
    events().clear();
    frame.redraw(nullptr);
    EXPECT_EQ(events(), (std::vector<std::string>{"a:draw", "b:draw"}));
    EXPECT_FALSE(frame.isFirstPaintPending());
}

TEST_F(FrameWindow, HostDestroyingItsWindowFirst) {
    auto* frame = new Frame(Rect(0, 0, 400, 200), host, nullptr);
    frame->addView(new ProbeView("a", Rect(0, 0, 10, 10)));
    headless::paintAll();
    platform::destroyWindow(host);
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getParentWindow(), nullptr);

    events().clear();
    frame->idle();
    DrawContext context(nullptr, nullptr);
    frame->update(&context);
    EXPECT_TRUE(events().empty());
    // Deleting it later leaves the dead window alone (checked in TearDown)
    // and still gives the class back.
    delete frame;
    EXPECT_EQ(events(), std::vector<std::string>{"a:gone"});
}

TEST_F(FrameWindow, DestructionOrder) {
    std::vector<uint32_t> pixels(4, 0);
    headless::addBitmapResource(202, 2, 2, pixels);
    auto* background = new Bitmap(202);
    auto* frame = new Frame(Rect(0, 0, 400, 200), host, nullptr);
    platform::WindowHandle window = windowOf(*frame);
    frame->setBackground(background);
    frame->addView(new ProbeView("a", Rect(0, 0, 10, 10)));
    background->release();  // the frame holds the last reference now
    delete frame;
    EXPECT_EQ(events(), std::vector<std::string>{"a:gone"});
    EXPECT_EQ(raster::liveObjects().images, 0);
    EXPECT_FALSE(headless::isWindow(window));
    EXPECT_TRUE(headless::childWindows(host).empty());
}
