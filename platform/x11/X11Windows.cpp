// Window classes, child windows inside the host's window, the per-window
// pointer, the paint cycle over a backing image per window, and window
// surfaces. What is drawn goes to the server when a paint ends or a surface
// is released, and only the area that changed.
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "platform/raster/PanelScale.h"
#include "platform/raster/RasterObjects.h"
#include "platform/raster/Rasterizer.h"
#include "platform/x11/X11Session.h"

namespace x11 {

namespace {

// A surface handed out over a window's image; it keeps the image alive.
struct SurfaceRecord {
    Window window = 0;
    std::shared_ptr<raster::PixelImage> image;
};

std::map<platform::SurfaceHandle, SurfaceRecord>& surfaces() {
    static std::map<platform::SurfaceHandle, SurfaceRecord> all;
    return all;
}

// What the platform data of a paint record holds between begin and end.
struct PaintData {
    Window window;
    platform::Bounds erased;
};
static_assert(sizeof(PaintData) <= sizeof(platform::PaintRecord::platformData));

const ClassRecord* findClass(const char* name, void* module) {
    if (!name)
        return nullptr;
    for (const ClassRecord& c : classes()) {
        // A global class is found from any module.
        if (c.name == name && (c.module == module || (c.style & platform::classStyleGlobal)))
            return &c;
    }
    return nullptr;
}

// The colours the system colours stand for; the button face is the one the
// panel's class uses.
uint32_t systemColorPixel(int32_t systemColor) {
    return systemColor == platform::systemColorButtonFace ? 0xF0F0F0u : 0xFFFFFFu;
}

platform::Bounds clientBounds(const WindowState& w) { return platform::Bounds{0, 0, w.width, w.height}; }

// Any visual other than the backing image's layout: the area converted pixel
// by pixel; pixelAt(column, row) gives the colour at that place of the area.
template <typename PixelAt>
void putConverted(Display* d, WindowState& w, const platform::Bounds& area, PixelAt pixelAt) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    XImage* x = XCreateImage(d, w.visual, static_cast<unsigned>(w.depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!x)
        return;
    x->data = static_cast<char*>(std::malloc(static_cast<size_t>(x->bytes_per_line) * static_cast<size_t>(height)));
    if (!x->data) {
        XDestroyImage(x);
        return;
    }
    for (int y = 0; y < height; ++y) {
        for (int column = 0; column < width; ++column)
            XPutPixel(x, column, y, packPixel(pixelAt(column, y), w.masks));
    }
    XPutImage(d, w.id, w.gc, x, 0, 0, area.left, area.top, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XDestroyImage(x);  // frees the data too
}

// The window's area at its scale (panelArea in panel pixels), enlarged.
void sendScaledImage(Display* d, WindowState& w, const platform::Bounds& panelArea) {
    const platform::Bounds area = panelscale::toWindowArea(panelArea, w.scale);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<uint32_t> enlarged(static_cast<size_t>(width) * static_cast<size_t>(height));
    panelscale::enlarge(*w.image, area, w.scale, enlarged.data());
    if (!w.imageLayout) {
        putConverted(d, w, area, [&](int column, int y) { return enlarged[static_cast<size_t>(y) * width + column]; });
        return;
    }
    XImage* x = XCreateImage(d, w.visual, static_cast<unsigned>(w.depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!x)
        return;
    x->data = reinterpret_cast<char*>(enlarged.data());
    x->bytes_per_line = width * 4;
    x->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    XPutImage(d, w.id, w.gc, x, 0, 0, area.left, area.top, static_cast<unsigned>(width), static_cast<unsigned>(height));
    x->data = nullptr;  // not Xlib's to free
    XDestroyImage(x);
}

void sendImage(Display* d, WindowState& w, const platform::Bounds& area) {
    if (w.scale != panelscale::unscaled) {
        sendScaledImage(d, w, area);
        return;
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    raster::PixelImage& image = *w.image;
    if (w.imageLayout) {
        // The backing image goes as it is, in this machine's byte order.
        XImage* x = XCreateImage(d, w.visual, static_cast<unsigned>(w.depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(image.pixels.data()), static_cast<unsigned>(image.width),
                                 static_cast<unsigned>(image.height), 32, image.width * 4);
        if (!x)
            return;
        x->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        XPutImage(d, w.id, w.gc, x, area.left, area.top, area.left, area.top, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        x->data = nullptr;  // not Xlib's to free
        XDestroyImage(x);
        return;
    }
    putConverted(d, w, area, [&](int column, int y) { return image.at(area.left + column, area.top + y); });
}

// Forgets a window the server no longer has (or is about to lose).
void forgetWindow(Window id) {
    WindowState* w = findWindow(id);
    if (!w)
        return;
    forgetDropReceiver(*w);
    if (Display* d = connection(); d && w->gc)
        XFreeGC(d, w->gc);
    windows().erase(id);
}

intptr_t deliver(Window id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    WindowState* w = findWindow(id);
    if (!w)
        return 0;
    if (w->procedure)
        return w->procedure(fromXid(id), message, wParam, lParam);
    return platform::defaultWindowProcedure(fromXid(id), message, wParam, lParam);
}

// The window the last button press went to.
Window& lastPressed() {
    static Window id = 0;
    return id;
}

}  // namespace

int32_t screenScale(Display* display) {
    if (const char* factor = std::getenv("GDK_SCALE"); factor && *factor) {
        char* end = nullptr;
        const long value = std::strtol(factor, &end, 10);
        if (*end == '\0' && value > 0)
            return panelscale::fromFactor(value);
    }
    const int32_t fromResources = display ? panelscale::fromResources(XResourceManagerString(display)) : 0;
    return fromResources ? fromResources : panelscale::unscaled;
}

void toPanelScreenPosition(int32_t& x, int32_t& y) {
    Display* d = connection();
    if (!d)
        return;
    const WindowState* chosen = findWindow(lastPressed());
    if (!chosen || chosen->scale == panelscale::unscaled) {
        chosen = nullptr;
        for (const auto& [id, w] : windows()) {
            if (w->scale != panelscale::unscaled) {
                chosen = w.get();
                break;
            }
        }
    }
    if (!chosen)
        return;
    int originX = 0;
    int originY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(d, chosen->id, chosen->root, 0, 0, &originX, &originY, &child))
        return;
    x = originX + panelscale::toPanel(x - originX, chosen->scale);
    y = originY + panelscale::toPanel(y - originY, chosen->scale);
}

void showArea(WindowState& window, const platform::Bounds& area) {
    Display* d = connection();
    const platform::Bounds shown = raster::intersect(area, clientBounds(window));
    if (!d || raster::isEmpty(shown) || !window.image)
        return;
    installErrorHandler();
    sendImage(d, window, shown);
    XFlush(d);
}

void handleEvent(XEvent& event, bool modal) {
    switch (event.type) {
    case Expose: {
        WindowState* w = findWindow(event.xexpose.window);
        if (!w)
            break;
        const platform::Bounds area = panelscale::toPanelArea(
            platform::Bounds{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                             event.xexpose.y + event.xexpose.height},
            w->scale);
        w->update = raster::unite(w->update, raster::intersect(area, clientBounds(*w)));
        w->erasePending = true;
        // The window has no background of its own: the uncovered area shows
        // the panel's last picture at once, and the paint brings it up to date.
        if (w->painted)
            showArea(*w, area);
        break;
    }
    case ButtonPress: {
        // Under a modal dialog the panel takes no clicks.
        if (modal || !findWindow(event.xbutton.window))
            break;
        uint32_t message = 0;
        switch (event.xbutton.button) {
        case Button1: message = platform::messageLeftButtonDown; break;
        case Button2: message = platform::messageMiddleButtonDown; break;
        case Button3: message = platform::messageRightButtonDown; break;
        default: break;  // wheel and extra buttons are no button-down
        }
        lastPressed() = event.xbutton.window;
        if (message) {
            const int32_t scale = findWindow(event.xbutton.window)->scale;
            notePressDelivered(event.xbutton);
            deliver(event.xbutton.window, message, 0,
                    platform::positionParameter(panelscale::toPanel(event.xbutton.x, scale),
                                                panelscale::toPanel(event.xbutton.y, scale)));
            notePressHandled();
        }
        break;
    }
    case ButtonRelease:
        noteRelease(event.xbutton);
        break;
    case DestroyNotify: {
        // The server destroyed our window with the host's: the destroy
        // message, as when the window is destroyed through us.
        const Window id = event.xdestroywindow.window;
        if (event.xdestroywindow.event != id)
            break;
        if (!findWindow(id)) {
            handleAncestorEvent(event);
            break;
        }
        deliver(id, platform::messageDestroy, 0, 0);
        forgetWindow(id);
        break;
    }
    case ClientMessage: {
        // Drag messages name our window, or the host's top-level when a
        // source found our window as that top-level's drop proxy.
        if (WindowState* w = findWindow(event.xclient.window))
            handleDropMessage(*w, event.xclient);
        else
            handleTopLevelDropMessage(event.xclient);
        break;
    }
    case ReparentNotify:
    case MapNotify:
    case PropertyNotify:
        handleAncestorEvent(event);
        break;
    default:
        break;
    }
}

void paintAll() {
    std::vector<Window> pending;
    for (const auto& [id, w] : windows()) {
        if (!raster::isEmpty(w->update))
            pending.push_back(id);
    }
    for (Window id : pending) {
        WindowState* w = findWindow(id);
        if (w && !raster::isEmpty(w->update))
            deliver(id, platform::messagePaint, 0, 0);
    }
}

void takePaintEvents() {
    Display* d = connection();
    if (!d)
        return;
    auto isPaintEvent = [](Display*, XEvent* event, XPointer) -> Bool {
        if (event->type == Expose)
            return findWindow(event->xexpose.window) != nullptr;
        if (event->type == DestroyNotify)
            return findWindow(event->xdestroywindow.window) != nullptr;
        return False;
    };
    XEvent event;
    while (connection() && XCheckIfEvent(d, &event, isPaintEvent, nullptr))
        handleEvent(event, false);
}

void pumpModal() {
    Display* d = connection();
    if (!d)
        return;
    DispatchScope scope;
    installErrorHandler();
    XEvent event;
    while (XPending(d) > 0) {
        XNextEvent(d, &event);
        handleEvent(event, true);
    }
    paintAll();
    XFlush(d);
}

}  // namespace x11

namespace platform {

using x11::findWindow;
using x11::fromXid;
using x11::toXid;
using x11::WindowState;

bool registerWindowClass(const WindowClass& windowClass) {
    if (!windowClass.name || !windowClass.procedure)
        return false;
    for (const auto& c : x11::classes()) {
        if (c.name == windowClass.name && c.module == windowClass.module)
            return false;  // already registered
    }
    x11::classes().push_back(x11::ClassRecord{windowClass.name, windowClass.module, windowClass.procedure,
                                              windowClass.style, windowClass.backgroundSystemColor});
    return true;
}

bool unregisterWindowClass(const char* name, void* module) {
    auto& all = x11::classes();
    auto found = std::find_if(all.begin(), all.end(),
                              [&](const x11::ClassRecord& c) { return name && c.name == name && c.module == module; });
    if (found == all.end())
        return false;
    for (const auto& [id, w] : x11::windows()) {
        if (w->className == found->name)
            return false;  // the class still has windows
    }
    all.erase(found);
    x11::closeIfUnused();
    return true;
}

WindowHandle createWindow(const WindowCreation& creation) {
    const x11::ClassRecord* windowClass = x11::findClass(creation.className, creation.module);
    if (!windowClass)
        return nullptr;
    Display* d = x11::connection(true);
    if (!d)
        return nullptr;
    x11::installErrorHandler();
    const unsigned long errorsBefore = x11::errorCount();

    // The window goes on the parent's screen, in that screen's default
    // visual (the host's window may have a visual of its own).
    Window parent = toXid(creation.parent);
    XWindowAttributes parentAttributes;
    if (!parent) {
        if (creation.style & windowStyleChild)
            return nullptr;  // a child needs a parent
        parent = DefaultRootWindow(d);
    }
    if (!XGetWindowAttributes(d, parent, &parentAttributes) || x11::errorCount() != errorsBefore) {
        x11::closeIfUnused();
        return nullptr;
    }
    Screen* screen = parentAttributes.screen;

    auto state = std::make_unique<WindowState>();
    state->className = windowClass->name;
    state->procedure = windowClass->procedure;
    state->width = std::max(0, creation.width);
    state->height = std::max(0, creation.height);
    state->scale = x11::screenScale(d);
    state->background = x11::systemColorPixel(windowClass->backgroundSystemColor);
    state->root = RootWindowOfScreen(screen);
    state->visual = DefaultVisualOfScreen(screen);
    state->depth = DefaultDepthOfScreen(screen);
    state->masks = x11::ChannelMasks{state->visual->red_mask, state->visual->green_mask, state->visual->blue_mask};
    int bitsPerPixel = 0;
    int formatCount = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(d, &formatCount)) {
        for (int i = 0; i < formatCount; ++i) {
            if (formats[i].depth == state->depth)
                bitsPerPixel = formats[i].bits_per_pixel;
        }
        XFree(formats);
    }
    state->imageLayout = x11::isImageLayout(state->masks, bitsPerPixel);
    state->image = std::make_shared<raster::PixelImage>();
    state->image->resize(state->width, state->height, state->background);

    XSetWindowAttributes attributes{};
    // No background: the server never fills the window with a colour of
    // its own before the panel's picture arrives.
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = DefaultColormapOfScreen(screen);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    // X has no empty windows; the image and the paint area keep the real size.
    const int shownWidth = panelscale::toWindow(state->width, state->scale);
    const int shownHeight = panelscale::toWindow(state->height, state->scale);
    const Window id = XCreateWindow(d, parent, creation.x, creation.y, static_cast<unsigned>(std::max(1, shownWidth)),
                                    static_cast<unsigned>(std::max(1, shownHeight)), 0, state->depth, InputOutput,
                                    state->visual, CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                                    &attributes);
    // The class hint names the window's class, as the window class does elsewhere.
    XClassHint hint;
    hint.res_name = const_cast<char*>(windowClass->name.c_str());
    hint.res_class = const_cast<char*>(windowClass->name.c_str());
    XSetClassHint(d, id, &hint);
    if (creation.title)
        XStoreName(d, id, creation.title);
    state->gc = XCreateGC(d, id, 0, nullptr);
    if (creation.style & windowStyleVisible)
        XMapWindow(d, id);
    if (!x11::syncWithoutErrors(errorsBefore)) {
        if (state->gc)
            XFreeGC(d, state->gc);
        XDestroyWindow(d, id);
        XSync(d, False);
        return nullptr;
    }
    state->id = id;
    if (creation.style & windowStyleVisible) {
        state->update = x11::clientBounds(*state);
        state->erasePending = true;
    }
    x11::windows()[id] = std::move(state);
    return fromXid(id);
}

bool destroyWindow(WindowHandle window) {
    const Window id = toXid(window);
    if (!findWindow(id))
        return false;
    // The window hears of its end while it still exists.
    x11::deliver(id, messageDestroy, 0, 0);
    const bool stillOurs = findWindow(id) != nullptr;
    x11::forgetWindow(id);
    if (stillOurs) {
        if (Display* d = x11::connection()) {
            x11::installErrorHandler();
            // The server may have destroyed it already with the host's window.
            XDestroyWindow(d, id);
            XFlush(d);
        }
    }
    x11::closeIfUnused();
    return true;
}

void setWindowUserData(WindowHandle window, void* data) {
    if (WindowState* w = findWindow(toXid(window)))
        w->userData = data;
}

void* windowUserData(WindowHandle window) {
    WindowState* w = findWindow(toXid(window));
    return w ? w->userData : nullptr;
}

intptr_t defaultWindowProcedure(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
    if (message == messagePaint && findWindow(toXid(window))) {
        PaintRecord paint;
        beginPaint(window, paint);
        endPaint(window, paint);
    }
    return 0;
}

bool hasUpdateRegion(WindowHandle window) {
    WindowState* w = findWindow(toXid(window));
    return w && !raster::isEmpty(w->update);
}

SurfaceHandle beginPaint(WindowHandle window, PaintRecord& paint) {
    paint.surface = nullptr;
    WindowState* w = findWindow(toXid(window));
    if (!w)
        return nullptr;
    x11::PaintData data{w->id, Bounds{}};
    const Bounds area = w->update;
    if (w->erasePending) {
        raster::fillArea(*w->image, area, area, w->background);
        data.erased = area;
        w->erasePending = false;
    }
    w->update = Bounds{};  // beginning the paint validates the window
    paint.surface = raster::createTargetSurface(w->image.get(), area);
    x11::surfaces()[paint.surface] = x11::SurfaceRecord{w->id, w->image};
    std::memcpy(paint.platformData, &data, sizeof data);
    return paint.surface;
}

void endPaint(WindowHandle window, PaintRecord& paint) {
    x11::PaintData data{};
    std::memcpy(&data, paint.platformData, sizeof data);
    if (!paint.surface || data.window != toXid(window))
        return;
    const Bounds changed = raster::unite(data.erased, raster::takeDamage(paint.surface));
    if (WindowState* w = findWindow(data.window)) {
        x11::showArea(*w, changed);
        w->painted = true;
    }
    raster::destroyTargetSurface(paint.surface);
    x11::surfaces().erase(paint.surface);
    paint.surface = nullptr;
}

SurfaceHandle windowSurface(WindowHandle window) {
    WindowState* w = findWindow(toXid(window));
    if (!w)
        return nullptr;
    SurfaceHandle surface = raster::createTargetSurface(w->image.get(), x11::clientBounds(*w));
    x11::surfaces()[surface] = x11::SurfaceRecord{w->id, w->image};
    return surface;
}

void releaseWindowSurface(WindowHandle, SurfaceHandle surface) {
    auto found = x11::surfaces().find(surface);
    if (found == x11::surfaces().end())
        return;
    const Bounds changed = raster::takeDamage(surface);
    // The window may be gone by now; its image lives until here.
    if (WindowState* w = findWindow(found->second.window))
        x11::showArea(*w, changed);
    raster::destroyTargetSurface(surface);
    x11::surfaces().erase(found);
}

int32_t windowScale(WindowHandle) {
    // Before the panel opens there may be no connection yet; one is opened
    // just to read the server's resources.
    if (Display* d = x11::connection())
        return x11::screenScale(d);
    Display* temporary = XOpenDisplay(nullptr);
    const int32_t scale = x11::screenScale(temporary);
    if (temporary)
        XCloseDisplay(temporary);
    return scale;
}

bool windowScreenRect(WindowHandle window, Bounds& rect) {
    Display* d = x11::connection();
    const Window id = toXid(window);
    if (!d || !id)
        return false;
    x11::installErrorHandler();
    const unsigned long errorsBefore = x11::errorCount();
    WindowState* w = findWindow(id);
    Window root = w ? w->root : DefaultRootWindow(d);
    unsigned width = 0;
    unsigned height = 0;
    if (w) {
        width = static_cast<unsigned>(w->width);
        height = static_cast<unsigned>(w->height);
    } else {
        int x = 0;
        int y = 0;
        unsigned border = 0;
        unsigned depth = 0;
        if (!XGetGeometry(d, id, &root, &x, &y, &width, &height, &border, &depth))
            return false;
    }
    int x = 0;
    int y = 0;
    Window child = 0;
    // A round trip: an error (a window gone) has arrived when it returns.
    if (!XTranslateCoordinates(d, id, root, 0, 0, &x, &y, &child) || x11::errorCount() != errorsBefore)
        return false;
    rect = Bounds{x, y, x + static_cast<int32_t>(width), y + static_cast<int32_t>(height)};
    return true;
}

}  // namespace platform

namespace platform {

// The module's artwork is embedded in it (there are no resource sections here).
ImageHandle loadBitmapResource(void*, int32_t resourceId) { return raster::loadEmbeddedImage(resourceId & 0xFFFF); }

}  // namespace platform
