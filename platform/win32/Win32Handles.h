// Conversions between the platform layer's opaque handles and Win32's.
// The opaque types are never defined: a handle is the Win32 handle itself.
#pragma once

#include <windows.h>

#include "platform/Platform.h"

namespace platform {

inline HDC toHdc(SurfaceHandle s) { return reinterpret_cast<HDC>(s); }
inline SurfaceHandle fromHdc(HDC dc) { return reinterpret_cast<SurfaceHandle>(dc); }
inline HWND toHwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
inline WindowHandle fromHwnd(HWND w) { return reinterpret_cast<WindowHandle>(w); }
inline HPEN toHpen(PenHandle p) { return reinterpret_cast<HPEN>(p); }
inline PenHandle fromHpen(HGDIOBJ p) { return reinterpret_cast<PenHandle>(p); }
inline HBRUSH toHbrush(BrushHandle b) { return reinterpret_cast<HBRUSH>(b); }
inline BrushHandle fromHbrush(HGDIOBJ b) { return reinterpret_cast<BrushHandle>(b); }
inline HFONT toHfont(FontHandle f) { return reinterpret_cast<HFONT>(f); }
inline FontHandle fromHfont(HGDIOBJ f) { return reinterpret_cast<FontHandle>(f); }
inline HBITMAP toHbitmap(ImageHandle i) { return reinterpret_cast<HBITMAP>(i); }
inline ImageHandle fromHbitmap(HGDIOBJ i) { return reinterpret_cast<ImageHandle>(i); }

inline RECT toRect(const Bounds& b) {
  RECT r;
  r.left = b.left;
  r.top = b.top;
  r.right = b.right;
  r.bottom = b.bottom;
  return r;
}

}  // namespace platform
