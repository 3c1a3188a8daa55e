// The toolkit's drawing context and bitmaps on real GDI: the pixel rules the
// panel relies on, the surface's own objects put back, the font table, the
// cursor relative to a window, and the module's bitmap resources.
#include <windows.h>

#include <cstring>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "tests/win32/windows/WinTest.h"

namespace {

constexpr uint32_t grey = 0x808080;

// A 32-bit top-down DIB in a memory DC, so pixels can be read directly.
struct MemorySurface {
    MemorySurface(int w, int h) : width(w) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        old = SelectObject(dc, dib);
        for (int i = 0; i < w * h; ++i) bits[i] = grey;
    }
    ~MemorySurface() {
        SelectObject(dc, old);
        DeleteObject(dib);
        DeleteDC(dc);
    }
    uint32_t pixel(int x, int y) {
        GdiFlush();
        return bits[y * width + x] & 0xFFFFFF;
    }
    platform::SurfaceHandle surface() const { return reinterpret_cast<platform::SurfaceHandle>(dc); }

    int width;
    HDC dc;
    HBITMAP dib;
    uint32_t* bits = nullptr;
    HGDIOBJ old;
};

LOGFONTA currentFont(HDC dc) {
    LOGFONTA f{};
    GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof f, &f);
    return f;
}

}  // namespace

WIN_TEST(drawingFollowsThePixelRules) {
    MemorySurface s(64, 48);
    HGDIOBJ pen = GetCurrentObject(s.dc, OBJ_PEN), brush = GetCurrentObject(s.dc, OBJ_BRUSH),
            font = GetCurrentObject(s.dc, OBJ_FONT);
    {
        DrawContext c(s.surface(), nullptr);
        c.setFrameColor(Color{255, 0, 0, 0});
        c.drawRect(Rect(10, 10, 20, 20));
        c.setFillColor(Color{0, 0, 255, 0});
        c.fillRect(Rect(10, 10, 20, 20));
        c.setFrameColor(Color{0, 255, 0, 0});
        c.moveTo(Point(30, 5));
        c.lineTo(Point(40, 5));
        c.lineTo(Point(40, 15));
        c.drawString("x", Rect(0, 30, 20, 40), true, alignLeft);
        CHECK_EQ(GetBkMode(s.dc), TRANSPARENT);  // also after opaque text

        c.setFont(9, 0);  // out of range: bold 12-pixel Arial
        LOGFONTA f = currentFont(s.dc);
        CHECK_EQ(f.lfHeight, -12);
        CHECK_EQ(f.lfWeight, 700);
        CHECK(std::strcmp(f.lfFaceName, "Arial") == 0);
        CHECK_EQ(f.lfPitchAndFamily, 0x22);
        CHECK_EQ(f.lfOutPrecision, 1);
        CHECK_EQ(f.lfClipPrecision, 2);
        c.setFont(3, 20);
        f = currentFont(s.dc);
        CHECK_EQ(f.lfHeight, -20);
        CHECK_EQ(f.lfWeight, 400);
        c.setFont(7, 0);
        f = currentFont(s.dc);
        CHECK_EQ(f.lfHeight, -13);
        CHECK(std::strcmp(f.lfFaceName, "Symbol") == 0);
    }
    // The outline includes its far corner; the fill starts one pixel in.
    CHECK_EQ(s.pixel(10, 10), 0xFF0000u);
    CHECK_EQ(s.pixel(20, 20), 0xFF0000u);
    CHECK_EQ(s.pixel(20, 10), 0xFF0000u);
    CHECK_EQ(s.pixel(21, 21), grey);
    CHECK_EQ(s.pixel(11, 11), 0x0000FFu);
    CHECK_EQ(s.pixel(19, 19), 0x0000FFu);
    // Lines leave out their end point; the next line starts there.
    CHECK_EQ(s.pixel(30, 5), 0x00FF00u);
    CHECK_EQ(s.pixel(39, 5), 0x00FF00u);
    CHECK_EQ(s.pixel(40, 5), 0x00FF00u);
    CHECK_EQ(s.pixel(41, 5), grey);
    CHECK_EQ(s.pixel(40, 14), 0x00FF00u);
    CHECK_EQ(s.pixel(40, 15), grey);
    // The surface has its own pen, brush and font back.
    CHECK(GetCurrentObject(s.dc, OBJ_PEN) == pen);
    CHECK(GetCurrentObject(s.dc, OBJ_BRUSH) == brush);
    CHECK(GetCurrentObject(s.dc, OBJ_FONT) == font);
}

WIN_TEST(theCursorIsReadRelativeToTheWindow) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 300, 200, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    SetCursorPos(350, 260);
    Point where;
    {
        DrawContext c(nullptr, reinterpret_cast<platform::WindowHandle>(window));
        c.getMouseLocation(where);
        CHECK_EQ(c.getMouseButtons(), 0);  // nobody holds a button or key
    }
    CHECK_EQ(where.h, 50);
    CHECK_EQ(where.v, 60);
    DestroyWindow(window);
}

WIN_TEST(bitmapsComeFromTheModuleResources) {
    Bitmap* background = new Bitmap(202);
    Bitmap* knob = new Bitmap(200 + 0x10000);  // only the low 16 bits select
    Bitmap* button = new Bitmap(201);
    Bitmap* missing = new Bitmap(999);
    CHECK_EQ(background->getWidth(), 400);
    CHECK_EQ(background->getHeight(), 200);
    CHECK_EQ(knob->getWidth(), 60);
    CHECK_EQ(knob->getHeight(), 3660);
    CHECK_EQ(button->getWidth(), 80);
    CHECK_EQ(button->getHeight(), 50);
    CHECK_EQ(missing->getWidth(), 0);
    CHECK_EQ(missing->getHeight(), 0);

    // A film frame lands at the destination; a missing image draws nothing.
    MemorySurface s(60, 60), frame(60, 60);
    {
        DrawContext c(s.surface(), nullptr);
        missing->draw(&c, Rect(0, 0, 60, 60), Point(0, 0));
        CHECK_EQ(s.pixel(30, 30), grey);
        knob->draw(&c, Rect(0, 0, 60, 60), Point(0, 1800));
    }
    HBITMAP strip = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(200));
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, strip);
    BitBlt(frame.dc, 0, 0, 60, 60, source, 0, 1800, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(strip);
    int differing = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) differing += s.pixel(x, y) != frame.pixel(x, y);
    CHECK_EQ(differing, 0);
    CHECK(s.pixel(0, 0) != grey || s.pixel(30, 30) != grey);

    for (Bitmap* b : {background, knob, button, missing}) b->release();
}
