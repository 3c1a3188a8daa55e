// `editor`: opens the plug-in's panel in a top-level window of the test host,
// idles it like a host, captures what it shows, reports the dialogs it opens
// and the host calls it makes, and closes it again.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tools/wintesthost/Checks.h"
#include "tools/wintesthost/Commands.h"
#include "tools/wintesthost/FileDrag.h"
#include "tools/wintesthost/ImageFiles.h"
#include "tools/wintesthost/PluginModule.h"
#include "tools/wintesthost/ScoreRenderer.h"
#include "tools/wintesthost/WindowCapture.h"

namespace {

const char kHostClass[] = "ParvolinoTestHostWindow";
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kReportDialog = WM_APP + 1;
PluginModule* idlePlugin = nullptr;
HWND hostWindow = nullptr;
std::set<HWND> reportedDialogs;

void reportDialog(HWND dialog);

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_TIMER && w == kIdleTimer && idlePlugin && idlePlugin->effect()) {
    idlePlugin->dispatch(effEditIdle);
    return 0;
  }
  if (message == kReportDialog) {
    reportDialog(reinterpret_cast<HWND>(w));
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

BOOL CALLBACK printStaticText(HWND child, LPARAM) {
  char cls[64] = {0}, text[512] = {0};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") != 0) return TRUE;
  if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    // The system's icons are shared, so the box shows exactly this handle.
    HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    std::printf("dialog icon %s\n", shown && shown == LoadIcon(nullptr, IDI_ERROR) ? "error" : "other");
    return TRUE;
  }
  GetWindowTextA(child, text, sizeof text);
  if (text[0]) std::printf("dialog text '%s'\n", text);
  return TRUE;
}

void reportDialog(HWND dialog) {
  if (!IsWindow(dialog)) return;
  char caption[256] = {0}, ownerClass[64] = {0};
  GetWindowTextA(dialog, caption, sizeof caption);
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner) GetClassNameA(owner, ownerClass, sizeof ownerClass);
  std::printf("dialog '%s' owner '%s'\n", caption, ownerClass);
  EnumChildWindows(dialog, printStaticText, 0);
  std::fflush(stdout);
}

// Reports each dialog window of this thread once it is up: the file dialog
// and the error box are modal and run inside the plug-in, whose modal loop
// delivers the posted report after the dialog has set itself up.
LRESULT CALLBACK dialogWatch(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_ACTIVATE) {
    HWND window = reinterpret_cast<HWND>(w);
    char cls[64] = {0};
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && reportedDialogs.insert(window).second && hostWindow)
      PostMessageA(hostWindow, kReportDialog, reinterpret_cast<WPARAM>(window), 0);
  } else if (code == HCBT_DESTROYWND && reportedDialogs.erase(reinterpret_cast<HWND>(w)) > 0) {
    std::printf("dialog closed\n");
    std::fflush(stdout);
  }
  return CallNextHookEx(nullptr, code, w, l);
}

void pumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

bool saveCapture(HWND panel, const std::string& path) {
  if (path.empty()) return true;
  UpdateWindow(panel);
  int w = 0, h = 0;
  std::vector<uint32_t> pixels;
  if (!check(captureWindow(panel, w, h, pixels), "the panel can be read back")) return false;
  bool ok = check(writeBmp24(path, w, h, pixels), "the capture is written");
  std::printf("capture %s %dx%d\n", path.c_str(), w, h);
  return ok;
}

bool quitRequested(const EditorOptions& o, DWORD start) {
  if (!o.quitFile.empty() && GetFileAttributesA(o.quitFile.c_str()) != INVALID_FILE_ATTRIBUTES)
    return true;
  return o.quitFile.empty() && GetTickCount() - start >= static_cast<DWORD>(o.holdMs);
}

void checkPanelWindow(const PluginModule& plugin, HWND panel, char* className, size_t classSize) {
  char text[64] = {0}, expected[32];
  GetClassNameA(panel, className, static_cast<int>(classSize));
  GetWindowTextA(panel, text, sizeof text);
  std::snprintf(expected, sizeof expected, "Plugin%08x",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(plugin.handle())));
  std::printf("panel class '%s' title '%s'\n", className, text);
  check(std::strcmp(className, expected) == 0, "the panel's class is named after the module handle");
  check(std::strcmp(text, "Window") == 0, "the panel's title is 'Window'");
  check((GetClassLongPtrA(panel, GCL_STYLE) & CS_GLOBALCLASS) != 0, "the class is global");
  LONG_PTR style = GetWindowLongPtrA(panel, GWL_STYLE);
  check((style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE), "the panel is a visible child");
}

}  // namespace

int runEditor(PluginModule& plugin, const EditorOptions& o) {
  // Before any window: the system then tells the plug-in the screen's real DPI.
  if (o.dpiAware) check(SetProcessDPIAware() != 0, "the process is DPI-aware");
  // A host initialises OLE on its user-interface thread; the plug-in relies on it.
  check(SUCCEEDED(OleInitialize(nullptr)), "OLE initialises");
  HHOOK hook = SetWindowsHookExA(WH_CBT, dialogWatch, nullptr, GetCurrentThreadId());
  echoHostCalls = true;

  prepareInstance(plugin.effect(), 44100.0, 512);
  std::string error;
  if (!o.samplePath.empty() && !loadBank(plugin.effect(), o.samplePath, error)) {
    std::printf("FAILED: %s\n", error.c_str());
    return 1;
  }

  ERect* rect = nullptr;
  if (!check(plugin.dispatch(effEditGetRect, 0, 0, &rect) == 1 && rect, "the editor reports its size"))
    return 1;
  int width = rect->right - rect->left, height = rect->bottom - rect->top;
  std::printf("rect %d %d %d %d\n", rect->top, rect->left, rect->bottom, rect->right);

  WNDCLASSA wc{};
  wc.lpfnWndProc = hostWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kHostClass;
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, kHostClass, "Parvolino test host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                              o.x, o.y, width, height, nullptr, nullptr, wc.hInstance, nullptr);
  if (!check(host != nullptr, "the host window exists")) return 1;
  hostWindow = host;
  SetForegroundWindow(host);

  VstIntPtr opened = plugin.dispatch(effEditOpen, 0, 0, host);
  std::printf("open %d\n", static_cast<int>(opened));
  HWND panel = GetWindow(host, GW_CHILD);
  if (!check(panel != nullptr, "the editor created its window")) return 1;
  char className[64] = {0};
  checkPanelWindow(plugin, panel, className, sizeof className);

  idlePlugin = &plugin;
  SetTimer(host, kIdleTimer, 20, nullptr);
  pumpFor(300);
  RECT screen;
  GetWindowRect(panel, &screen);
  std::printf("panel %ld %ld %ld %ld\n", screen.left, screen.top, screen.right - screen.left,
              screen.bottom - screen.top);
  saveCapture(panel, o.capture);
  std::fflush(stdout);

  if (!o.dropFiles.empty()) {
    // What the program names: its path sits 24 bytes into the chunk.
    auto programPath = [&plugin]() {
      void* chunk = nullptr;
      if (plugin.dispatch(effGetChunk, 0, 0, &chunk) >= 300 && chunk)
        return std::string(static_cast<const char*>(chunk) + 24, strnlen(static_cast<const char*>(chunk) + 24, 259));
      return std::string();
    };
    const std::string before = programPath();
    POINT centre = {(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2};
    FileDragResult drag = dragFilesTo(centre, o.dropFiles);
    std::printf("drag result 0x%lx final effect %lu feedback", static_cast<unsigned long>(drag.result),
                drag.finalEffect);
    for (DWORD e : drag.feedbackEffects) std::printf(" %lu", e);
    std::printf("\n");
    check((drag.finalEffect & DROPEFFECT_MOVE) == 0, "the drop never reports a move to the source");
    // The file loads in the background; the panel's idle takes it up.
    std::string after = programPath();
    for (int i = 0; i < 100 && after == before; ++i) {
      pumpFor(50);
      after = programPath();
    }
    std::printf("drag sample '%s'\n", after.c_str());
    pumpFor(300);
    saveCapture(panel, o.dropCapture);
  }

  std::printf("ready\n");
  std::fflush(stdout);
  DWORD start = GetTickCount();
  while (!quitRequested(o, start)) pumpFor(50);

  saveCapture(panel, o.finalCapture);
  KillTimer(host, kIdleTimer);
  plugin.dispatch(effEditClose);
  idlePlugin = nullptr;
  WNDCLASSA probe;
  bool classLeft = GetClassInfoA(plugin.handle(), className, &probe) != 0;
  check(!IsWindow(panel), "closing the editor destroys its window");
  check(!classLeft, "the last panel closed unregisters the window class");
  DestroyWindow(host);
  hostWindow = nullptr;
  plugin.dispatch(effMainsChanged, 0, 0);
  VstIntPtr closed = plugin.close();
  check(closed == 1, "effClose answers 1");
  if (hook) UnhookWindowsHookEx(hook);
  std::printf("host calls: automate %d beginEdit %d endEdit %d idle %d\n", hostCalls.automate,
              hostCalls.beginEdit, hostCalls.endEdit, hostCalls.idle);
  std::printf("closed\n");
  OleUninitialize();
  return checkFailures == 0 ? 0 : 1;
}
