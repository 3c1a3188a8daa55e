// OLE drag and drop onto the frame's window (a real drag with a real
// shortcut file), the open-file dialog, the message box and the paint pump.
#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gui/DropHandler.h"
#include "gui/DropTarget.h"
#include "gui/Frame.h"
#include "platform/Platform.h"
#include "tests/win32/windows/WinTest.h"
#include "tools/wintesthost/FileDrag.h"

namespace {

std::vector<std::string> dropped;

class FileTakingView : public View {
public:
    explicit FileTakingView(const Rect& size) : View(size) {}
    bool onDrop(const char* const* names, int32_t count, int32_t type, Point&) override {
        CHECK_EQ(type, 0);
        for (int32_t i = 0; i < count; ++i) dropped.emplace_back(names[i]);
        return true;
    }
};

// Would take the files only when it is told to, as the panel takes WAV files.
class SwitchedHandler : public DropHandler {
public:
    bool acceptsDrop(const char* const*, int32_t) override { return accepts; }
    bool takeDrop(const char* const*, int32_t) override { return accepts; }
    bool accepts = true;
};

bool makeShortcut(const std::string& link, const std::string& target) {
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
        return false;
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(shell->SetPath(target.c_str())) &&
              SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    if (ok) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        ok = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    shell->Release();
    return ok;
}

// What the dialog hooks do once a dialog is up: a thread timer runs inside
// the dialog's own modal loop.
enum class DialogAction { chooseFile, cancel, ok };
DialogAction action;
std::string fileToChoose;
std::vector<std::string> dialogLog;
HWND activeDialog = nullptr;

BOOL CALLBACK recordChild(HWND child, LPARAM) {
    char cls[32] = {0}, text[256] = {0};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        dialogLog.push_back(icon == LoadIcon(nullptr, IDI_ERROR) ? "icon error" : "icon other");
    } else if (GetWindowTextA(child, text, sizeof text) > 0) {
        dialogLog.push_back(std::string("text ") + text);
    }
    return TRUE;
}

void CALLBACK actOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND dialog = activeDialog;
    char caption[128] = {0};
    GetWindowTextA(dialog, caption, sizeof caption);
    dialogLog.push_back(std::string("caption ") + caption);
    EnumChildWindows(dialog, recordChild, 0);
    if (action == DialogAction::chooseFile) {
        // The file name box of the explorer-style dialog (edit or combo box).
        SetDlgItemTextA(dialog, edt1, fileToChoose.c_str());
        SetDlgItemTextA(dialog, cmb13, fileToChoose.c_str());
    }
    PostMessageA(dialog, WM_COMMAND, action == DialogAction::cancel ? IDCANCEL : IDOK, 0);
}

LRESULT CALLBACK watchDialogs(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_ACTIVATE) {
        char cls[32] = {0};
        GetClassNameA(reinterpret_cast<HWND>(w), cls, sizeof cls);
        if (std::strcmp(cls, "#32770") == 0 && activeDialog != reinterpret_cast<HWND>(w)) {
            activeDialog = reinterpret_cast<HWND>(w);
            SetTimer(nullptr, 0, 100, actOnDialog);
        }
    }
    return CallNextHookEx(nullptr, code, w, l);
}

int paints = 0;
LRESULT CALLBACK countPaints(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        ++paints;
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

WIN_TEST(filesDroppedWithOleReachTheViewsWithShortcutsResolved) {
    CHECK(SUCCEEDED(OleInitialize(nullptr)));  // as the host does
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "parvolino drop test\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string target = dir + "A sample with a long name.wav";
    const std::string link = dir + "Shortcut.LNK";
    const std::string plain = dir + "plain.wav";
    for (const std::string& f : {target, plain}) {
        HANDLE h = CreateFileA(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }
    CHECK(makeShortcut(link, target));
    char shortTarget[MAX_PATH] = {0};
    GetShortPathNameA(target.c_str(), shortTarget, MAX_PATH);

    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400, 200,
                                nullptr, nullptr, nullptr, nullptr);
    auto* frame = new Frame(Rect(0, 0, 400, 200), reinterpret_cast<platform::WindowHandle>(host), nullptr);
    CHECK(frame->isDropActive());
    CHECK_EQ(DropTarget::getLiveCount(), 1);
    // A second registration for the window is refused and leaves nothing behind.
    CHECK(frame->setDropActive(true));
    CHECK_EQ(DropTarget::getLiveCount(), 1);
    frame->addView(new FileTakingView(Rect(0, 0, 400, 200)));
    SwitchedHandler handler;
    frame->setDropHandler(&handler);
    UpdateWindow(reinterpret_cast<HWND>(frame->getSystemWindow()));

    // Refused while dragged: the no-drop cursor, and OLE drops nothing.
    handler.accepts = false;
    dropped.clear();
    FileDragResult drag = dragFilesTo(POINT{300, 200}, {link, plain});
    CHECK_EQ(drag.finalEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    CHECK(drag.feedbackEffects == std::vector<DWORD>{DROPEFFECT_NONE});
    CHECK(dropped.empty());

    // Accepted: the copy cursor, and a copy (never a move) at the drop.
    handler.accepts = true;
    drag = dragFilesTo(POINT{300, 200}, {link, plain});
    CHECK_EQ(drag.result, DRAGDROP_S_DROP);
    CHECK_EQ(drag.finalEffect, static_cast<DWORD>(DROPEFFECT_COPY));
    CHECK(drag.feedbackEffects == std::vector<DWORD>{DROPEFFECT_COPY});
    CHECK_EQ(dropped.size(), 2u);
    if (dropped.size() == 2) {
        // The short form is asked for; Wine answers the long one. Either
        // names the shortcut's target.
        char shortGiven[MAX_PATH] = {0};
        GetShortPathNameA(dropped[0].c_str(), shortGiven, MAX_PATH);
        if (lstrcmpiA(dropped[0].c_str(), shortTarget) != 0)
            std::printf("  note: the shortcut resolved to the long form '%s'\n", dropped[0].c_str());
        CHECK(shortTarget[0] && lstrcmpiA(shortGiven, shortTarget) == 0);
        CHECK(dropped[1] == plain);
    }
    // Asked to drop no longer, the window has no target.
    CHECK(frame->setDropActive(false));
    CHECK_EQ(DropTarget::getLiveCount(), 0);
    CHECK(frame->setDropActive(true));
    delete frame;
    CHECK_EQ(DropTarget::getLiveCount(), 0);  // revoked before the window went

    // The host destroys its window with the frame's inside it first.
    frame = new Frame(Rect(0, 0, 400, 200), reinterpret_cast<platform::WindowHandle>(host), nullptr);
    CHECK_EQ(DropTarget::getLiveCount(), 1);
    DestroyWindow(host);
    CHECK_EQ(DropTarget::getLiveCount(), 0);
    delete frame;

    for (const std::string& f : {target, plain, link}) DeleteFileA(f.c_str());
    RemoveDirectoryA(dir.c_str());
    OleUninitialize();
}

WIN_TEST(theOpenDialogAndTheMessageBoxAreTheSystemOnes) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, watchDialogs, nullptr, GetCurrentThreadId());
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    fileToChoose = std::string(temp) + "parvolino-dialog-test.wav";
    HANDLE h = CreateFileA(fileToChoose.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);

    char path[260] = {0};
    platform::OpenFileRequest request;
    request.owner = reinterpret_cast<platform::WindowHandle>(owner);
    request.filter = "Wave (*.wav)\0*.wav\0";
    request.filterIndex = 1;
    request.file = path;
    request.maxFile = sizeof path;
    request.title = "Load Sample";
    request.flags = platform::openFileExplorer | platform::openFileMustExist | platform::openFileHideReadOnly;
    action = DialogAction::chooseFile;
    dialogLog.clear();
    CHECK(platform::runOpenFileDialog(request));
    CHECK(lstrcmpiA(path, fileToChoose.c_str()) == 0);
    CHECK(!dialogLog.empty() && dialogLog[0] == "caption Load Sample");

    path[0] = 0;
    action = DialogAction::cancel;
    CHECK(!platform::runOpenFileDialog(request));

    action = DialogAction::ok;
    dialogLog.clear();
    CHECK_EQ(platform::showMessageBox(request.owner, "File not found", "Error",
                                      platform::messageBoxOk | platform::messageBoxIconError),
             IDOK);
    CHECK(std::find(dialogLog.begin(), dialogLog.end(), "caption Error") != dialogLog.end());
    CHECK(std::find(dialogLog.begin(), dialogLog.end(), "icon error") != dialogLog.end());
    CHECK(std::find(dialogLog.begin(), dialogLog.end(), "text File not found") != dialogLog.end());

    DeleteFileA(fileToChoose.c_str());
    DestroyWindow(owner);
    UnhookWindowsHookEx(hook);
}

WIN_TEST(ticksSleepAndTheSinglePaintPump) {
    const uint32_t before = platform::tickCount();
    platform::sleepMilliseconds(30);
    const uint32_t slept = platform::tickCount() - before;
    // The count moves in steps of up to about 16 ms, here as on Windows.
    if (slept < 14 || slept > 1000) std::printf("  slept %u ms\n", slept);
    CHECK(slept >= 14 && slept <= 1000);

    WNDCLASSA wc{};
    wc.lpfnWndProc = countPaints;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ParvolinoPaintCounter";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    while (platform::dispatchOnePaintMessage()) {
    }
    paints = 0;
    PostMessageA(window, WM_USER, 0, 0);
    CHECK(!platform::dispatchOnePaintMessage());  // other messages are left alone
    InvalidateRect(window, nullptr, FALSE);
    CHECK(platform::dispatchOnePaintMessage());
    CHECK_EQ(paints, 1);
    CHECK(!platform::dispatchOnePaintMessage());
    MSG msg;
    CHECK(PeekMessageA(&msg, window, WM_USER, WM_USER, PM_REMOVE));
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}
