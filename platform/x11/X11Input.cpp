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

constexpr unsigned int modifierMasks = ShiftMask | ControlMask | Mod1Mask;

// The buttons whose press was delivered and whose release has not been
// taken yet. Right after a press the toolkit reads the state the press
// carried: each key once, so one full read of the buttons and modifiers
// sees the press as it happened even when the release is already waiting.
struct StreamState {
    unsigned int held = 0;
    bool pressFresh = false;
    unsigned int pressMask = 0;
    unsigned int pressRead = 0;
} stream;

unsigned int maskOf(platform::Key key) {
    switch (key) {
    case platform::keyLeftButton: return Button1Mask;
    case platform::keyMiddleButton: return Button2Mask;
    case platform::keyRightButton: return Button3Mask;
    case platform::keyShift: return ShiftMask;
    case platform::keyControl: return ControlMask;
    case platform::keyAlt: return Mod1Mask;
    }
    return 0;
}

unsigned int buttonMask(unsigned int button) {
    switch (button) {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
    }
}

// Takes the first waiting release of the button from our queue; the events
// around it stay for the next idle.
bool takeRelease(Display* d, unsigned int mask) {
    auto isRelease = [](Display*, XEvent* event, XPointer wanted) -> Bool {
        return event->type == ButtonRelease && x11::findWindow(event->xbutton.window) &&
               buttonMask(event->xbutton.button) == *reinterpret_cast<unsigned int*>(wanted);
    };
    XEvent event;
    return XCheckIfEvent(d, &event, isRelease, reinterpret_cast<XPointer>(&mask));
}

}  // namespace

namespace x11 {

void notePressDelivered(const XButtonEvent& event) {
    const unsigned int mask = buttonMask(event.button);
    stream.held |= mask;
    stream.pressFresh = true;
    stream.pressMask = (event.state & modifierMasks) | stream.held;
    stream.pressRead = 0;
}

void notePressHandled() { stream.pressFresh = false; }

void noteRelease(const XButtonEvent& event) { stream.held &= ~buttonMask(event.button); }

}  // namespace x11

namespace platform {

bool isKeyDown(Key key) {
    const unsigned int mask = maskOf(key);
    if (stream.pressFresh) {
        if (!(stream.pressRead & mask)) {
            stream.pressRead |= mask;
            return stream.pressMask & mask;
        }
        stream.pressFresh = false;  // a second read: from now on the stream and the server
    }
    if (mask & modifierMasks)
        return queryPointer().mask & mask;
    if (!(stream.held & mask))
        return false;
    Display* d = x11::connection();
    if (!d) {
        stream.held = 0;
        return false;
    }
    // The round trip brings in every event the server sent before it.
    const PointerState state = queryPointer();
    if (takeRelease(d, mask) || !(state.mask & mask)) {
        // Released, or released where we could not see it (someone else
        // grabbed the pointer): up either way.
        stream.held &= ~mask;
        return false;
    }
    return true;
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
    x11::finishEndedDialogs();
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
