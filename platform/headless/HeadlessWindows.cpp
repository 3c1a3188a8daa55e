// Windows on the virtual screen: classes, creation and destruction, the
// message procedure, the paint cycle and window surfaces.
#include <algorithm>
#include <cstring>

#include "platform/headless/HeadlessState.h"
#include "platform/raster/PngWriter.h"
#include "platform/raster/RasterObjects.h"
#include "platform/raster/Rasterizer.h"

namespace headless::detail {

platform::WindowObject* liveWindow(platform::WindowHandle window) {
    detail::State& s = state();
    if (window && s.known.count(window) && window->alive)
        return window;
    ++s.invalidWindowUses;
    return nullptr;
}

void screenOrigin(const platform::WindowObject* window, int32_t& x, int32_t& y) {
    x = 0;
    y = 0;
    for (const platform::WindowObject* w = window; w; w = w->parent) {
        x += w->x;
        y += w->y;
    }
}

namespace {

const ClassRecord* findClass(const char* name, void* module) {
    if (!name)
        return nullptr;
    for (const ClassRecord& c : state().classes) {
        // A global class is found from any module.
        if (c.name == name && (c.module == module || (c.style & platform::classStyleGlobal)))
            return &c;
    }
    return nullptr;
}

uint32_t backgroundPixel(int32_t systemColor) {
    return systemColor == platform::systemColorButtonFace ? buttonFacePixel : rgb(255, 255, 255);
}

platform::Bounds clientBounds(const platform::WindowObject* w) { return platform::Bounds{0, 0, w->width, w->height}; }

void markForPaint(platform::WindowObject* w, const platform::Bounds& area) {
    w->update = raster::unite(w->update, raster::intersect(area, clientBounds(w)));
    w->erasePending = true;
}

bool isShown(const platform::WindowObject* w) {
    for (; w; w = w->parent) {
        if (!w->alive || !(w->style & platform::windowStyleVisible))
            return false;
    }
    return true;
}

// The window receives its destroy message before its children do.
void destroyTree(platform::WindowObject* w) {
    if (w->procedure)
        w->procedure(w, platform::messageDestroy, 0, 0);
    for (auto& child : state().windows) {
        if (child->parent == w && child->alive)
            destroyTree(child.get());
    }
    w->alive = false;
    w->update = platform::Bounds{};
    if (w->dropReceiver) {
        ++state().unrevokedDropTargets;
        w->dropReceiver->release();
        w->dropReceiver = nullptr;
    }
}

platform::WindowObject* makeWindow() {
    detail::State& s = state();
    s.windows.push_back(std::make_unique<platform::WindowObject>());
    platform::WindowObject* w = s.windows.back().get();
    s.known.insert(w);
    return w;
}

}  // namespace

}  // namespace headless::detail

namespace platform {

using headless::detail::liveWindow;
using headless::detail::state;

bool registerWindowClass(const WindowClass& windowClass) {
    if (!windowClass.name || !windowClass.procedure)
        return false;
    for (const auto& c : state().classes) {
        if (c.name == windowClass.name && c.module == windowClass.module)
            return false;  // already registered
    }
    state().classes.push_back(headless::detail::ClassRecord{windowClass.name, windowClass.module,
                                                            windowClass.procedure, windowClass.style,
                                                            windowClass.backgroundSystemColor});
    return true;
}

bool unregisterWindowClass(const char* name, void* module) {
    auto& classes = state().classes;
    auto found = std::find_if(classes.begin(), classes.end(), [&](const headless::detail::ClassRecord& c) {
        return name && c.name == name && c.module == module;
    });
    if (found == classes.end())
        return false;
    for (const auto& w : state().windows) {
        if (w->alive && w->className == found->name)
            return false;  // the class still has windows
    }
    classes.erase(found);
    return true;
}

WindowHandle createWindow(const WindowCreation& creation) {
    const auto* windowClass = headless::detail::findClass(creation.className, creation.module);
    if (!windowClass)
        return nullptr;
    WindowObject* parent = nullptr;
    if (creation.parent) {
        parent = liveWindow(creation.parent);
        if (!parent)
            return nullptr;
    } else if (creation.style & windowStyleChild) {
        return nullptr;  // a child needs a parent
    }
    WindowObject* w = headless::detail::makeWindow();
    w->className = windowClass->name;
    w->title = creation.title ? creation.title : "";
    w->module = creation.module;
    w->style = creation.style;
    w->extendedStyle = creation.extendedStyle;
    w->procedure = windowClass->procedure;
    w->classBackground = windowClass->background;
    w->parent = parent;
    w->x = creation.x;
    w->y = creation.y;
    w->width = std::max(0, creation.width);
    w->height = std::max(0, creation.height);
    w->pixels.resize(w->width, w->height, 0);
    if (w->style & windowStyleVisible)
        headless::detail::markForPaint(w, headless::detail::clientBounds(w));
    return w;
}

bool destroyWindow(WindowHandle window) {
    WindowObject* w = liveWindow(window);
    if (!w)
        return false;
    headless::detail::destroyTree(w);
    return true;
}

void setWindowUserData(WindowHandle window, void* data) {
    if (WindowObject* w = liveWindow(window))
        w->userData = data;
}

void* windowUserData(WindowHandle window) {
    WindowObject* w = liveWindow(window);
    return w ? w->userData : nullptr;
}

intptr_t defaultWindowProcedure(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
    WindowObject* w = liveWindow(window);
    if (w && message == messagePaint) {
        PaintRecord paint;
        beginPaint(window, paint);
        endPaint(window, paint);
    }
    return 0;
}

bool hasUpdateRegion(WindowHandle window) {
    WindowObject* w = liveWindow(window);
    return w && !raster::isEmpty(w->update);
}

SurfaceHandle beginPaint(WindowHandle window, PaintRecord& paint) {
    paint.surface = nullptr;
    WindowObject* w = liveWindow(window);
    if (!w)
        return nullptr;
    const Bounds area = w->update;
    if (w->erasePending) {
        raster::fillArea(w->pixels, area, area, headless::detail::backgroundPixel(w->classBackground));
        w->erasePending = false;
    }
    w->update = Bounds{};  // beginning the paint validates the window
    paint.surface = raster::createTargetSurface(&w->pixels, area);
    std::memcpy(paint.platformData, &w, sizeof w);
    return paint.surface;
}

void endPaint(WindowHandle window, PaintRecord& paint) {
    WindowObject* painted = nullptr;
    std::memcpy(&painted, paint.platformData, sizeof painted);
    if (paint.surface && painted == window)
        raster::destroyTargetSurface(paint.surface);
    paint.surface = nullptr;
}

SurfaceHandle windowSurface(WindowHandle window) {
    WindowObject* w = liveWindow(window);
    if (!w)
        return nullptr;
    ++state().windowSurfaces;
    return raster::createTargetSurface(&w->pixels, headless::detail::clientBounds(w));
}

void releaseWindowSurface(WindowHandle, SurfaceHandle surface) {
    state().lastDrawn = raster::takeDamage(surface);
    // The surface may outlive its window; its pixels are kept until reset.
    raster::destroyTargetSurface(surface);
}

int32_t windowScale(WindowHandle) { return state().screenScale; }

bool windowScreenRect(WindowHandle window, Bounds& rect) {
    WindowObject* w = liveWindow(window);
    if (!w)
        return false;
    int32_t x = 0;
    int32_t y = 0;
    headless::detail::screenOrigin(w, x, y);
    rect = Bounds{x, y, x + w->width, y + w->height};
    return true;
}

bool dispatchOnePaintMessage() {
    for (const auto& w : state().windows) {
        if (w->alive && !raster::isEmpty(w->update) && headless::detail::isShown(w.get())) {
            headless::sendMessage(w.get(), messagePaint, 0, 0);
            return true;
        }
    }
    return false;
}

}  // namespace platform

namespace headless {

using detail::liveWindow;
using detail::state;

void reset() {
    detail::State& s = state();
    for (auto& w : s.windows) {
        if (w->dropReceiver)
            w->dropReceiver->release();
    }
    s = detail::State{};
    raster::resetObjects();
}

void setScreenScale(int32_t percent) { detail::state().screenScale = percent; }

platform::WindowHandle createHostWindow(int32_t x, int32_t y, int32_t width, int32_t height) {
    platform::WindowObject* w = detail::makeWindow();
    w->className = "host";
    w->title = "host";
    w->style = platform::windowStyleVisible;
    w->x = x;
    w->y = y;
    w->width = std::max(0, width);
    w->height = std::max(0, height);
    w->pixels.resize(w->width, w->height, 0);
    detail::markForPaint(w, detail::clientBounds(w));
    return w;
}

void moveWindow(platform::WindowHandle window, int32_t x, int32_t y) {
    if (platform::WindowObject* w = liveWindow(window)) {
        w->x = x;
        w->y = y;
    }
}

bool isWindow(platform::WindowHandle window) {
    return window && state().known.count(window) && window->alive;
}

std::vector<platform::WindowHandle> childWindows(platform::WindowHandle parent) {
    std::vector<platform::WindowHandle> children;
    for (const auto& w : state().windows) {
        if (w->alive && w->parent == parent)
            children.push_back(w.get());
    }
    return children;
}

platform::WindowHandle windowAt(int32_t screenX, int32_t screenY) {
    // Later windows lie on top of earlier ones; children are made after their parents.
    const auto& windows = state().windows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        platform::WindowObject* w = it->get();
        if (!detail::isShown(w))
            continue;
        int32_t x = 0;
        int32_t y = 0;
        detail::screenOrigin(w, x, y);
        if (screenX >= x && screenY >= y && screenX < x + w->width && screenY < y + w->height)
            return w;
    }
    return nullptr;
}

bool windowInfo(platform::WindowHandle window, WindowInfo& info) {
    if (!window || !state().known.count(window))
        return false;
    info = WindowInfo{window->className, window->title, window->style, window->extendedStyle, window->x,
                      window->y, window->width, window->height, window->module, window->parent};
    return true;
}

bool isClassRegistered(const std::string& name) {
    for (const auto& c : state().classes) {
        if (c.name == name)
            return true;
    }
    return false;
}

int32_t registeredClassCount() { return static_cast<int32_t>(state().classes.size()); }

bool classDetails(const std::string& name, platform::WindowClass& details) {
    for (const auto& c : state().classes) {
        if (c.name == name) {
            details = platform::WindowClass{nullptr, c.module, c.procedure, c.style, c.background};
            return true;
        }
    }
    return false;
}

intptr_t sendMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    platform::WindowObject* w = liveWindow(window);
    if (!w)
        return 0;
    if (w->procedure)
        return w->procedure(w, message, wParam, lParam);
    return platform::defaultWindowProcedure(w, message, wParam, lParam);
}

intptr_t sendButtonDown(platform::WindowHandle window, Button button, int32_t x, int32_t y) {
    const uint32_t message = button == Button::left    ? platform::messageLeftButtonDown
                             : button == Button::right ? platform::messageRightButtonDown
                                                       : platform::messageMiddleButtonDown;
    return sendMessage(window, message, 0, platform::positionParameter(x, y));
}

intptr_t click(platform::WindowHandle window, Button button, int32_t x, int32_t y, uint32_t holdMilliseconds) {
    platform::WindowObject* w = liveWindow(window);
    if (!w)
        return 0;
    int32_t originX = 0;
    int32_t originY = 0;
    detail::screenOrigin(w, originX, originY);
    InputState pressed = input();
    pressed.cursorX = originX + x;
    pressed.cursorY = originY + y;
    InputState released = pressed;
    bool& down = button == Button::left ? pressed.leftButton
                 : button == Button::right ? pressed.rightButton
                                           : pressed.middleButton;
    down = true;
    setInput(pressed);
    if (holdMilliseconds == 0)
        holdMilliseconds = 1;  // the message is sent while the button is down
    scheduleInput(now() + holdMilliseconds, released);
    return sendButtonDown(window, button, x, y);
}

void invalidate(platform::WindowHandle window, const platform::Bounds* area) {
    if (platform::WindowObject* w = liveWindow(window))
        detail::markForPaint(w, area ? *area : detail::clientBounds(w));
}

bool paintPending(platform::WindowHandle window) {
    return isWindow(window) && !raster::isEmpty(window->update);
}

int32_t paintAll(int32_t limit) {
    int32_t count = 0;
    while (count < limit && platform::dispatchOnePaintMessage())
        ++count;
    return count;
}

uint32_t eventPumps() { return state().eventPumps; }

uint32_t windowSurfacesTaken() { return state().windowSurfaces; }

platform::Bounds lastDrawnArea() { return state().lastDrawn; }

int32_t invalidWindowUses() { return state().invalidWindowUses; }

uint32_t windowPixel(platform::WindowHandle window, int32_t x, int32_t y) {
    if (!window || !state().known.count(window) || !window->pixels.contains(x, y))
        return 0;
    return window->pixels.at(x, y);
}

const raster::PixelImage* windowImage(platform::WindowHandle window) {
    if (!window || !state().known.count(window))
        return nullptr;
    return &window->pixels;
}

bool saveWindowPng(platform::WindowHandle window, const char* path) {
    const raster::PixelImage* image = windowImage(window);
    return image && raster::writePng(*image, path);
}

}  // namespace headless
