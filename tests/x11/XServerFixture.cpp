#include "tests/x11/XServerFixture.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/x11/X11Session.h"

extern char** environ;

namespace {

constexpr char testClassName[] = "ParvolinoX11Test";
void* const testModule = reinterpret_cast<void*>(0x1234);
platform::ColorRef paintColor = platform::colorRef(200, 30, 40);
std::vector<platform::WindowHandle> testWindows;

intptr_t recordingProcedure(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    recordedMessages().push_back(RecordedMessage{window, message, lParam});
    if (message != platform::messagePaint && messageHook())
        messageHook()(message);
    if (message == platform::messagePaint && platform::hasUpdateRegion(window)) {
        platform::PaintRecord paint;
        platform::SurfaceHandle surface = platform::beginPaint(window, paint);
        platform::BrushHandle brush = platform::createSolidBrush(paintColor);
        platform::fillRect(surface, platform::Bounds{0, 0, 4000, 4000}, brush);
        platform::deleteBrush(brush);
        platform::endPaint(window, paint);
        return 0;
    }
    return platform::defaultWindowProcedure(window, message, wParam, lParam);
}

// Xvfb on a display number of its choosing, which it writes to the pipe.
int startServer(std::string& display) {
    int ends[2];
    if (pipe(ends) != 0)
        return 0;
    const std::string fd = std::to_string(ends[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (failed) {
        close(ends[0]);
        return 0;
    }
    std::string number;
    pollfd wait{ends[0], POLLIN, 0};
    while (poll(&wait, 1, 10000) > 0) {
        char c = 0;
        if (read(ends[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(ends[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return 0;
    }
    display = ":" + number;
    return pid;
}

}  // namespace

std::vector<RecordedMessage>& recordedMessages() {
    static std::vector<RecordedMessage> all;
    return all;
}

std::function<void(uint32_t)>& messageHook() {
    static std::function<void(uint32_t)> hook;
    return hook;
}

void setPaintColor(platform::ColorRef color) { paintColor = color; }

platform::WindowHandle createTestWindow(Window parent, int x, int y, int width, int height) {
    platform::WindowClass windowClass;
    windowClass.name = testClassName;
    windowClass.module = testModule;
    windowClass.procedure = recordingProcedure;
    windowClass.style = platform::classStyleGlobal;
    platform::registerWindowClass(windowClass);  // false when already there
    platform::WindowCreation creation;
    creation.className = testClassName;
    creation.title = "Window";
    creation.style = platform::windowStyleChild | platform::windowStyleVisible;
    creation.x = x;
    creation.y = y;
    creation.width = width;
    creation.height = height;
    creation.parent = reinterpret_cast<platform::WindowHandle>(static_cast<uintptr_t>(parent));
    creation.module = testModule;
    platform::WindowHandle window = platform::createWindow(creation);
    if (window)
        testWindows.push_back(window);
    return window;
}

void destroyTestWindowsAndClass() {
    for (platform::WindowHandle window : testWindows)
        platform::destroyWindow(window);
    testWindows.clear();
    platform::unregisterWindowClass(testClassName, testModule);
}

size_t countMessages(uint32_t message) {
    size_t count = 0;
    for (const RecordedMessage& m : recordedMessages())
        count += m.message == message;
    return count;
}

void XServerTest::SetUp() {
    std::string display;
    serverPid = startServer(display);
    if (!serverPid)
        GTEST_SKIP() << "no X server (Xvfb) to test on";
    setenv("DISPLAY", display.c_str(), 1);
    XInitThreads();
    host = XOpenDisplay(display.c_str());
    ASSERT_NE(host, nullptr);
    recordedMessages().clear();
    messageHook() = nullptr;
    setPaintColor(platform::colorRef(200, 30, 40));
}

void XServerTest::TearDown() {
    destroyTestWindowsAndClass();
    if (host)
        XCloseDisplay(host);
    host = nullptr;
    if (serverPid) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
    }
    serverPid = 0;
}

Window XServerTest::hostWindow(int x, int y, int width, int height) {
    const Window window = XCreateSimpleWindow(host, DefaultRootWindow(host), x, y, static_cast<unsigned>(width),
                                              static_cast<unsigned>(height), 0, 0, 0);
    XSelectInput(host, window, StructureNotifyMask);
    XMapWindow(host, window);
    XEvent event;
    do
        XWindowEvent(host, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    return window;
}

uint32_t XServerTest::pixelAt(Window window, int x, int y) {
    // What the backend sent is on the server before the host asks.
    if (Display* backend = x11::connection())
        XSync(backend, False);
    XSync(host, False);
    XImage* image = XGetImage(host, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xFFFFFFFFu;
    const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFFu;
    XDestroyImage(image);
    return pixel;
}

void XServerTest::movePointer(int rootX, int rootY) {
    XTestFakeMotionEvent(host, -1, rootX, rootY, CurrentTime);
    XSync(host, False);
}

void XServerTest::button(unsigned int number, bool down) {
    XTestFakeButtonEvent(host, number, down, CurrentTime);
    XSync(host, False);
}

void XServerTest::key(const char* keysymName, bool down) {
    const KeyCode code = XKeysymToKeycode(host, XStringToKeysym(keysymName));
    XTestFakeKeyEvent(host, code, down, CurrentTime);
    XSync(host, False);
}

bool XServerTest::pumpUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < deadline) {
        platform::processPendingEvents();
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}
