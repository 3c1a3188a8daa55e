// The frame's window on real USER32: the shared global class named after the
// module, the child window, paint and click messages, and teardown in both
// orders (the frame first, or the host's window first).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gui/DropTarget.h"
#include "gui/Frame.h"
#include "tests/win32/windows/WinTest.h"

namespace {

std::vector<std::string> log;

class RecordingView : public View {
public:
    explicit RecordingView(const Rect& size) : View(size) {}
    void draw(DrawContext*) override { log.push_back("draw"); }
    void mouse(DrawContext*, Point& where) override {
        char text[32];
        std::snprintf(text, sizeof text, "mouse %d %d", where.h, where.v);
        log.push_back(text);
    }
};

HWND hostWindow(int x, int y) {
    return CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, 400, 200, nullptr,
                           nullptr, nullptr, nullptr);
}

std::string expectedClassName() {
    char name[32];
    std::snprintf(name, sizeof name, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr))));
    return name;
}

bool classRegistered() {
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), expectedClassName().c_str(), &info) != 0;
}

}  // namespace

WIN_TEST(theFrameWindowPaintsAndDispatchesClicks) {
    log.clear();
    HWND host = hostWindow(100, 100);
    auto* frame = new Frame(Rect(0, 0, 400, 200), reinterpret_cast<platform::WindowHandle>(host), nullptr);
    HWND window = reinterpret_cast<HWND>(frame->getSystemWindow());
    CHECK(window != nullptr);
    char text[64] = {0};
    GetClassNameA(window, text, sizeof text);
    CHECK(expectedClassName() == text);
    CHECK_EQ(std::strlen(text), 14u);
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    CHECK(GetClassInfoExA(GetModuleHandleA(nullptr), text, &info) != 0);
    CHECK_EQ(info.style & CS_GLOBALCLASS, static_cast<UINT>(CS_GLOBALCLASS));
    GetWindowTextA(window, text, sizeof text);
    CHECK(std::strcmp(text, "Window") == 0);
    CHECK_EQ(GetWindowLongPtrA(window, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    CHECK(GetParent(window) == host);
    CHECK(reinterpret_cast<Frame*>(GetWindowLongPtrA(window, GWLP_USERDATA)) == frame);
    RECT client;
    GetClientRect(window, &client);
    CHECK_EQ(client.right, 400);
    CHECK_EQ(client.bottom, 200);

    frame->addView(new RecordingView(Rect(50, 60, 100, 90)));
    CHECK(frame->isFirstPaintPending());
    UpdateWindow(window);
    CHECK(!frame->isFirstPaintPending());
    CHECK(!log.empty() && log.back() == "draw");
    // The click position comes from the message; right and bottom edges hit.
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 90));
    CHECK(log.back() == "mouse 100 90");
    SendMessageA(window, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(50, 60));
    CHECK(log.back() == "mouse 50 60");
    log.clear();
    SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(101, 90));
    CHECK(log.empty());

    // A second frame shares the class; the last one gone unregisters it.
    HWND host2 = hostWindow(100, 400);
    auto* second = new Frame(Rect(0, 0, 400, 200), reinterpret_cast<platform::WindowHandle>(host2), nullptr);
    delete frame;
    CHECK(!IsWindow(window));
    CHECK(classRegistered());
    delete second;
    CHECK(!classRegistered());
    CHECK_EQ(DropTarget::getLiveCount(), 0);
    DestroyWindow(host);
    DestroyWindow(host2);
}

WIN_TEST(theHostMayDestroyItsWindowBeforeTheFrame) {
    HWND host = hostWindow(100, 100);
    auto* frame = new Frame(Rect(0, 0, 400, 200), reinterpret_cast<platform::WindowHandle>(host), nullptr);
    DestroyWindow(host);
    CHECK(!frame->isOpen());
    frame->idle();  // draws nothing and touches no window
    delete frame;
    CHECK(!classRegistered());
}
