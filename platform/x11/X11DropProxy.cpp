// The drop proxy on the host's top-level window. Drag sources (GTK's, and
// with it most file managers') look for XdndAware or XdndProxy on the
// top-level under the pointer only, the window the window manager manages,
// and never on a panel inside a host's window. So while a window of ours
// takes drops, a top-level that takes no drags itself is given XdndProxy
// naming ours, which names itself as the protocol asks of a proxy; the
// messages then come to our window naming the top-level.
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

// The first 32-bit item of a property; false when the window has none.
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

bool watchedByAnother(const WindowState& except, Window window) {
    for (const auto& [id, w] : windows()) {
        if (w.get() != &except && contains(w->watchedAncestors, window))
            return true;
    }
    return false;
}

void watch(Display* d, WindowState& w, const std::vector<Window>& ancestors) {
    for (Window old : w.watchedAncestors) {
        if (!contains(ancestors, old) && !watchedByAnother(w, old))
            XSelectInput(d, old, NoEventMask);
    }
    for (Window above : ancestors) {
        if (!contains(w.watchedAncestors, above))
            XSelectInput(d, above, watchedEvents);
    }
    w.watchedAncestors = ancestors;
}

void removeProxy(Display* d, WindowState& w) {
    long named = 0;
    // Only while it still names us: the host may have taken the window over.
    if (w.proxiedTopLevel && readProperty(d, w.proxiedTopLevel, atom("XdndProxy"), named) &&
        static_cast<Window>(named) == w.id)
        XDeleteProperty(d, w.proxiedTopLevel, atom("XdndProxy"));
    w.proxiedTopLevel = 0;
}

void placeProxy(Display* d, WindowState& w) {
    const std::vector<Window> ancestors = ancestorsOf(d, w.id);
    watch(d, w, ancestors);
    const Window topLevel = topLevelOf(d, ancestors);
    if (topLevel == w.proxiedTopLevel)
        return;
    removeProxy(d, w);
    // A top-level that takes drags of its own keeps them.
    if (!topLevel || !isShown(d, topLevel) || hasProperty(d, topLevel, "XdndAware") ||
        hasProperty(d, topLevel, "XdndProxy"))
        return;
    const long panel = static_cast<long>(w.id);
    XChangeProperty(d, topLevel, atom("XdndProxy"), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&panel), 1);
    w.proxiedTopLevel = topLevel;
}

}  // namespace

void offerDropProxy(WindowState& window) {
    Display* d = connection();
    if (!d)
        return;
    installErrorHandler();
    const long self = static_cast<long>(window.id);
    XChangeProperty(d, window.id, atom("XdndProxy"), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&self), 1);
    placeProxy(d, window);
    XFlush(d);
}

void withdrawDropProxy(WindowState& window) {
    Display* d = connection();
    if (!d)
        return;
    installErrorHandler();
    removeProxy(d, window);
    watch(d, window, {});
    // The window may be gone already: the error is ignored.
    XDeleteProperty(d, window.id, atom("XdndProxy"));
    XFlush(d);
}

WindowState* dropProxyFor(Window topLevel) {
    for (const auto& [id, w] : windows()) {
        if (topLevel && w->dropReceiver && w->proxiedTopLevel == topLevel)
            return w.get();
    }
    return nullptr;
}

void handleAncestorEvent(const XEvent& event) {
    Window moved = 0;
    if (event.type == ReparentNotify)
        moved = event.xreparent.window;
    else if (event.type == MapNotify)
        moved = event.xmap.window;
    else if (event.type == PropertyNotify && event.xproperty.atom == atom("WM_STATE"))
        moved = event.xproperty.window;
    Display* d = connection();
    if (!moved || !d)
        return;
    std::vector<WindowState*> affected;
    for (const auto& [id, w] : windows()) {
        if (w->dropReceiver && (id == moved || contains(w->watchedAncestors, moved)))
            affected.push_back(w.get());
    }
    installErrorHandler();
    for (WindowState* w : affected)
        placeProxy(d, *w);
    XFlush(d);
}

}  // namespace x11
