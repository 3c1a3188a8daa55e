// Windows on the virtual screen: classes, creation, destruction order, the
// paint queue and its update region, and window surfaces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/RasterObjects.h"

using namespace platform;

namespace {

struct Delivered {
    WindowHandle window;
    uint32_t message;
    intptr_t lParam;
};
std::vector<Delivered> delivered;
bool paintHandled = true;

intptr_t PARVOLINO_WINDOW_CALLBACK recordingProcedure(WindowHandle window, uint32_t message, uintptr_t wParam,
                                                      intptr_t lParam) {
    delivered.push_back(Delivered{window, message, lParam});
    if (message == messagePaint && paintHandled) {
        PaintRecord paint;
        SurfaceHandle surface = beginPaint(window, paint);
        BrushHandle brush = createSolidBrush(colorRef(0, 0, 200));
        fillRect(surface, Bounds{0, 0, 1000, 1000}, brush);
        endPaint(window, paint);
        deleteBrush(brush);
        return 0;
    }
    return defaultWindowProcedure(window, message, wParam, lParam);
}

void* const module = reinterpret_cast<void*>(0x5000);

class HeadlessWindows : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        delivered.clear();
        paintHandled = true;
        WindowClass c;
        c.name = "TestClass";
        c.module = module;
        c.procedure = recordingProcedure;
        c.style = classStyleGlobal;
        ASSERT_TRUE(registerWindowClass(c));
        host = headless::createHostWindow(300, 200, 640, 480);
    }
    void TearDown() override {
        EXPECT_EQ(raster::invalidHandleUses(), 0);
        EXPECT_EQ(raster::liveObjects().surfaces, 0);
        headless::reset();
    }

    WindowHandle child(int32_t x, int32_t y, int32_t w, int32_t h, WindowHandle parent) {
        WindowCreation creation;
        creation.className = "TestClass";
        creation.title = "Window";
        creation.style = windowStyleChild | windowStyleVisible;
        creation.x = x;
        creation.y = y;
        creation.width = w;
        creation.height = h;
        creation.parent = parent;
        creation.module = module;
        return createWindow(creation);
    }

    WindowHandle host = nullptr;
};

}  // namespace

TEST_F(HeadlessWindows, ClassesAreRegisteredOnceAndKeptWhileInUse) {
    WindowClass again;
    again.name = "TestClass";
    again.module = module;
    again.procedure = recordingProcedure;
    EXPECT_FALSE(registerWindowClass(again));

    WindowCreation unknown;
    unknown.className = "Nope";
    unknown.parent = host;
    unknown.style = windowStyleChild;
    EXPECT_EQ(createWindow(unknown), nullptr);
    // A child needs a parent.
    EXPECT_EQ(child(0, 0, 10, 10, nullptr), nullptr);

    WindowHandle w = child(0, 0, 10, 10, host);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(unregisterWindowClass("TestClass", module));  // still has a window
    destroyWindow(w);
    EXPECT_TRUE(unregisterWindowClass("TestClass", module));
    EXPECT_FALSE(headless::isClassRegistered("TestClass"));
    EXPECT_FALSE(unregisterWindowClass("TestClass", module));
}

TEST_F(HeadlessWindows, DestroyReachesTheWindowBeforeItsChildren) {
    WindowHandle outer = child(10, 10, 200, 100, host);
    WindowHandle inner = child(5, 5, 50, 50, outer);
    delivered.clear();
    EXPECT_TRUE(destroyWindow(host));  // the host closes its window
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].window, outer);
    EXPECT_EQ(delivered[0].message, messageDestroy);
    EXPECT_EQ(delivered[1].window, inner);
    EXPECT_FALSE(headless::isWindow(inner));
    // A dead handle is refused and counted, not followed.
    EXPECT_FALSE(destroyWindow(outer));
    EXPECT_EQ(windowUserData(outer), nullptr);
    EXPECT_EQ(headless::invalidWindowUses(), 2);
}

TEST_F(HeadlessWindows, PaintQueueAndUpdateRegion) {
    headless::paintAll();  // the host's own first paint
    WindowHandle w = child(20, 30, 100, 50, host);
    EXPECT_TRUE(hasUpdateRegion(w));
    EXPECT_TRUE(dispatchOnePaintMessage());
    ASSERT_FALSE(delivered.empty());
    EXPECT_EQ(delivered.back().message, messagePaint);
    EXPECT_FALSE(hasUpdateRegion(w));
    EXPECT_FALSE(dispatchOnePaintMessage());
    EXPECT_EQ(headless::windowPixel(w, 99, 49), 0x0000C8u);

    // Painting is confined to the invalid area; the erase uses the class background.
    const Bounds area{10, 10, 20, 20};
    headless::invalidate(w, &area);
    paintHandled = false;  // default handling validates without drawing
    EXPECT_EQ(headless::paintAll(), 1);
    EXPECT_EQ(headless::windowPixel(w, 15, 15), headless::buttonFacePixel);
    EXPECT_EQ(headless::windowPixel(w, 25, 25), 0x0000C8u);
    paintHandled = true;
    headless::invalidate(w, &area);
    headless::paintAll();
    EXPECT_EQ(headless::windowPixel(w, 15, 15), 0x0000C8u);
    EXPECT_EQ(headless::windowPixel(w, 9, 9), 0x0000C8u);
}

TEST_F(HeadlessWindows, PositionsSurfacesAndUserData) {
    WindowHandle w = child(20, 30, 100, 50, host);
    Bounds r;
    ASSERT_TRUE(windowScreenRect(w, r));
    EXPECT_EQ(r.left, 320);
    EXPECT_EQ(r.top, 230);
    EXPECT_EQ(r.right, 420);
    EXPECT_EQ(r.bottom, 280);
    headless::moveWindow(host, 0, 0);
    windowScreenRect(w, r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(headless::windowAt(25, 35), w);
    EXPECT_EQ(headless::windowAt(5, 5), host);

    int marker = 0;
    EXPECT_EQ(windowUserData(w), nullptr);
    setWindowUserData(w, &marker);
    EXPECT_EQ(windowUserData(w), &marker);

    // A window surface covers the whole client area whatever needs painting.
    SurfaceHandle surface = windowSurface(w);
    BrushHandle brush = createSolidBrush(colorRef(255, 255, 0));
    fillRect(surface, Bounds{-5, -5, 500, 500}, brush);
    releaseWindowSurface(w, surface);
    deleteBrush(brush);
    EXPECT_EQ(headless::windowPixel(w, 0, 0), 0xFFFF00u);
    EXPECT_EQ(headless::windowPixel(w, 99, 49), 0xFFFF00u);

    headless::WindowInfo info;
    ASSERT_TRUE(headless::windowInfo(w, info));
    EXPECT_EQ(info.className, "TestClass");
    EXPECT_EQ(info.title, "Window");
    EXPECT_EQ(info.parent, host);
    EXPECT_EQ(info.module, module);

    const std::string png = std::string(TEST_OUTPUT_DIR) + "/headless-window.png";
    EXPECT_TRUE(headless::saveWindowPng(w, png.c_str()));
    FILE* file = std::fopen(png.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    unsigned char signature[8] = {};
    EXPECT_EQ(std::fread(signature, 1, 8, file), 8u);
    std::fclose(file);
    EXPECT_EQ(signature[1], 'P');
    EXPECT_EQ(signature[2], 'N');
}
