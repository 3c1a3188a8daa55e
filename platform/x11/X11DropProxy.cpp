// The drop proxy on the host's top-level window. Drag sources (GTK's, and
// with it most file managers') look for XdndAware or XdndProxy on the
// top-level under the pointer only, the window the window manager manages,
// and never on a panel inside a host's window. So while a window of ours
// takes drops, a top-level that takes no drags itself is given XdndProxy
// naming ours, which names itself as the protocol asks of a proxy; the
// messages then come to our window naming the top-level.
//
// The property names one window only, while a host may show several panels
// in one top-level (two instances, or a window with several plug-ins). Our
// panels under one top-level share it: it names one of them, and the
// messages are handed to the panel under the pointer whichever of them
// received them (X11Drop.cpp). When the named panel goes, another of ours
// still under that top-level is named instead.
//
// Others may claim the top-level too: the host, once it takes drags itself
// (XdndAware on it), or a panel of another process (a second plug-in bridge)
// that names itself. A live claim is never removed or overwritten; a claim
// naming a window that is gone, or that no longer names itself, is taken
// over; and when the claim ends the top-level is ours again. The host
// starting to take drags makes our panels withdraw from it.
//
// The window a host hands us may move after the editor opened, and a window
// manager puts top-levels into frames of its own. Every window above ours is
// therefore watched, and the top-level is looked for again whenever one of
// them moves, is shown or gains WM_STATE. A top-level is only given the
// proxy once it is shown: one not shown yet may be a window the host is about
// to embed elsewhere. Ardour does that with the window it hands us (made under
// the root, embedded into its plug-in window through XEmbed afterwards), and
// GTK's embedding takes an embedded window that announces drops as a drop
// target of its own, forwarding drags to it on the host's connection, where
// we never hear of them; the plug-in window then takes drags itself.
#include <X11/Xatom.h>

#include <algorithm>

#include "platform/x11/X11Session.h"

namespace x11 {

namespace {

constexpr long watchedEvents = StructureNotifyMask | PropertyChangeMask;

bool contains(const std::vector<Window>& list, Window window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

// The first 32-bit item of a property; false when the window has none (or
// is gone).
bool readProperty(Display* d, Window window, Atom property, long& value) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(d, window, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                                          &after, &data) == Success &&
                       type != None;
    value = found && format == 32 && count == 1 ? *reinterpret_cast<const long*>(data) : 0;
    if (data)
        XFree(data);
    return found;
}

bool hasProperty(Display* d, Window window, const char* name) {
    long ignored = 0;
    return readProperty(d, window, atom(name), ignored);
}

// The window the top-level's XdndProxy names, 0 when it has none.
Window proxyNamedBy(Display* d, Window topLevel) {
    long named = 0;
    return readProperty(d, topLevel, atom("XdndProxy"), named) ? static_cast<Window>(named) : 0;
}

void nameProxy(Display* d, Window topLevel, Window panel) {
    const long value = static_cast<long>(panel);
    XChangeProperty(d, topLevel, atom("XdndProxy"), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
}

// The windows above this one, nearest first, up to the root (left out);
// empty when the window is gone.
std::vector<Window> ancestorsOf(Display* d, Window window) {
    std::vector<Window> chain;
    for (int depth = 0; depth < 64; ++depth) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(d, window, &root, &parent, &children, &count))
            return {};
        if (children)
            XFree(children);
        if (!parent || parent == root)
            break;
        chain.push_back(parent);
        window = parent;
    }
    return chain;
}

// The window a drag source looks at: the highest one the window manager
// manages, else (no window manager, or not managed yet) the one right under
// the root.
Window topLevelOf(Display* d, const std::vector<Window>& ancestors) {
    for (auto above = ancestors.rbegin(); above != ancestors.rend(); ++above) {
        if (hasProperty(d, *above, "WM_STATE"))
            return *above;
    }
    return ancestors.empty() ? 0 : ancestors.back();
}

bool isShown(Display* d, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(d, window, &attributes) && attributes.map_state == IsViewable;
}

// Whether the top-level may take drops for our panels: shown, and taking no
// drags of its own.
bool takesDropsForUs(Display* d, Window topLevel) {
    return topLevel && isShown(d, topLevel) && !hasProperty(d, topLevel, "XdndAware");
}

// The windows a panel watches: those above it, and another client's window
// its top-level names (watched for its end).
std::vector<Window> watchedBy(const WindowState& w) {
    std::vector<Window> all = w.watchedAncestors;
    if (w.watchedClaim)
        all.push_back(w.watchedClaim);
    return all;
}

bool watchedByAny(Window window) {
    for (const auto& [id, w] : windows()) {
        if (contains(watchedBy(*w), window))
            return true;
    }
    return false;
}

void watch(Display* d, WindowState& w, const std::vector<Window>& ancestors, Window claim) {
    const std::vector<Window> before = watchedBy(w);
    w.watchedAncestors = ancestors;
    w.watchedClaim = claim;
    for (Window old : before) {
        if (!watchedByAny(old))
            XSelectInput(d, old, NoEventMask);
    }
    for (Window now : watchedBy(w)) {
        if (!contains(before, now))
            XSelectInput(d, now, watchedEvents);
    }
}

// Another of our panels taking drops for the top-level, or null.
WindowState* otherPanelUnder(const WindowState& except, Window topLevel) {
    for (const auto& [id, w] : windows()) {
        if (w.get() != &except && w->dropReceiver && w->dropTopLevel == topLevel)
            return w.get();
    }
    return nullptr;
}

// The panel no longer takes drops for its top-level. When the top-level
// names it, another of our panels there is named instead, or (none left,
// or the top-level now takes drags itself) the name is removed. A name the
// host or another panel put there is left alone.
void leaveTopLevel(Display* d, WindowState& w) {
    const Window topLevel = w.dropTopLevel;
    w.dropTopLevel = 0;
    if (!topLevel || proxyNamedBy(d, topLevel) != w.id)
        return;
    WindowState* heir = takesDropsForUs(d, topLevel) ? otherPanelUnder(w, topLevel) : nullptr;
    if (heir)
        nameProxy(d, topLevel, heir->id);
    else
        XDeleteProperty(d, topLevel, atom("XdndProxy"));
}

// Looks for the panel's top-level and settles who takes its drops.
void placeProxy(Display* d, WindowState& w) {
    const std::vector<Window> ancestors = ancestorsOf(d, w.id);
    Window topLevel = topLevelOf(d, ancestors);
    if (!takesDropsForUs(d, topLevel))
        topLevel = 0;
    if (w.dropTopLevel != topLevel)
        leaveTopLevel(d, w);
    w.dropTopLevel = 0;
    if (!topLevel) {
        watch(d, w, ancestors, 0);
        return;
    }
    const Window named = proxyNamedBy(d, topLevel);
    const WindowState* namedPanel = findWindow(named);
    const bool ours = named == w.id || (namedPanel && namedPanel->dropReceiver && namedPanel->dropTopLevel == topLevel);
    long namedByItself = 0;
    if (named && !namedPanel && readProperty(d, named, atom("XdndProxy"), namedByItself) &&
        static_cast<Window>(namedByItself) == named) {
        // Another client's live claim: theirs until it ends.
        watch(d, w, ancestors, named);
        return;
    }
    watch(d, w, ancestors, 0);
    if (!ours)
        nameProxy(d, topLevel, w.id);
    w.dropTopLevel = topLevel;
}

}  // namespace

void offerDropProxy(WindowState& window) {
    Display* d = connection();
    if (!d)
        return;
    installErrorHandler();
    nameProxy(d, window.id, window.id);
    placeProxy(d, window);
    XFlush(d);
}

void withdrawDropProxy(WindowState& window) {
    Display* d = connection();
    if (!d)
        return;
    installErrorHandler();
    leaveTopLevel(d, window);
    watch(d, window, {}, 0);
    // The window may be gone already: the error is ignored.
    XDeleteProperty(d, window.id, atom("XdndProxy"));
    XFlush(d);
}

std::vector<Window> panelsTakingDropsFor(Window topLevel) {
    std::vector<Window> panels;
    for (const auto& [id, w] : windows()) {
        if (topLevel && w->dropReceiver && w->dropTopLevel == topLevel)
            panels.push_back(id);
    }
    return panels;
}

void handleAncestorEvent(const XEvent& event) {
    Window changed = 0;
    if (event.type == ReparentNotify)
        changed = event.xreparent.window;
    else if (event.type == MapNotify)
        changed = event.xmap.window;
    else if (event.type == DestroyNotify)
        changed = event.xdestroywindow.window;
    else if (event.type == PropertyNotify &&
             (event.xproperty.atom == atom("WM_STATE") || event.xproperty.atom == atom("XdndAware") ||
              event.xproperty.atom == atom("XdndProxy")))
        changed = event.xproperty.window;
    Display* d = connection();
    if (!changed || !d)
        return;
    std::vector<Window> affected;
    for (const auto& [id, w] : windows()) {
        if (w->dropReceiver && (id == changed || contains(watchedBy(*w), changed)))
            affected.push_back(id);
    }
    installErrorHandler();
    for (Window id : affected) {
        if (WindowState* w = findWindow(id); w && w->dropReceiver)
            placeProxy(d, *w);
    }
    XFlush(d);
}

}  // namespace x11
