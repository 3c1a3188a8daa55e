#include "platform/win32/Win32Scale.h"

#include <vector>

#include "platform/raster/PanelScale.h"

namespace win32scale {

namespace {

struct ScaledWindow {
  HWND window = nullptr;
  int32_t scale = 100;
  int32_t width = 0;
  int32_t height = 0;
  HDC surface = nullptr;
  HBITMAP image = nullptr;
  HGDIOBJ previousImage = nullptr;
  WNDPROC procedure = nullptr;  // the toolkit's
};

std::vector<ScaledWindow>& scaledWindows() {
  static std::vector<ScaledWindow> all;
  return all;
}

HWND& lastPressed() {
  static HWND window = nullptr;
  return window;
}

ScaledWindow* find(HWND window) {
  for (ScaledWindow& w : scaledWindows())
    if (w.window == window) return &w;
  return nullptr;
}

// Casting through the generic function type keeps the compiler's
// function-cast check quiet for procedures looked up by name.
template <typename Function>
Function userFunction(const char* name) {
  HMODULE user = GetModuleHandleA("user32.dll");
  if (!user) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user, name)));
}

void forget(HWND window) {
  auto& all = scaledWindows();
  for (auto it = all.begin(); it != all.end(); ++it) {
    if (it->window != window) continue;
    SelectObject(it->surface, it->previousImage);
    DeleteObject(it->image);
    DeleteDC(it->surface);
    all.erase(it);
    break;
  }
  if (lastPressed() == window) lastPressed() = nullptr;
}

LRESULT CALLBACK scaledProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ScaledWindow* w = find(window);
  if (!w) return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC procedure = w->procedure;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE: {
      lastPressed() = message == WM_MOUSEMOVE ? lastPressed() : window;
      const int32_t x = static_cast<int16_t>(LOWORD(lParam));
      const int32_t y = static_cast<int16_t>(HIWORD(lParam));
      lParam = platform::positionParameter(panelscale::toPanel(x, w->scale), panelscale::toPanel(y, w->scale));
      break;
    }
    case WM_NCDESTROY: {
      const LRESULT result = CallWindowProcA(procedure, window, message, wParam, lParam);
      forget(window);
      return result;
    }
    default:
      break;
  }
  return CallWindowProcA(procedure, window, message, wParam, lParam);
}

}  // namespace

int32_t screenScale(HWND parent) {
  // Newer systems know each window's DPI; older ones only the system's.
  // A process that has not declared itself DPI-aware is told 96 by all of
  // them and gets the panel at its own size.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  using DpiForSystem = UINT(WINAPI*)();
  if (parent) {
    if (auto dpiForWindow = userFunction<DpiForWindow>("GetDpiForWindow")) {
      if (const UINT dpi = dpiForWindow(parent)) return panelscale::fromDpi(dpi);
    }
  }
  if (auto dpiForSystem = userFunction<DpiForSystem>("GetDpiForSystem")) {
    if (const UINT dpi = dpiForSystem()) return panelscale::fromDpi(dpi);
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return panelscale::unscaled;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return panelscale::fromDpi(dpi);
}

HWND createScaledWindow(const platform::WindowCreation& c, int32_t scale) {
  ScaledWindow w;
  w.scale = scale;
  w.width = c.width > 0 ? c.width : 0;
  w.height = c.height > 0 ? c.height : 0;
  HWND window = CreateWindowExA(c.extendedStyle, c.className, c.title, c.style, c.x, c.y,
                                panelscale::toWindow(w.width, scale), panelscale::toWindow(w.height, scale),
                                reinterpret_cast<HWND>(c.parent), nullptr, static_cast<HINSTANCE>(c.module), nullptr);
  if (!window) return nullptr;
  HDC shown = GetDC(window);
  w.surface = CreateCompatibleDC(shown);
  w.image = CreateCompatibleBitmap(shown, w.width > 0 ? w.width : 1, w.height > 0 ? w.height : 1);
  ReleaseDC(window, shown);
  if (!w.surface || !w.image) {
    if (w.image) DeleteObject(w.image);
    if (w.surface) DeleteDC(w.surface);
    DestroyWindow(window);
    return nullptr;
  }
  w.previousImage = SelectObject(w.surface, w.image);
  // Until the toolkit first paints, the image shows what erasing would.
  RECT all{0, 0, w.width, w.height};
  FillRect(w.surface, &all, reinterpret_cast<HBRUSH>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)));
  w.window = window;
  w.procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
  scaledWindows().push_back(w);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&scaledProcedure));
  return window;
}

HDC panelSurface(HWND window) {
  const ScaledWindow* w = find(window);
  return w ? w->surface : nullptr;
}

bool isPanelSurface(HDC surface) {
  for (const ScaledWindow& w : scaledWindows())
    if (w.surface == surface) return true;
  return false;
}

void showPanel(HWND window, HDC target) {
  const ScaledWindow* w = find(window);
  if (!w) return;
  HDC shown = target ? target : GetDC(window);
  if (!shown) return;
  // Whole pixels repeated, never blended, so the picture stays exact.
  SetStretchBltMode(shown, COLORONCOLOR);
  StretchBlt(shown, 0, 0, panelscale::toWindow(w->width, w->scale), panelscale::toWindow(w->height, w->scale),
             w->surface, 0, 0, w->width, w->height, SRCCOPY);
  if (!target) ReleaseDC(window, shown);
}

bool panelSize(HWND window, int32_t& width, int32_t& height) {
  const ScaledWindow* w = find(window);
  if (!w) return false;
  width = w->width;
  height = w->height;
  return true;
}

void toPanelScreenPosition(int32_t& x, int32_t& y) {
  const ScaledWindow* w = find(lastPressed());
  if (!w && !scaledWindows().empty()) w = &scaledWindows().front();
  if (!w) return;
  // The same corner windowScreenRect reports.
  RECT r;
  if (!GetWindowRect(w->window, &r)) return;
  const POINT origin{r.left, r.top};
  x = origin.x + panelscale::toPanel(x - origin.x, w->scale);
  y = origin.y + panelscale::toPanel(y - origin.y, w->scale);
}

}  // namespace win32scale
