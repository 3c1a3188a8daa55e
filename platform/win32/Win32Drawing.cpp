// GDI drawing: pens, brushes, fonts, text, lines, fills and block copies.
#include <cstring>

#include "platform/win32/Win32Handles.h"

namespace platform {

PenHandle currentPen(SurfaceHandle s) { return fromHpen(GetCurrentObject(toHdc(s), OBJ_PEN)); }
BrushHandle currentBrush(SurfaceHandle s) { return fromHbrush(GetCurrentObject(toHdc(s), OBJ_BRUSH)); }
FontHandle currentFont(SurfaceHandle s) { return fromHfont(GetCurrentObject(toHdc(s), OBJ_FONT)); }

// SelectObject answers HGDI_ERROR rather than null for some failures; the
// interface promises null.
static HGDIOBJ selectInto(SurfaceHandle s, HGDIOBJ object) {
  HGDIOBJ previous = SelectObject(toHdc(s), object);
  return previous == HGDI_ERROR ? nullptr : previous;
}

PenHandle selectPen(SurfaceHandle s, PenHandle pen) { return fromHpen(selectInto(s, toHpen(pen))); }
BrushHandle selectBrush(SurfaceHandle s, BrushHandle brush) {
  return fromHbrush(selectInto(s, toHbrush(brush)));
}
FontHandle selectFont(SurfaceHandle s, FontHandle font) { return fromHfont(selectInto(s, toHfont(font))); }
ImageHandle selectImage(SurfaceHandle s, ImageHandle image) {
  return fromHbitmap(selectInto(s, toHbitmap(image)));
}

bool deletePen(PenHandle pen) { return DeleteObject(toHpen(pen)) != 0; }
bool deleteBrush(BrushHandle brush) { return DeleteObject(toHbrush(brush)) != 0; }
bool deleteFont(FontHandle font) { return DeleteObject(toHfont(font)) != 0; }
bool deleteImage(ImageHandle image) { return DeleteObject(toHbitmap(image)) != 0; }

PenHandle createSolidPen(int32_t width, ColorRef color) {
  LOGPEN pen;
  pen.lopnStyle = PS_SOLID;
  pen.lopnWidth.x = width;
  pen.lopnWidth.y = 0;
  pen.lopnColor = color;
  return fromHpen(CreatePenIndirect(&pen));
}

BrushHandle createSolidBrush(ColorRef color) {
  LOGBRUSH brush;
  brush.lbStyle = BS_SOLID;
  brush.lbColor = color;
  brush.lbHatch = 0;
  return fromHbrush(CreateBrushIndirect(&brush));
}

FontHandle createFont(const FontAttributes& a) {
  LOGFONTA font;
  std::memset(&font, 0, sizeof font);
  font.lfHeight = a.height;
  font.lfWidth = a.width;
  font.lfEscapement = a.escapement;
  font.lfOrientation = a.orientation;
  font.lfWeight = a.weight;
  font.lfItalic = a.italic;
  font.lfUnderline = a.underline;
  font.lfStrikeOut = a.strikeOut;
  font.lfCharSet = a.charSet;
  font.lfOutPrecision = a.outPrecision;
  font.lfClipPrecision = a.clipPrecision;
  font.lfQuality = a.quality;
  font.lfPitchAndFamily = a.pitchAndFamily;
  static_assert(sizeof font.lfFaceName == sizeof a.faceName);
  std::memcpy(font.lfFaceName, a.faceName, sizeof font.lfFaceName);
  font.lfFaceName[sizeof font.lfFaceName - 1] = 0;
  return fromHfont(CreateFontIndirectA(&font));
}

int32_t setBackgroundMode(SurfaceHandle s, BackgroundMode mode) { return SetBkMode(toHdc(s), mode); }
ColorRef setBackgroundColor(SurfaceHandle s, ColorRef color) { return SetBkColor(toHdc(s), color); }
ColorRef setTextColor(SurfaceHandle s, ColorRef color) { return SetTextColor(toHdc(s), color); }

void moveTo(SurfaceHandle s, int32_t x, int32_t y) { MoveToEx(toHdc(s), x, y, nullptr); }
void lineTo(SurfaceHandle s, int32_t x, int32_t y) { LineTo(toHdc(s), x, y); }

void fillRect(SurfaceHandle s, const Bounds& area, BrushHandle brush) {
  RECT r = toRect(area);
  FillRect(toHdc(s), &r, toHbrush(brush));
}

void drawText(SurfaceHandle s, const char* text, const Bounds& box, TextFormat format) {
  RECT r = toRect(box);
  DrawTextA(toHdc(s), text, -1, &r, DT_SINGLELINE | DT_VCENTER | static_cast<UINT>(format));
}

SurfaceHandle createCompatibleSurface(SurfaceHandle s) { return fromHdc(CreateCompatibleDC(toHdc(s))); }
void deleteSurface(SurfaceHandle memorySurface) { DeleteDC(toHdc(memorySurface)); }

void copyBlock(SurfaceHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
               SurfaceHandle source, int32_t sourceX, int32_t sourceY) {
  BitBlt(toHdc(destination), x, y, width, height, toHdc(source), sourceX, sourceY, SRCCOPY);
}

ImageHandle loadBitmapResource(void* module, int32_t resourceId) {
  return fromHbitmap(LoadBitmapA(static_cast<HINSTANCE>(module),
                                 MAKEINTRESOURCEA(static_cast<WORD>(resourceId & 0xFFFF))));
}

bool imageSize(ImageHandle image, int32_t& width, int32_t& height) {
  BITMAP info;
  if (!image || GetObjectA(toHbitmap(image), sizeof info, &info) != sizeof info) return false;
  width = info.bmWidth;
  height = info.bmHeight;
  return true;
}

}  // namespace platform
