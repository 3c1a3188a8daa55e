// The X11 backend's own connection to the X server and the windows it made.
//
// The module keeps one Xlib connection of its own, opened when the first
// window is created (so a module that never shows its panel never needs a
// display) and closed again when the last window and class are gone. Window
// handles are X window ids: the host's parent window arrives as one, and the
// backend's own windows are handed out as theirs.
//
// Everything here runs on the host's user-interface thread.
#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/raster/PixelImage.h"
#include "platform/x11/PixelFormat.h"

namespace x11 {

inline Window toXid(platform::WindowHandle window) {
    return static_cast<Window>(reinterpret_cast<uintptr_t>(window));
}
inline platform::WindowHandle fromXid(Window window) {
    return reinterpret_cast<platform::WindowHandle>(static_cast<uintptr_t>(window));
}

// A drag in progress over one of our windows, as the source announced it.
struct DragSession {
    Window source = 0;
    int version = 0;
    std::vector<Atom> types;
    bool entered = false;  // the receiver has seen dragEnter
    uint32_t effect = 0;   // the receiver's last answer
    int32_t x = 0;         // last position, screen coordinates
    int32_t y = 0;
};

// One window made by this backend.
struct WindowState {
    Window id = 0;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    ChannelMasks masks;
    bool imageLayout = false;  // images go to the server as they are
    std::string className;
    platform::WindowProcedure procedure = nullptr;
    int32_t width = 0;   // the toolkit's size; the window is scale percent of it
    int32_t height = 0;
    int32_t scale = 100;
    uint32_t background = 0;  // 0x00RRGGBB the class background erases to
    void* userData = nullptr;
    // Shared with the surfaces drawing into it, which may outlive the window.
    std::shared_ptr<raster::PixelImage> image;
    platform::Bounds update;  // empty: nothing to paint
    bool erasePending = false;
    bool painted = false;  // the image holds the window's picture, so exposures can be answered from it
    platform::DropReceiver* dropReceiver = nullptr;
    DragSession drag;
    // The host's top-level this window takes drops for (its XdndProxy names
    // this window or another of ours there), the windows above this one that
    // are watched for moves, and another client's window the top-level names
    // instead, watched for its end (X11DropProxy.cpp).
    Window dropTopLevel = 0;
    std::vector<Window> watchedAncestors;
    Window watchedClaim = 0;
};

struct ClassRecord {
    std::string name;
    void* module = nullptr;
    platform::WindowProcedure procedure = nullptr;
    uint32_t style = 0;
    int32_t backgroundSystemColor = 0;
};

// The connection, or null when none is open. open = true tries to open one
// (on the display named by DISPLAY) if there is none yet.
Display* connection(bool open = false);
// Closes the connection once no window and no class needs it (never while
// events are being delivered: the caller is still reading the connection).
void closeIfUnused();

// Marks the time events of our connection are being delivered.
class DispatchScope {
public:
    DispatchScope();
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
};

// X protocol errors on our connection are counted and otherwise ignored
// (a host may destroy our window at any moment); errors on the host's own
// connections go to whatever handler was installed before ours.
void installErrorHandler();
unsigned long errorCount();
// Waits until the server has handled every request sent so far; true when
// none of them failed since errorsBefore was read.
bool syncWithoutErrors(unsigned long errorsBefore);

Atom atom(const char* name);

std::map<Window, std::unique_ptr<WindowState>>& windows();
std::vector<ClassRecord>& classes();
// Our live window with that id, or null.
WindowState* findWindow(Window id);

// The screen's panel scale in percent: GDK_SCALE when set, else Xft.dpi from
// the server's resources, else 100.
int32_t screenScale(Display* display);
// A pointer position on the screen as the toolkit sees it: inside a scaled
// window (the one last pressed, else any) distances from the window's
// corner are shrunk by its scale, so screen minus window corner is a panel
// position.
void toPanelScreenPosition(int32_t& x, int32_t& y);

// Shows the given area of the window's image on the window.
void showArea(WindowState& window, const platform::Bounds& area);

// Handles one event of our connection: exposures become paint requests,
// button presses and drag-and-drop messages go to the window's procedure or
// drop receiver, destruction by the server becomes the destroy message.
// While a modal dialog runs, button presses are dropped (the panel is
// disabled like an owner window under a modal dialog).
void handleEvent(XEvent& event, bool modal);
// Dispatches the paint message of every window that needs painting.
void paintAll();
// Delivers the paint-related events already waiting (exposures, window
// destruction), without blocking and without taking input events.
void takePaintEvents();
// One pass of a modal loop: every waiting event of ours (button presses
// dropped), then the paint messages.
void pumpModal();

// The pointer buttons as the event stream has them (X11Input.cpp): a press
// delivered to one of our windows holds its button down for the toolkit
// until its release event has been taken, however soon it came.
void notePressDelivered(const XButtonEvent& event);
void notePressHandled();
void noteRelease(const XButtonEvent& event);

// Dialogs running beside the host (X11Dialogs.cpp): finishes those that
// have ended; called from the idle.
void finishEndedDialogs();

// Drag-and-drop target side (X11Drop.cpp). The message may name the
// window itself or the host's top-level it takes drops for.
void handleDropMessage(WindowState& window, const XClientMessageEvent& message);
// A message naming a host's top-level, which is not ours: handed to the
// panel under the pointer among those taking drops for it.
void handleTopLevelDropMessage(const XClientMessageEvent& message);
void forgetDropReceiver(WindowState& window);

// The drop proxy on the host's top-level (X11DropProxy.cpp). Drag sources
// look at the top-level under the pointer only; while windows of ours take
// drops, a top-level that takes none itself names one of them in XdndProxy.
void offerDropProxy(WindowState& window);
void withdrawDropProxy(WindowState& window);
// Our windows taking drops for this top-level.
std::vector<Window> panelsTakingDropsFor(Window topLevel);
// A reparent, map, destruction or property change: when it moved, showed or
// ended a window above ours (or the claim another client put on the
// top-level), or changed who takes the top-level's drags, our windows under
// it settle again who takes their drops.
void handleAncestorEvent(const XEvent& event);

}  // namespace x11
