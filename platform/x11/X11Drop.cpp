// The drag-and-drop target: our windows announce the X drag-and-drop
// protocol (version 5), hand the drag to the toolkit's receiver as enter,
// over, leave and drop, and fetch the dragged files as a text/uri-list.
// The receiver's answer decides the accept flag of the status (copy when it
// would take the files, none otherwise); the action reported back is never
// a move, so the source keeps its files. Messages may also come for the
// host's top-level we are the drop proxy of (X11DropProxy.cpp): they are
// answered in the top-level's name, handed to the panel of ours under the
// pointer (a host may show several in one window), and a receiver only hears
// of the pointer while it is over its window, as it would without a proxy.
#include <X11/Xatom.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/raster/DroppedFileList.h"
#include "platform/raster/PanelScale.h"
#include "platform/x11/DropRules.h"
#include "platform/x11/X11Session.h"

namespace platform {

struct DropDataObject {
    Window window = 0;
    Window source = 0;
    std::vector<Atom> types;
    Time time = CurrentTime;
};


}  // namespace platform

namespace x11 {

namespace {

constexpr long protocolVersion = 5;
constexpr int selectionWaitMilliseconds = 2000;

Atom actionAtom(DragAction action) {
    switch (action) {
    case DragAction::copy: return atom("XdndActionCopy");
    case DragAction::move: return atom("XdndActionMove");
    case DragAction::link: return atom("XdndActionLink");
    case DragAction::none: return None;
    case DragAction::other: break;
    }
    return atom("XdndActionPrivate");
}

DragAction actionOf(Atom action) {
    if (action == atom("XdndActionCopy"))
        return DragAction::copy;
    if (action == atom("XdndActionMove"))
        return DragAction::move;
    if (action == atom("XdndActionLink"))
        return DragAction::link;
    return DragAction::other;
}

void sendToSource(Window source, const char* type, long l1, long l2, long l3, long l4, Window from) {
    Display* d = connection();
    if (!d || !source)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = d;
    event.xclient.window = source;
    event.xclient.message_type = atom(type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(from);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    installErrorHandler();
    XSendEvent(d, source, False, NoEventMask, &event);
    XFlush(d);
}

uint32_t currentKeyState() {
    Display* d = connection();
    if (!d)
        return 0;
    Window root = 0;
    Window child = 0;
    int rx = 0;
    int ry = 0;
    int wx = 0;
    int wy = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return keyStateFromMask(mask);
}

// The types a source offers: up to three in the message, more in its type list.
std::vector<Atom> offeredTypes(const XClientMessageEvent& message) {
    std::vector<Atom> types;
    Display* d = connection();
    if ((message.data.l[1] & 1) && d) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        installErrorHandler();
        if (XGetWindowProperty(d, static_cast<Window>(message.data.l[0]), atom("XdndTypeList"), 0, 1024, False,
                               XA_ATOM, &type, &format, &count, &after, &data) == Success &&
            data) {
            if (type == XA_ATOM && format == 32) {
                const auto* atoms = reinterpret_cast<const long*>(data);
                for (unsigned long i = 0; i < count; ++i)
                    types.push_back(static_cast<Atom>(atoms[i]));
            }
            XFree(data);
        }
        return types;
    }
    for (int i = 2; i <= 4; ++i) {
        if (message.data.l[i])
            types.push_back(static_cast<Atom>(message.data.l[i]));
    }
    return types;
}

void endSession(WindowState& window) { window.drag = DragSession{}; }

// Whether the screen point lies on the window (a drop proxy also hears of
// the rest of the host's window).
bool pointOnWindow(const WindowState& window, int32_t x, int32_t y) {
    Display* d = connection();
    int windowX = 0;
    int windowY = 0;
    Window child = 0;
    if (!d || !XTranslateCoordinates(d, window.root, window.id, x, y, &windowX, &windowY, &child))
        return false;
    return windowX >= 0 && windowY >= 0 && windowX < panelscale::toWindow(window.width, window.scale) &&
           windowY < panelscale::toWindow(window.height, window.scale);
}

// The panel among these (all under the top-level) the pointer is over at
// the screen point, 0 when none: the one shown there, else (a window of the
// host's over it that shows nothing, such as an input-only one) the one
// whose area holds the point.
Window panelAt(const std::vector<Window>& panels, Window topLevel, int32_t x, int32_t y) {
    Display* d = connection();
    const WindowState* first = panels.empty() ? nullptr : findWindow(panels.front());
    if (!d || !first)
        return 0;
    Window window = topLevel;
    for (int depth = 0; depth < 64; ++depth) {
        int windowX = 0;
        int windowY = 0;
        Window child = 0;
        if (!XTranslateCoordinates(d, first->root, window, x, y, &windowX, &windowY, &child) || !child)
            break;
        window = child;
    }
    if (std::find(panels.begin(), panels.end(), window) != panels.end())
        return window;
    for (Window id : panels) {
        if (const WindowState* w = findWindow(id); w && pointOnWindow(*w, x, y))
            return id;
    }
    return 0;
}

}  // namespace

void forgetDropReceiver(WindowState& window) {
    if (platform::DropReceiver* receiver = window.dropReceiver) {
        withdrawDropProxy(window);
        window.dropReceiver = nullptr;
        endSession(window);
        receiver->release();
    }
}

void handleTopLevelDropMessage(const XClientMessageEvent& message) {
    const Window topLevel = message.window;
    const std::vector<Window> panels = panelsTakingDropsFor(topLevel);
    if (panels.empty())
        return;  // not, or no longer, ours to answer in its name
    const Atom type = message.message_type;
    const Window source = static_cast<Window>(message.data.l[0]);
    // Looked up again each time: a receiver may close its panel meanwhile.
    auto eachPanel = [&](auto&& action) {
        for (Window id : panels) {
            if (WindowState* w = findWindow(id); w && w->dropTopLevel == topLevel)
                action(*w);
        }
    };

    if (type == atom("XdndPosition")) {
        const unsigned long packed = static_cast<unsigned long>(message.data.l[2]);
        const Window under = panelAt(panels, topLevel, static_cast<int32_t>((packed >> 16) & 0xFFFF),
                                     static_cast<int32_t>(packed & 0xFFFF));
        // A panel the pointer left hears that the drag left it.
        eachPanel([&](WindowState& w) {
            if (w.id == under || !w.drag.entered || w.drag.source != source)
                return;
            w.drag.entered = false;
            if (w.dropReceiver)
                w.dropReceiver->dragLeave();
        });
        if (WindowState* w = findWindow(under))
            handleDropMessage(*w, message);
        else  // over the host's part of its window
            sendToSource(source, "XdndStatus", 2, 0, 0, None, topLevel);
        return;
    }

    if (type == atom("XdndDrop")) {
        // Only the panel the pointer is over takes it; the others' sessions end.
        Window taker = 0;
        eachPanel([&](WindowState& w) {
            if (w.drag.entered && w.drag.source == source)
                taker = w.id;
        });
        eachPanel([&](WindowState& w) {
            if (w.id != taker)
                endSession(w);
        });
        if (WindowState* w = findWindow(taker))
            handleDropMessage(*w, message);
        else
            sendToSource(source, "XdndFinished", 0, None, 0, 0, topLevel);
        return;
    }

    // Enter and leave: every panel there keeps the session, or ends it.
    eachPanel([&](WindowState& w) { handleDropMessage(w, message); });
}

void handleDropMessage(WindowState& window, const XClientMessageEvent& message) {
    const Atom type = message.message_type;
    const Window source = static_cast<Window>(message.data.l[0]);
    // The window the source addresses: ours, or the top-level we stand in for.
    const Window target = message.window;
    const Window ours = window.id;

    if (type == atom("XdndEnter")) {
        if (!window.dropReceiver)
            return;
        if (window.drag.entered)
            window.dropReceiver->dragLeave();
        endSession(window);
        const int version = static_cast<int>((static_cast<unsigned long>(message.data.l[1]) >> 24) & 0xFF);
        if (version > protocolVersion)
            return;  // a newer protocol than ours: stay out of it
        window.drag.source = source;
        window.drag.version = version;
        window.drag.types = offeredTypes(message);
        return;
    }

    if (type == atom("XdndPosition")) {
        platform::DropReceiver* receiver = window.dropReceiver;
        if (!receiver || window.drag.source != source) {
            sendToSource(source, "XdndStatus", 0, 0, 0, None, target);
            return;
        }
        const unsigned long packed = static_cast<unsigned long>(message.data.l[2]);
        const int32_t x = static_cast<int32_t>((packed >> 16) & 0xFFFF);
        const int32_t y = static_cast<int32_t>(packed & 0xFFFF);
        const Atom requested = window.drag.version >= 2 ? static_cast<Atom>(message.data.l[4]) : atom("XdndActionCopy");
        uint32_t effect = effectsForAction(actionOf(requested));
        if (!pointOnWindow(window, x, y)) {
            // Over the host's part of its top-level: ours to refuse.
            if (window.drag.entered)
                receiver->dragLeave();
            window.drag.entered = false;
            sendToSource(source, "XdndStatus", 2, 0, 0, None, target);
            return;
        }
        const bool first = !window.drag.entered;
        window.drag.entered = true;
        // Held across the call: the receiver may revoke itself meanwhile.
        platform::DropDataObject data;
        data.window = ours;
        data.source = source;
        data.types = window.drag.types;
        // The receiver may read the file list now to choose its answer; the
        // position's time stamp names the selection it asks for.
        data.time = window.drag.version >= 1 ? static_cast<Time>(message.data.l[3]) : CurrentTime;
        receiver->addRef();
        if (first)
            receiver->dragEnter(&data, currentKeyState(), x, y, &effect);
        else
            receiver->dragOver(currentKeyState(), x, y, &effect);
        receiver->release();
        if (WindowState* still = findWindow(ours); still && still->drag.source == source) {
            still->drag.effect = effect;
            still->drag.x = x;
            still->drag.y = y;
        }
        const Atom action = actionAtom(reportedAction(effect));
        // Accepted when there is an action; ask for every position.
        sendToSource(source, "XdndStatus", action != None ? 3 : 2, 0, 0, static_cast<long>(action), target);
        return;
    }

    if (type == atom("XdndLeave")) {
        if (window.drag.source != source)
            return;
        if (window.drag.entered && window.dropReceiver)
            window.dropReceiver->dragLeave();
        endSession(window);
        return;
    }

    if (type == atom("XdndDrop")) {
        platform::DropReceiver* receiver = window.dropReceiver;
        if (!receiver || window.drag.source != source || !window.drag.entered) {
            sendToSource(source, "XdndFinished", 0, None, 0, 0, target);
            endSession(window);
            return;
        }
        platform::DropDataObject data;
        data.window = ours;
        data.source = source;
        data.types = window.drag.types;
        data.time = window.drag.version >= 1 ? static_cast<Time>(message.data.l[2]) : CurrentTime;
        uint32_t effect = window.drag.effect;
        const int32_t x = window.drag.x;
        const int32_t y = window.drag.y;
        endSession(window);
        receiver->addRef();
        receiver->drop(&data, currentKeyState(), x, y, &effect);
        receiver->release();
        const Atom action = actionAtom(reportedAction(effect));
        sendToSource(source, "XdndFinished", action != None ? 1 : 0, static_cast<long>(action), 0, 0, target);
    }
}

}  // namespace x11

namespace platform {

using x11::findWindow;
using x11::toXid;

bool registerDropTarget(WindowHandle window, DropReceiver* receiver) {
    x11::WindowState* w = findWindow(toXid(window));
    Display* d = x11::connection();
    if (!w || !d || !receiver || w->dropReceiver)
        return false;
    receiver->addRef();
    w->dropReceiver = receiver;
    const long version = x11::protocolVersion;
    x11::installErrorHandler();
    XChangeProperty(d, w->id, x11::atom("XdndAware"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    x11::offerDropProxy(*w);
    XFlush(d);
    return true;
}

bool revokeDropTarget(WindowHandle window) {
    x11::WindowState* w = findWindow(toXid(window));
    if (!w || !w->dropReceiver)
        return false;
    if (Display* d = x11::connection()) {
        x11::installErrorHandler();
        XDeleteProperty(d, w->id, x11::atom("XdndAware"));
        XFlush(d);
    }
    x11::forgetDropReceiver(*w);
    return true;
}

DroppedFilesHandle openDroppedFiles(DropDataHandle data) {
    Display* d = x11::connection();
    if (!d || !data)
        return nullptr;
    const Atom uriList = x11::atom("text/uri-list");
    bool offered = false;
    for (Atom type : data->types)
        offered = offered || type == uriList;
    if (!offered)
        return nullptr;

    // Ask the source for the list and wait for its answer; nothing else of
    // ours is taken from the queue meanwhile.
    x11::installErrorHandler();
    const Atom property = x11::atom("PARVOLINO_DROPPED_FILES");
    XConvertSelection(d, x11::atom("XdndSelection"), uriList, property, data->window, data->time);
    XFlush(d);
    XEvent event;
    bool answered = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(x11::selectionWaitMilliseconds);
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        if (XCheckTypedWindowEvent(d, data->window, SelectionNotify, &event)) {
            answered = true;
            break;
        }
        pollfd wait{ConnectionNumber(d), POLLIN, 0};
        poll(&wait, 1, 20);
    }
    if (!answered || event.xselection.property == None)
        return nullptr;

    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* bytes = nullptr;
    std::string text;
    bool complete = false;
    if (XGetWindowProperty(d, data->window, property, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format,
                           &count, &after, &bytes) == Success) {
        // A list sent in pieces (INCR) is more than any drop onto the panel needs.
        complete = bytes && format == 8 && type != x11::atom("INCR");
        if (complete)
            text.assign(reinterpret_cast<const char*>(bytes), count);
        if (bytes)
            XFree(bytes);
    }
    if (!complete)
        return nullptr;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return new DroppedFilesObject{x11::filePathsFromUriList(text, host)};
}

uint32_t droppedFileCount(DroppedFilesHandle files) { return droppedFileListCount(files); }

bool droppedFileName(DroppedFilesHandle files, uint32_t index, char* buffer, uint32_t size) {
    return droppedFileListName(files, index, buffer, size);
}

void closeDroppedFiles(DroppedFilesHandle files) { delete files; }

// Desktop shortcuts here are files of their own kind that no drop resolves.
bool resolveShellLink(const char*, char*, uint32_t) { return false; }

}  // namespace platform
