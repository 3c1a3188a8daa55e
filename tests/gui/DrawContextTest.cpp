// The drawing context: pixel rules as views see them, the colour and font
// setters and the objects they create, restoring the surface's own objects,
// and the live mouse queries.
#include <cstring>
#include <utility>

#include "GuiTestSupport.h"

using guitest::HeadlessTest;

namespace {

constexpr Color red{255, 0, 0, 0};
constexpr Color green{0, 255, 0, 0};
constexpr Color blue{0, 0, 255, 0};

class DrawContextTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        surface = platform::windowSurface(host);
    }
    void TearDown() override {
        platform::releaseWindowSurface(host, surface);
        HeadlessTest::TearDown();
    }
    uint32_t pixel(int32_t x, int32_t y) const { return headless::windowPixel(host, x, y); }
    static uint32_t of(const Color& c) { return headless::rgb(c.red, c.green, c.blue); }

    platform::FontAttributes currentFontAttributes() const {
        platform::FontAttributes attributes;
        EXPECT_TRUE(raster::fontDetails(platform::currentFont(surface), attributes));
        return attributes;
    }

    platform::SurfaceHandle surface = nullptr;
};

}  // namespace

TEST_F(DrawContextTest, OutlineFillAndLinePixels) {
    DrawContext context(surface, host);
    context.setFrameColor(red);
    context.setFillColor(green);
    const Rect r(10, 10, 20, 20);
    context.drawRect(r);
    context.fillRect(r);
    // The outline includes its far corner; the fill starts one pixel in and
    // leaves the outline alone.
    EXPECT_EQ(pixel(10, 10), of(red));
    EXPECT_EQ(pixel(20, 20), of(red));
    EXPECT_EQ(pixel(20, 10), of(red));
    EXPECT_EQ(pixel(10, 20), of(red));
    EXPECT_NE(pixel(21, 21), of(red));
    EXPECT_EQ(pixel(11, 11), of(green));
    EXPECT_EQ(pixel(19, 19), of(green));
    EXPECT_EQ(pixel(15, 20), of(red));
    int outline = 0;
    int inside = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            outline += pixel(x, y) == of(red);
            inside += pixel(x, y) == of(green);
        }
    EXPECT_EQ(outline, 40);
    EXPECT_EQ(inside, 81);

    // Lines leave out their end point; the next line starts there.
    context.setFrameColor(blue);
    context.moveTo(Point(30, 30));
    context.lineTo(Point(40, 30));
    EXPECT_EQ(pixel(39, 30), of(blue));
    EXPECT_NE(pixel(40, 30), of(blue));
    context.lineTo(Point(40, 35));
    EXPECT_EQ(pixel(40, 30), of(blue));
    EXPECT_NE(pixel(40, 35), of(blue));
}

TEST_F(DrawContextTest, StartsWithItsDefaultsAndRestoresTheSurface) {
    const platform::PenHandle ownPen = platform::currentPen(surface);
    const platform::BrushHandle ownBrush = platform::currentBrush(surface);
    const platform::FontHandle ownFont = platform::currentFont(surface);
    {
        DrawContext context(surface, host);
        EXPECT_EQ(context.getFrameColor(), colorWhite);
        EXPECT_EQ(context.getFillColor(), colorBlack);
        EXPECT_EQ(context.getFontColor(), colorWhite);
        EXPECT_EQ(context.getLineWidth(), 1);
        raster::SurfaceState state;
        raster::surfaceState(surface, state);
        EXPECT_EQ(state.backgroundMode, platform::backgroundTransparent);
        EXPECT_EQ(state.textColor, colorWhite.toPlatform());
        EXPECT_EQ(state.backgroundColor, colorBlack.toPlatform());
        int32_t width = 0;
        platform::ColorRef color = 0;
        ASSERT_TRUE(raster::penDetails(platform::currentPen(surface), width, color));
        EXPECT_EQ(width, 1);
        EXPECT_EQ(color, colorWhite.toPlatform());
        // No font of its own until one is asked for.
        EXPECT_EQ(platform::currentFont(surface), ownFont);

        // However often the colours and font change, one object of each kind.
        for (int i = 0; i < 5; ++i) {
            context.setFrameColor(Color{static_cast<uint8_t>(i), 0, 0, 0});
            context.setFillColor(Color{0, static_cast<uint8_t>(i), 0, 0});
            context.setFont(i, 0);
        }
        const raster::LiveObjects live = raster::liveObjects();
        EXPECT_EQ(live.pens, 1);
        EXPECT_EQ(live.brushes, 1);
        EXPECT_EQ(live.fonts, 1);
    }
    EXPECT_EQ(platform::currentPen(surface), ownPen);
    EXPECT_EQ(platform::currentBrush(surface), ownBrush);
    EXPECT_EQ(platform::currentFont(surface), ownFont);
    const raster::LiveObjects live = raster::liveObjects();
    EXPECT_EQ(live.pens + live.brushes + live.fonts, 0);
}

TEST_F(DrawContextTest, FontTableAndIdsOutOfRange) {
    DrawContext context(surface, host);
    for (int32_t id : {9, -1, 0}) {
        context.setFont(id, 0);
        const platform::FontAttributes a = currentFontAttributes();
        EXPECT_STREQ(a.faceName, "Arial") << id;
        EXPECT_EQ(a.height, -12) << id;
        EXPECT_EQ(a.weight, 700) << id;
        EXPECT_EQ(a.pitchAndFamily, 0x22) << id;
        EXPECT_EQ(context.getFontSize(), 12);
    }
    context.setFont(3, 20);
    platform::FontAttributes a = currentFontAttributes();
    EXPECT_EQ(a.height, -20);
    EXPECT_EQ(a.weight, 400);
    EXPECT_EQ(context.getFontSize(), 20);
    EXPECT_EQ(a.width, 0);
    EXPECT_EQ(a.italic + a.underline + a.strikeOut + a.charSet + a.quality, 0);
    EXPECT_EQ(a.outPrecision, 1);
    EXPECT_EQ(a.clipPrecision, 2);

    context.setFont(7, 0);
    a = currentFontAttributes();
    EXPECT_STREQ(a.faceName, "Symbol");
    EXPECT_EQ(a.height, -13);
    EXPECT_EQ(a.pitchAndFamily, 0x50);
    context.setFont(4, 0);
    EXPECT_EQ(currentFontAttributes().height, -11);
    EXPECT_EQ(currentFontAttributes().weight, 400);
}

TEST_F(DrawContextTest, ColourSettersAndAFailingBrush) {
    DrawContext context(surface, host);
    context.setFontColor(red);
    context.setFillColor(green);
    raster::SurfaceState state;
    raster::surfaceState(surface, state);
    EXPECT_EQ(state.textColor, red.toPlatform());
    EXPECT_EQ(state.backgroundColor, green.toPlatform());
    EXPECT_EQ(context.getFontColor(), red);

    // The brush cannot be made: the stored colour and the text background
    // change, the previous brush goes on filling.
    raster::failBrushCreations(1);
    context.setFillColor(blue);
    EXPECT_EQ(context.getFillColor(), blue);
    raster::surfaceState(surface, state);
    EXPECT_EQ(state.backgroundColor, blue.toPlatform());
    platform::ColorRef brush = 0;
    raster::brushColor(platform::currentBrush(surface), brush);
    EXPECT_EQ(brush, green.toPlatform());
    context.fillRect(Rect(0, 0, 5, 5));
    EXPECT_EQ(pixel(3, 3), of(green));
    EXPECT_EQ(raster::liveObjects().brushes, 1);

    context.setFillColor(blue);
    context.fillRect(Rect(0, 0, 5, 5));
    EXPECT_EQ(pixel(3, 3), of(blue));
}

TEST_F(DrawContextTest, StringsLeaveTheBackgroundTransparent) {
    DrawContext context(surface, host);
    context.setFont(0, 0);
    context.setFillColor(red);
    context.drawString("Load", Rect(0, 0, 100, 20), true, alignCenter);
    raster::SurfaceState state;
    raster::surfaceState(surface, state);
    EXPECT_EQ(state.backgroundMode, platform::backgroundTransparent);
    int redCells = 0;
    for (int32_t x = 0; x < 100; ++x)
        redCells += pixel(x, 10) == of(red);
    EXPECT_GT(redCells, 0);

    // Unknown alignments are left alignment, one pixel in from the left edge.
    platform::WindowHandle first = headless::createHostWindow(0, 0, 200, 80);
    platform::WindowHandle second = headless::createHostWindow(0, 0, 200, 80);
    for (auto [window, align] : {std::pair{first, static_cast<TextAlign>(5)}, std::pair{second, alignLeft}}) {
        platform::SurfaceHandle s = platform::windowSurface(window);
        {
            DrawContext c(s, window);
            c.setFont(0, 0);
            c.drawString("Load", Rect(10, 40, 100, 60), false, align);
        }
        platform::releaseWindowSurface(window, s);
    }
    // The same text put by the platform at a left edge of 11.
    platform::WindowHandle third = headless::createHostWindow(0, 0, 200, 80);
    platform::SurfaceHandle s = platform::windowSurface(third);
    {
        DrawContext c(s, third);
        c.setFont(0, 0);
        platform::drawText(s, "Load", platform::Bounds{11, 40, 100, 60}, platform::textLeft);
    }
    platform::releaseWindowSurface(third, s);
    int32_t inked = 0;
    for (int32_t x = 0; x < 100; ++x)
        for (int32_t y = 40; y < 60; ++y) {
            EXPECT_EQ(headless::windowPixel(first, x, y), headless::windowPixel(second, x, y)) << x << "," << y;
            EXPECT_EQ(headless::windowPixel(first, x, y), headless::windowPixel(third, x, y)) << x << "," << y;
            inked += headless::windowPixel(first, x, y) != 0;
        }
    EXPECT_GT(inked, 20);
}

TEST_F(DrawContextTest, LiveMouseState) {
    DrawContext context(surface, host);
    EXPECT_EQ(context.getMouseButtons(), 0);
    headless::InputState in;
    in.leftButton = true;
    in.control = true;
    in.cursorX = 350;
    in.cursorY = 260;
    headless::setInput(in);
    EXPECT_EQ(context.getMouseButtons(), buttonLeft | modifierControl);
    EXPECT_EQ(context.getMouseButtons(), 17);
    in = headless::InputState{true, true, true, true, true, true, 350, 260};
    headless::setInput(in);
    EXPECT_EQ(context.getMouseButtons(), 63);

    // Relative to the window's corner, as it was when the context was made.
    Point where;
    context.getMouseLocation(where);
    EXPECT_EQ(where, Point(50, 60));
    headless::moveWindow(host, 0, 0);
    context.getMouseLocation(where);
    EXPECT_EQ(where, Point(50, 60));
    DrawContext withoutWindow(nullptr, nullptr);
    withoutWindow.getMouseLocation(where);
    EXPECT_EQ(where, Point(350, 260));
}

TEST_F(DrawContextTest, WithoutASurfaceNothingIsMade) {
    DrawContext context(nullptr, host);
    context.setFrameColor(red);
    context.setFillColor(green);
    context.setFont(2, 0);
    context.drawRect(Rect(0, 0, 10, 10));
    context.fillRect(Rect(0, 0, 10, 10));
    context.drawString("x", Rect(0, 0, 10, 10), true, alignLeft);
    EXPECT_EQ(context.getFillColor(), green);
    EXPECT_EQ(context.getFontSize(), 14);
    const raster::LiveObjects live = raster::liveObjects();
    EXPECT_EQ(live.pens + live.brushes + live.fonts, 0);
}
