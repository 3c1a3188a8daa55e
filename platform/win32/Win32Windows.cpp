// Window class, child window, per-window pointer, painting and window surfaces.
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Scale.h"

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

int32_t windowScale(WindowHandle parent) { return win32scale::screenScale(toHwnd(parent)); }

WindowHandle createWindow(const WindowCreation& c) {
  if (const int32_t scale = win32scale::screenScale(toHwnd(c.parent)); scale != 100)
    return fromHwnd(win32scale::createScaledWindow(c, scale));
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
  // A scaled window is drawn in its panel image, shown when the paint ends.
  if (HDC panel = win32scale::panelSurface(toHwnd(window)); panel && paint.surface) paint.surface = fromHdc(panel);
  return paint.surface;
}

void endPaint(WindowHandle window, PaintRecord& paint) {
  auto* ps = reinterpret_cast<PAINTSTRUCT*>(paint.platformData);
  if (paint.surface && toHdc(paint.surface) != ps->hdc) win32scale::showPanel(toHwnd(window), ps->hdc);
  EndPaint(toHwnd(window), reinterpret_cast<PAINTSTRUCT*>(paint.platformData));
  paint.surface = nullptr;
}

SurfaceHandle windowSurface(WindowHandle window) {
  if (HDC panel = win32scale::panelSurface(toHwnd(window))) return fromHdc(panel);
  return fromHdc(GetDC(toHwnd(window)));
}

void releaseWindowSurface(WindowHandle window, SurfaceHandle surface) {
  if (win32scale::isPanelSurface(toHdc(surface))) {
    win32scale::showPanel(toHwnd(window), nullptr);
    return;
  }
  ReleaseDC(toHwnd(window), toHdc(surface));
}

bool windowScreenRect(WindowHandle window, Bounds& rect) {
  RECT r;
  if (!GetWindowRect(toHwnd(window), &r)) return false;
  rect.left = r.left;
  rect.top = r.top;
  rect.right = r.right;
  rect.bottom = r.bottom;
  // A scaled window's corner stays; its size is the toolkit's.
  int32_t width = 0;
  int32_t height = 0;
  if (win32scale::panelSize(toHwnd(window), width, height)) {
    rect.right = r.left + width;
    rect.bottom = r.top + height;
  }
  return true;
}

}  // namespace platform
