#include "tools/x11host/DragSource.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <chrono>
#include <cstdio>

namespace {

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

std::string actionName(Display* display, Atom action) {
    if (action == None)
        return "none";
    if (action == atom(display, "XdndActionCopy"))
        return "copy";
    if (action == atom(display, "XdndActionMove"))
        return "move";
    if (action == atom(display, "XdndActionLink"))
        return "link";
    if (action == atom(display, "XdndActionPrivate"))
        return "private";
    return "other";
}

// Whether the window has the property; value becomes its first 32-bit item
// (0 when it has none).
bool readProperty(Display* display, Window window, const char* name, long& value) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, atom(display, name), 0, 1, False, AnyPropertyType, &type,
                                          &format, &count, &after, &data) == Success &&
                       type != None;
    value = found && data && format == 32 && count == 1 ? *reinterpret_cast<const long*>(data) : 0;
    if (data)
        XFree(data);
    return found;
}

long propertyValue(Display* display, Window window, const char* name) {
    long value = 0;
    readProperty(display, window, name, value);
    return value;
}

bool hasProperty(Display* display, Window window, const char* name) {
    long ignored = 0;
    return readProperty(display, window, name, ignored);
}

// The child of the window at the root point, or 0.
Window childAt(Display* display, Window window, int rootX, int rootY) {
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, DefaultRootWindow(display), window, rootX, rootY, &x, &y, &child))
        return 0;
    return child;
}

void serveData(Display* display, const XSelectionRequestEvent& request, Atom offered, const std::string& data,
               DragReport& report) {
    XEvent answer{};
    answer.xselection.type = SelectionNotify;
    answer.xselection.display = display;
    answer.xselection.requestor = request.requestor;
    answer.xselection.selection = request.selection;
    answer.xselection.target = request.target;
    answer.xselection.time = request.time;
    answer.xselection.property = None;
    if (request.target == offered && request.property != None) {
        XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
        answer.xselection.property = request.property;
        report.dataServed = true;
    }
    // Anything else, DELETE above all, is refused.
    XSendEvent(display, request.requestor, False, NoEventMask, &answer);
    XFlush(display);
}

// Handles events until the wanted client message arrives or time runs out.
bool waitFor(Display* display, Window source, const char* type, Atom offered, const std::string& data,
             DragReport& report, XClientMessageEvent& message, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    const Atom wanted = atom(display, type);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest)
                serveData(display, event.xselectionrequest, offered, data, report);
            else if (event.type == ClientMessage && event.xclient.window == source &&
                     event.xclient.message_type == wanted) {
                message = event.xclient;
                return true;
            }
        }
        pollfd wait{ConnectionNumber(display), POLLIN, 0};
        poll(&wait, 1, 20);
    }
    return false;
}

}  // namespace

void sendDragMessage(Display* display, Window to, Window target, Window from, const char* type, long l1, long l2,
                     long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = atom(display, type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(from);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, to, False, NoEventMask, &event);
    XFlush(display);
}

std::string fileUri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

Window findTopLevel(Display* display, int rootX, int rootY, Window& recipient) {
    recipient = 0;
    const Window frame = childAt(display, DefaultRootWindow(display), rootX, rootY);
    if (!frame)
        return 0;
    // Under a window manager the client window with WM_STATE is somewhere
    // inside its frame; without one the window under the root is it.
    Window topLevel = frame;
    for (Window window = frame; window; window = childAt(display, window, rootX, rootY)) {
        if (hasProperty(display, window, "WM_STATE")) {
            topLevel = window;
            break;
        }
    }
    // A proxy counts only when it names itself, so a stale one is ignored.
    const Window proxy = static_cast<Window>(propertyValue(display, topLevel, "XdndProxy"));
    const bool proxyValid = proxy && static_cast<Window>(propertyValue(display, proxy, "XdndProxy")) == proxy;
    const Window candidate = proxyValid ? proxy : topLevel;
    if (propertyValue(display, candidate, "XdndAware") >= 3)
        recipient = candidate;
    return topLevel;
}

DragReport dragFiles(Display* display, int rootX, int rootY, const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths)
        list += fileUri(path) + "\r\n";
    return dragData(display, rootX, rootY, "text/uri-list", list);
}

DragReport dragData(Display* display, int rootX, int rootY, const std::string& type, const std::string& data) {
    DragReport report;

    const Window source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, atom(display, "XdndSelection"), source, CurrentTime);
    report.target = findTopLevel(display, rootX, rootY, report.recipient);
    if (!report.recipient) {
        XDestroyWindow(display, source);
        return report;
    }

    const Atom offered = atom(display, type.c_str());
    auto send = [&](const char* message, long l1, long l2, long l3, long l4) {
        sendDragMessage(display, report.recipient, report.target, source, message, l1, l2, l3, l4);
    };
    send("XdndEnter", 5L << 24, static_cast<long>(offered), 0, 0);
    send("XdndPosition", 0, (static_cast<long>(rootX) << 16) | rootY, CurrentTime,
         static_cast<long>(atom(display, "XdndActionMove")));
    XClientMessageEvent message{};
    if (waitFor(display, source, "XdndStatus", offered, data, report, message, 3000)) {
        report.statusSeen = true;
        report.accepted = message.data.l[1] & 1;
        report.statusAction = actionName(display, static_cast<Atom>(message.data.l[4]));
    }
    send("XdndDrop", 0, CurrentTime, 0, 0);
    if (waitFor(display, source, "XdndFinished", offered, data, report, message, 5000)) {
        report.finishedSeen = true;
        report.finishAccepted = message.data.l[1] & 1;
        report.finishAction = actionName(display, static_cast<Atom>(message.data.l[2]));
    }
    XDestroyWindow(display, source);
    XSync(display, False);
    return report;
}
