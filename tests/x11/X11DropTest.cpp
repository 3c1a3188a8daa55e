// The drag-and-drop target against a real drag source in another connection:
// what the receiver hears, the file list it gets, what the source is told.
#include "tests/x11/XServerFixture.h"

#include <X11/Xatom.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tools/x11host/DragSource.h"

namespace {

Window xid(platform::WindowHandle window) { return static_cast<Window>(reinterpret_cast<uintptr_t>(window)); }

// Records the calls and, at the drop, reads the file list as the toolkit does.
class RecordingReceiver : public platform::DropReceiver {
public:
    uint32_t addRef() override { return ++count; }
    uint32_t release() override {
        --count;
        return static_cast<uint32_t>(count);
    }
    int32_t dragEnter(platform::DropDataHandle data, uint32_t, int32_t x, int32_t y, uint32_t* effect) override {
        calls.push_back("enter");
        enteredAt = {x, y};
        // As the toolkit's target does: the list is read while the drag is
        // still going, to choose the cursor.
        platform::DroppedFilesHandle files = platform::openDroppedFiles(data);
        enterFiles = files ? platform::droppedFileCount(files) : 0;
        platform::closeDroppedFiles(files);
        *effect = overAnswer;
        return platform::dropResultOk;
    }
    int32_t dragOver(uint32_t, int32_t, int32_t, uint32_t* effect) override {
        calls.push_back("over");
        *effect = overAnswer;
        return platform::dropResultOk;
    }
    int32_t dragLeave() override {
        calls.push_back("leave");
        return platform::dropResultOk;
    }
    int32_t drop(platform::DropDataHandle data, uint32_t, int32_t, int32_t, uint32_t* effect) override {
        calls.push_back("drop");
        platform::DroppedFilesHandle files = platform::openDroppedFiles(data);
        hadFileList = files != nullptr;
        char name[1024];
        for (uint32_t i = 0; i < platform::droppedFileCount(files); ++i) {
            if (platform::droppedFileName(files, i, name, sizeof name))
                names.emplace_back(name);
        }
        platform::closeDroppedFiles(files);
        *effect = dropAnswer;
        return platform::dropResultOk;
    }

    int count = 0;
    uint32_t enterFiles = 0;
    uint32_t overAnswer = platform::dropEffectMove;  // what the toolkit's target answers
    uint32_t dropAnswer = platform::dropEffectNone;
    std::vector<std::string> calls;
    std::pair<int32_t, int32_t> enteredAt;
    bool hadFileList = false;
    std::vector<std::string> names;
};

class X11Drop : public XServerTest {
protected:
    // Drags from another connection on another thread while this one
    // delivers the backend's events, as a host's idle would.
    DragReport drag(const std::function<DragReport(Display*)>& source) {
        std::atomic<bool> done{false};
        DragReport report;
        std::thread dragger([&] {
            Display* d = XOpenDisplay(nullptr);
            report = source(d);
            XCloseDisplay(d);
            done = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done && std::chrono::steady_clock::now() < deadline) {
            platform::processPendingEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        dragger.join();
        return report;
    }

    // The window a window's XdndProxy names, 0 when it has none.
    Window proxyOf(Window window) {
        XSync(host, False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(host, window, XInternAtom(host, "XdndProxy", False), 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data);
        const Window named = data && count == 1 ? static_cast<Window>(*reinterpret_cast<long*>(data)) : 0;
        if (data)
            XFree(data);
        return named;
    }

    // Sets a one-item property as another client would.
    void setProperty(Window window, const char* name, Atom type, long value) {
        XChangeProperty(host, window, XInternAtom(host, name, False), type, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(host, False);
    }

    bool announces(Window window) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(host, window, XInternAtom(host, "XdndAware", False), 0, 1, False, XA_ATOM, &type, &format,
                           &count, &after, &data);
        const bool found = data && count == 1 && *reinterpret_cast<long*>(data) == 5;
        if (data)
            XFree(data);
        return found;
    }
};

TEST_F(X11Drop, DraggedFilesReachTheReceiverAsPathsAndTheSourceIsNeverToldMove) {
    const Window parent = hostWindow(50, 50, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    RecordingReceiver receiver;
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));
    EXPECT_EQ(receiver.count, 1);
    EXPECT_FALSE(platform::registerDropTarget(window, &receiver)) << "one registration a window";
    XSync(host, False);
    EXPECT_TRUE(announces(xid(window)));
    // Sources look at the host's top-level only: it names the panel, which
    // names itself.
    EXPECT_EQ(proxyOf(parent), xid(window));
    EXPECT_EQ(proxyOf(xid(window)), xid(window));

    const std::vector<std::string> files = {"/tmp/a folder/één.wav", "/tmp/100%.wav"};
    DragReport report = drag([&](Display* d) { return dragFiles(d, 150, 100, files); });
    EXPECT_EQ(report.target, parent);
    EXPECT_EQ(report.recipient, xid(window));
    EXPECT_EQ(receiver.calls, (std::vector<std::string>{"enter", "drop"}));
    EXPECT_EQ(receiver.enteredAt, (std::pair<int32_t, int32_t>{150, 100}));
    EXPECT_EQ(receiver.enterFiles, 2u);
    EXPECT_TRUE(receiver.hadFileList);
    EXPECT_EQ(receiver.names, files);
    // The receiver answered "move" while dragging: the source hears "copy".
    EXPECT_TRUE(report.statusSeen);
    EXPECT_TRUE(report.accepted);
    EXPECT_EQ(report.statusAction, "copy");
    // Nothing was taken at the drop.
    EXPECT_TRUE(report.finishedSeen);
    EXPECT_FALSE(report.finishAccepted);
    EXPECT_EQ(report.finishAction, "none");

    // A receiver that takes the drop as a move still never reports one.
    receiver.dropAnswer = platform::dropEffectMove;
    report = drag([&](Display* d) { return dragFiles(d, 150, 100, files); });
    EXPECT_TRUE(report.finishAccepted);
    EXPECT_EQ(report.finishAction, "copy");

    // A receiver that would not take the files: the source is told so.
    receiver.overAnswer = platform::dropEffectNone;
    receiver.dropAnswer = platform::dropEffectNone;
    report = drag([&](Display* d) { return dragFiles(d, 150, 100, files); });
    EXPECT_TRUE(report.statusSeen);
    EXPECT_FALSE(report.accepted);
    EXPECT_EQ(report.statusAction, "none");

    EXPECT_TRUE(platform::revokeDropTarget(window));
    EXPECT_EQ(receiver.count, 0);
    XSync(host, False);
    EXPECT_FALSE(announces(xid(window)));
    EXPECT_EQ(proxyOf(parent), 0u);
    EXPECT_FALSE(platform::revokeDropTarget(window));
    report = drag([&](Display* d) { return dragFiles(d, 150, 100, files); });
    EXPECT_EQ(report.recipient, 0u) << "a revoked window takes no drags";
}

// The host hands over a window it has not shown and embeds it afterwards,
// as Ardour does: the proxy follows it to the top-level it ends up in, only
// while that top-level takes no drags of its own, and goes with the panel.
TEST_F(X11Drop, TheTopLevelTheHostsWindowEndsUpInNamesThePanelAsItsDropProxy) {
    const Window root = DefaultRootWindow(host);
    const Window embedded = XCreateSimpleWindow(host, root, 0, 0, 300, 150, 0, 0, 0);
    XSync(host, False);
    platform::WindowHandle window = createTestWindow(embedded, 0, 0, 200, 100);
    RecordingReceiver receiver;
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));
    EXPECT_EQ(proxyOf(embedded), 0u) << "a window not shown yet may be embedded elsewhere";

    const Window pluginWindow = hostWindow(100, 100, 300, 200);
    const Window socket = XCreateSimpleWindow(host, pluginWindow, 0, 50, 300, 150, 0, 0, 0);
    XMapWindow(host, socket);
    XReparentWindow(host, embedded, socket, 0, 0);
    XMapWindow(host, embedded);
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(pluginWindow) == xid(window); }));
    EXPECT_EQ(proxyOf(embedded), 0u);
    EXPECT_EQ(proxyOf(socket), 0u);

    // Over the host's own part of its window the panel hears nothing and
    // the source is refused; over the panel the files arrive.
    const std::vector<std::string> files = {"/tmp/drop me.wav"};
    DragReport report = drag([&](Display* d) { return dragFiles(d, 150, 120, files); });
    EXPECT_EQ(report.recipient, xid(window));
    EXPECT_TRUE(report.statusSeen);
    EXPECT_FALSE(report.accepted);
    EXPECT_FALSE(report.finishAccepted);
    EXPECT_TRUE(receiver.calls.empty());
    receiver.dropAnswer = platform::dropEffectCopy;
    report = drag([&](Display* d) { return dragFiles(d, 150, 200, files); });
    EXPECT_EQ(report.target, pluginWindow);
    EXPECT_EQ(receiver.calls, (std::vector<std::string>{"enter", "drop"}));
    EXPECT_EQ(receiver.names, files);
    EXPECT_TRUE(report.finishAccepted);

    // A top-level that takes drags itself keeps them, and the one left is cleared.
    const Window awareWindow = hostWindow(500, 100, 300, 200);
    const long version = 5;
    XChangeProperty(host, awareWindow, XInternAtom(host, "XdndAware", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XReparentWindow(host, embedded, awareWindow, 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(pluginWindow) == 0; }));
    EXPECT_EQ(proxyOf(awareWindow), 0u);

    // Back in the plug-in window, until the host destroys its windows.
    XReparentWindow(host, embedded, socket, 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(pluginWindow) == xid(window); }));
    XDestroyWindow(host, embedded);
    XSync(host, False);
    EXPECT_TRUE(pumpUntil([&] { return receiver.count == 0; }));
    EXPECT_EQ(proxyOf(pluginWindow), 0u);
}

// Two panels in one host window (two instances, or a host that shows
// several): the window names one of them, which hands each drag to the panel
// under the pointer; closing one leaves the other taking drops.
TEST_F(X11Drop, TwoPanelsUnderOneHostWindowEachTakeTheDropsOverThemAndOutliveEachOther) {
    const Window parent = hostWindow(50, 50, 420, 100);
    platform::WindowHandle first = createTestWindow(parent, 0, 0, 200, 100);
    platform::WindowHandle second = createTestWindow(parent, 220, 0, 200, 100);
    RecordingReceiver one;
    RecordingReceiver two;
    one.dropAnswer = two.dropAnswer = platform::dropEffectCopy;
    ASSERT_TRUE(platform::registerDropTarget(first, &one));
    ASSERT_TRUE(platform::registerDropTarget(second, &two));
    EXPECT_EQ(proxyOf(parent), xid(first));

    const std::vector<std::string> files = {"/tmp/second.wav"};
    DragReport report = drag([&](Display* d) { return dragFiles(d, 370, 100, files); });
    EXPECT_EQ(report.target, parent);
    EXPECT_TRUE(report.finishAccepted);
    EXPECT_EQ(two.calls, (std::vector<std::string>{"enter", "drop"}));
    EXPECT_EQ(two.names, files);
    EXPECT_TRUE(one.calls.empty()) << "the panel named by the host's window hears nothing of the other's drops";
    report = drag([&](Display* d) { return dragFiles(d, 150, 100, files); });
    EXPECT_TRUE(report.finishAccepted);
    EXPECT_EQ(one.calls, (std::vector<std::string>{"enter", "drop"}));
    EXPECT_EQ(two.calls.size(), 2u);
    // Between the panels the host's window shows: refused, and neither hears.
    report = drag([&](Display* d) { return dragFiles(d, 260, 100, files); });
    EXPECT_TRUE(report.statusSeen);
    EXPECT_FALSE(report.accepted);
    EXPECT_FALSE(report.finishAccepted);
    EXPECT_EQ(one.calls.size(), 2u);
    EXPECT_EQ(two.calls.size(), 2u);
    // One drag crossing from the second panel to the first and leaving: each
    // hears it enter and leave, as without a proxy.
    const Window source = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1, 1, 0, 0, 0);
    const long copy = static_cast<long>(XInternAtom(host, "XdndActionCopy", False));
    auto send = [&](const char* type, long l1, long l2, long l3, long l4) {
        sendDragMessage(host, xid(first), parent, source, type, l1, l2, l3, l4);
    };
    send("XdndEnter", 5L << 24, static_cast<long>(XInternAtom(host, "text/uri-list", False)), 0, 0);
    send("XdndPosition", 0, (370L << 16) | 100, CurrentTime, copy);
    send("XdndPosition", 0, (150L << 16) | 100, CurrentTime, copy);
    send("XdndLeave", 0, 0, 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return one.calls.size() == 4; }));
    EXPECT_EQ(two.calls, (std::vector<std::string>{"enter", "drop", "enter", "leave"}));
    EXPECT_EQ(one.calls, (std::vector<std::string>{"enter", "drop", "enter", "leave"}));

    // The named panel closes: the other one takes the host's window over.
    EXPECT_TRUE(platform::revokeDropTarget(first));
    EXPECT_EQ(proxyOf(parent), xid(second));
    report = drag([&](Display* d) { return dragFiles(d, 370, 100, files); });
    EXPECT_TRUE(report.finishAccepted);
    EXPECT_EQ(two.calls.size(), 6u);
    EXPECT_EQ(two.names.size(), 2u) << "the second drop on it";
    // Opened again, the first is routed to without taking the window back.
    ASSERT_TRUE(platform::registerDropTarget(first, &one));
    EXPECT_EQ(proxyOf(parent), xid(second));
    report = drag([&](Display* d) { return dragFiles(d, 150, 100, files); });
    EXPECT_EQ(one.calls.size(), 6u);
    EXPECT_TRUE(platform::revokeDropTarget(second));
    EXPECT_EQ(proxyOf(parent), xid(first));
    EXPECT_TRUE(platform::revokeDropTarget(first));
    EXPECT_EQ(proxyOf(parent), 0u);
}

// Others may claim the host's window: a panel of another process (a second
// plug-in bridge) naming itself, or the host once it takes drags itself. A
// live claim is never removed or overwritten; a claim that ends, or names a
// window that is gone, is taken over; a host that starts taking drags sees
// the panel withdraw and stop answering in its window's name.
TEST_F(X11Drop, AClaimOnTheHostWindowBySomeoneElseIsRespectedAndTakenOverOnceItEnds) {
    const Window parent = hostWindow(50, 50, 420, 100);
    Window other = XCreateSimpleWindow(host, parent, 220, 0, 200, 100, 0, 0, 0);
    XMapWindow(host, other);
    setProperty(other, "XdndAware", XA_ATOM, 5);
    setProperty(other, "XdndProxy", XA_WINDOW, static_cast<long>(other));
    setProperty(parent, "XdndProxy", XA_WINDOW, static_cast<long>(other));
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    RecordingReceiver receiver;
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));
    EXPECT_EQ(proxyOf(parent), other);
    EXPECT_TRUE(platform::revokeDropTarget(window));
    EXPECT_EQ(proxyOf(parent), other) << "closing never removes a claim naming another panel";
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));

    // The other panel closes, and later claims the window again and dies
    // without a word: either way the window comes back to ours.
    XDeleteProperty(host, parent, XInternAtom(host, "XdndProxy", False));
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(parent) == xid(window); }));
    setProperty(parent, "XdndProxy", XA_WINDOW, static_cast<long>(other));
    XDestroyWindow(host, other);
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(parent) == xid(window); }));
    // A panel that opens while the window names a window that is gone takes it.
    EXPECT_TRUE(platform::revokeDropTarget(window));
    setProperty(parent, "XdndProxy", XA_WINDOW, static_cast<long>(other));
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));
    EXPECT_EQ(proxyOf(parent), xid(window));

    // The host's window starts taking drags itself: the panel withdraws.
    setProperty(parent, "XdndAware", XA_ATOM, 5);
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(parent) == 0; }));
    // A source that found the panel before hears nothing in the window's name.
    const Window source = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 1, 1, 0, 0, 0);
    auto send = [&](const char* type, long l1, long l2, long l3, long l4) {
        sendDragMessage(host, xid(window), parent, source, type, l1, l2, l3, l4);
    };
    send("XdndEnter", 5L << 24, static_cast<long>(XInternAtom(host, "text/uri-list", False)), 0, 0);
    send("XdndPosition", 0, (150L << 16) | 100, CurrentTime,
         static_cast<long>(XInternAtom(host, "XdndActionCopy", False)));
    // Once the host takes no drags again the panel takes the window back;
    // by then the messages above have been handled.
    XDeleteProperty(host, parent, XInternAtom(host, "XdndAware", False));
    EXPECT_TRUE(pumpUntil([&] { return proxyOf(parent) == xid(window); }));
    EXPECT_TRUE(receiver.calls.empty());
    XEvent answer;
    EXPECT_FALSE(XCheckTypedWindowEvent(host, source, ClientMessage, &answer)) << "no status in the window's name";
    platform::revokeDropTarget(window);
}

TEST_F(X11Drop, DataThatIsNoFileListGivesTheReceiverNoFiles) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    RecordingReceiver receiver;
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));
    const DragReport report =
        drag([&](Display* d) { return dragData(d, 20, 20, "text/plain", "file:///etc/passwd\r\n"); });
    EXPECT_EQ(receiver.calls, (std::vector<std::string>{"enter", "drop"}));
    EXPECT_FALSE(receiver.hadFileList);
    EXPECT_FALSE(report.dataServed) << "nothing is fetched that is not a file list";
    EXPECT_TRUE(report.finishedSeen);
    platform::revokeDropTarget(window);
}

TEST_F(X11Drop, AWindowDestroyedWithItsHostLetsGoOfItsReceiver) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    RecordingReceiver receiver;
    ASSERT_TRUE(platform::registerDropTarget(window, &receiver));
    XDestroyWindow(host, parent);
    XSync(host, False);
    ASSERT_TRUE(pumpUntil([&] { return receiver.count == 0; }));
    EXPECT_FALSE(platform::revokeDropTarget(window));
}

}  // namespace
