// Window class, child window, per-window pointer, painting and window surfaces.
#include "platform/win32/Win32Handles.h"

namespace platform {

static_assert(sizeof(PAINTSTRUCT) <= sizeof(PaintRecord::platformData),
              "the paint record must hold the platform's paint data");

bool registerWindowClass(const WindowClass& c) {
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.style = c.style;
  // The procedure has the window procedure's calling convention and argument
  // widths (see PARVOLINO_WINDOW_CALLBACK), so it registers as it is.
  wc.lpfnWndProc = reinterpret_cast<WNDPROC>(reinterpret_cast<void*>(c.procedure));
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = static_cast<HINSTANCE>(c.module);
  wc.hIcon = nullptr;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(c.backgroundSystemColor);
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = c.name;
  return RegisterClassA(&wc) != 0;
}

bool unregisterWindowClass(const char* name, void* module) {
  return UnregisterClassA(name, static_cast<HINSTANCE>(module)) != 0;
}

WindowHandle createWindow(const WindowCreation& c) {
  return fromHwnd(CreateWindowExA(c.extendedStyle, c.className, c.title, c.style, c.x, c.y, c.width,
                                  c.height, toHwnd(c.parent), nullptr, static_cast<HINSTANCE>(c.module),
                                  nullptr));
}

bool destroyWindow(WindowHandle window) { return DestroyWindow(toHwnd(window)) != 0; }

// SetWindowLongPtrA/GWLP_USERDATA are SetWindowLongA/GWL_USERDATA on 32-bit Windows.
void setWindowUserData(WindowHandle window, void* data) {
  SetWindowLongPtrA(toHwnd(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

void* windowUserData(WindowHandle window) {
  return reinterpret_cast<void*>(GetWindowLongPtrA(toHwnd(window), GWLP_USERDATA));
}

intptr_t defaultWindowProcedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcA(toHwnd(window), message, wParam, lParam);
}

bool hasUpdateRegion(WindowHandle window) { return GetUpdateRect(toHwnd(window), nullptr, FALSE) != 0; }

SurfaceHandle beginPaint(WindowHandle window, PaintRecord& paint) {
  auto* ps = reinterpret_cast<PAINTSTRUCT*>(paint.platformData);
  paint.surface = fromHdc(BeginPaint(toHwnd(window), ps));
  return paint.surface;
}

void endPaint(WindowHandle window, PaintRecord& paint) {
  EndPaint(toHwnd(window), reinterpret_cast<PAINTSTRUCT*>(paint.platformData));
  paint.surface = nullptr;
}

SurfaceHandle windowSurface(WindowHandle window) { return fromHdc(GetDC(toHwnd(window))); }

void releaseWindowSurface(WindowHandle window, SurfaceHandle surface) {
  ReleaseDC(toHwnd(window), toHdc(surface));
}

bool windowScreenRect(WindowHandle window, Bounds& rect) {
  RECT r;
  if (!GetWindowRect(toHwnd(window), &r)) return false;
  rect.left = r.left;
  rect.top = r.top;
  rect.right = r.right;
  rect.bottom = r.bottom;
  return true;
}

}  // namespace platform
