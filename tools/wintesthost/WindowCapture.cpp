#include "tools/wintesthost/WindowCapture.h"

bool captureWindow(HWND window, int& width, int& height, std::vector<uint32_t>& pixels) {
  RECT r;
  if (!GetClientRect(window, &r) || r.right <= 0 || r.bottom <= 0) return false;
  width = r.right;
  height = r.bottom;
  HDC source = GetDC(window);
  if (!source) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(source);
  bool ok = false;
  if (dib && memory) {
    HGDIOBJ old = SelectObject(memory, dib);
    ok = BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    if (ok) {
      const auto* p = static_cast<const uint32_t*>(bits);
      pixels.assign(p, p + static_cast<size_t>(width) * height);
      for (uint32_t& px : pixels) px &= 0x00FFFFFF;
    }
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
  if (dib) DeleteObject(dib);
  ReleaseDC(window, source);
  return ok;
}
