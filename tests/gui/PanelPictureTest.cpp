// Paints a frame as the plug-in's panel will look (background, film-strip
// knobs, the button, boxed texts) through the window's paint message and
// writes it to panel-toolkit.png for people to look at.
#include <cstdio>
#include <string>

#include "GuiTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"

using guitest::HeadlessTest;

namespace {

// One film frame of a strip bitmap.
class StripView : public View {
public:
    StripView(const Rect& size, Bitmap* strip, int32_t offset) : View(size), strip(strip), offset(offset) {
        strip->retain();
    }
    ~StripView() override { strip->release(); }
    void draw(DrawContext* context) override { strip->draw(context, size, Point(0, offset)); }

private:
    Bitmap* strip;
    int32_t offset;
};

// A filled, outlined box with one line of text.
class BoxedText : public View {
public:
    BoxedText(const Rect& size, const char* text, TextAlign align, int32_t inset)
        : View(size), text(text), align(align), inset(inset) {}
    void draw(DrawContext* context) override {
        context->setFillColor(colorBlack);
        context->fillRect(size);
        context->setFrameColor(Color{96, 96, 128, 0});
        context->drawRect(size);
        context->setFont(4, 0);
        context->setFontColor(Color{115, 214, 214, 0});
        context->drawString(text.c_str(), Rect(size.left + inset, size.top + inset, size.right - inset, size.bottom - inset),
                            false, align);
    }

private:
    std::string text;
    TextAlign align;
    int32_t inset;
};

#if !GUI_TESTS_HAVE_ARTWORK
// Stand-ins when the module's artwork is not linked in.
void addStandInArtwork() {
    headless::addBitmapResource(202, 400, 200, std::vector<uint32_t>(400 * 200, headless::rgb(66, 66, 74)));
    std::vector<uint32_t> knob(60 * 3660, headless::rgb(30, 30, 34));
    for (int32_t frame = 0; frame < 61; ++frame)
        for (int32_t y = 20; y < 40; ++y)
            knob[static_cast<size_t>(frame * 60 + y) * 60 + frame % 60] = headless::rgb(230, 230, 230);
    headless::addBitmapResource(200, 60, 3660, knob);
    headless::addBitmapResource(201, 80, 50, std::vector<uint32_t>(80 * 50, headless::rgb(90, 90, 100)));
}
#endif

}  // namespace

TEST_F(HeadlessTest, PanelPicture) {
#if !GUI_TESTS_HAVE_ARTWORK
    addStandInArtwork();
#endif
    auto* knob = new Bitmap(200);
    auto* button = new Bitmap(201);
    auto* background = new Bitmap(202);
    ASSERT_EQ(background->getWidth(), 400);
    {
        Frame frame(Rect(0, 0, 400, 200), host, nullptr);
        frame.setBackground(background);
        const int32_t frames[4] = {0, 20, 30, 60};
        const char* values[4] = {"0.00", "2.50", "5.50", "500"};
        for (int32_t i = 0; i < 4; ++i)
            frame.addView(new StripView(Rect(50 + 80 * i, 120, 110 + 80 * i, 180), knob, frames[i] * 60));
        for (int32_t i = 0; i < 4; ++i)
            frame.addView(new BoxedText(Rect(50 + 80 * i, 180, 110 + 80 * i, 192), values[i], alignCenter, 0));
        frame.addView(new StripView(Rect(10, 60, 90, 85), button, 0));
        frame.addView(new BoxedText(Rect(100, 60, 390, 83), "/home/user/samples/voice.wav", alignLeft, 2));
        EXPECT_EQ(headless::paintAll(), 1);

        platform::WindowHandle window = frame.getSystemWindow();
        const std::string path = std::string(TEST_OUTPUT_DIR) + "/panel-toolkit.png";
        EXPECT_TRUE(headless::saveWindowPng(window, path.c_str()));
        std::printf("panel picture: %s\n", path.c_str());

        // The background shows at a plain spot, a value box has its outline,
        // and the text box's text starts inside it.
        EXPECT_EQ(headless::windowPixel(window, 20, 150), headless::rgb(66, 66, 74));
        EXPECT_EQ(headless::windowPixel(window, 50, 192), headless::rgb(96, 96, 128));
        EXPECT_EQ(headless::windowPixel(window, 51, 186), headless::rgb(0, 0, 0));
        bool inked = false;
        for (int32_t x = 102; x < 200 && !inked; ++x)
            for (int32_t y = 62; y < 81; ++y)
                inked = inked || headless::windowPixel(window, x, y) != 0;
        EXPECT_TRUE(inked);
    }
    knob->release();
    button->release();
    background->release();
    EXPECT_EQ(raster::liveObjects().images, 0);
}
