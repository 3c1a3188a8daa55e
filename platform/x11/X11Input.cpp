// Live input from the server, the clock, sleeping, and the two ways window
// events reach our windows: the editor's idle (everything waiting) and the
// single paint pump of a tracking loop.
#include <chrono>
#include <thread>

#include "platform/raster/Rasterizer.h"
#include "platform/x11/X11Session.h"

namespace {

struct PointerState {
    bool valid = false;
    int rootX = 0;
    int rootY = 0;
    unsigned int mask = 0;
};

// Read at the moment of the call. Without a connection (no panel was ever
// shown) nothing is pressed.
PointerState queryPointer() {
    PointerState state;
    Display* d = x11::connection();
    if (!d)
        return state;
    x11::installErrorHandler();
    Window root = 0;
    Window child = 0;
    int windowX = 0;
    int windowY = 0;
    // False only means the pointer is on another screen; the root position
    // and the mask are still right.
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &state.rootX, &state.rootY, &windowX, &windowY,
                  &state.mask);
    state.valid = true;
    return state;
}

}  // namespace

namespace platform {

bool isKeyDown(Key key) {
    const PointerState state = queryPointer();
    switch (key) {
    case keyLeftButton: return state.mask & Button1Mask;
    case keyMiddleButton: return state.mask & Button2Mask;
    case keyRightButton: return state.mask & Button3Mask;
    case keyShift: return state.mask & ShiftMask;
    case keyControl: return state.mask & ControlMask;
    case keyAlt: return state.mask & Mod1Mask;
    }
    return false;
}

bool cursorScreenPosition(int32_t& x, int32_t& y) {
    const PointerState state = queryPointer();
    if (!state.valid)
        return false;
    x = state.rootX;
    y = state.rootY;
    x11::toPanelScreenPosition(x, y);
    return true;
}

uint32_t tickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void sleepMilliseconds(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool dispatchOnePaintMessage() {
    Display* d = x11::connection();
    if (!d)
        return false;
    x11::DispatchScope scope;
    x11::installErrorHandler();
    // Only exposures and destruction are taken from the queue; clicks wait
    // for the next idle, as they wait behind a paint message elsewhere.
    x11::takePaintEvents();
    for (const auto& [id, w] : x11::windows()) {
        if (raster::isEmpty(w->update))
            continue;
        const Window target = id;  // the map may change while the window paints
        if (w->procedure)
            w->procedure(x11::fromXid(target), messagePaint, 0, 0);
        else
            defaultWindowProcedure(x11::fromXid(target), messagePaint, 0, 0);
        return true;
    }
    return false;
}

void processPendingEvents() {
    Display* d = x11::connection();
    if (!d)
        return;
    {
        x11::DispatchScope scope;
        x11::installErrorHandler();
        XEvent event;
        // Bounded, so a flood of events cannot hold the host's idle forever.
        for (int budget = 1000; budget > 0 && XPending(d) > 0; --budget) {
            XNextEvent(d, &event);
            x11::handleEvent(event, false);
        }
        // Paint last, when everything else waiting has been handled.
        x11::paintAll();
        XFlush(d);
    }
    x11::closeIfUnused();
}

}  // namespace platform
