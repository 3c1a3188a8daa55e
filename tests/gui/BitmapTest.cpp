// Bitmaps: loading by resource number, the reference count, the 0 x 0
// bitmap of an unknown resource, and the opaque copy with a source offset.
#include "GuiTestSupport.h"
#include "gui/Bitmap.h"

using guitest::HeadlessTest;

namespace {

constexpr int32_t stripId = 300;

// A 60 x 240 strip whose pixel tells its own row and column.
void addStrip() {
    std::vector<uint32_t> pixels(60 * 240);
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 60; ++x)
            pixels[static_cast<size_t>(y) * 60 + x] = static_cast<uint32_t>(y * 256 + x + 1);
    headless::addBitmapResource(stripId, 60, 240, pixels);
}

class BitmapTest : public HeadlessTest {
protected:
    void TearDown() override {
        EXPECT_EQ(raster::liveObjects().images, 0);
        HeadlessTest::TearDown();
    }
};

}  // namespace

TEST_F(BitmapTest, FreedByTheLastRelease) {
    addStrip();
    Bitmap* bitmap = new Bitmap(stripId);
    EXPECT_EQ(bitmap->getWidth(), 60);
    EXPECT_EQ(bitmap->getHeight(), 240);
    EXPECT_EQ(bitmap->getReferenceCount(), 1);
    bitmap->retain();
    bitmap->retain();
    bitmap->release();
    bitmap->release();
    EXPECT_EQ(bitmap->getReferenceCount(), 1);
    EXPECT_EQ(raster::liveObjects().images, 1);
    bitmap->release();  // the third release frees it
    EXPECT_EQ(raster::liveObjects().images, 0);
}

TEST_F(BitmapTest, LoadsFromThisModuleByTheLowSixteenBits) {
    addStrip();
    Bitmap* bitmap = new Bitmap(0x10000 + stripId);
    EXPECT_EQ(bitmap->getWidth(), 60);
    EXPECT_EQ(bitmap->getResourceId(), 0x10000 + stripId);
    ASSERT_EQ(headless::resourceLoads().size(), 1u);
    EXPECT_EQ(headless::resourceLoads()[0].module, moduleInstance);
    EXPECT_EQ(headless::resourceLoads()[0].resourceId, stripId);
    bitmap->release();
}

TEST_F(BitmapTest, UnknownResourceIsEmptyAndDrawsNothing) {
    Bitmap* bitmap = new Bitmap(4321);
    EXPECT_EQ(bitmap->getWidth(), 0);
    EXPECT_EQ(bitmap->getHeight(), 0);
    platform::SurfaceHandle surface = platform::windowSurface(host);
    {
        DrawContext context(surface, host);
        bitmap->draw(&context, Rect(0, 0, 640, 480), Point(0, 0));
    }
    platform::releaseWindowSurface(host, surface);
    for (int32_t y = 0; y < 480; y += 7)
        for (int32_t x = 0; x < 640; x += 7)
            ASSERT_EQ(headless::windowPixel(host, x, y), headless::buttonFacePixel);
    bitmap->retain();
    bitmap->release();
    bitmap->release();
}

TEST_F(BitmapTest, CopiesTheBlockAtTheSourceOffset) {
    addStrip();
    Bitmap* bitmap = new Bitmap(stripId);
    platform::SurfaceHandle surface = platform::windowSurface(host);
    {
        DrawContext context(surface, host);
        bitmap->draw(&context, Rect(50, 120, 110, 180), Point(0, 180));
        EXPECT_EQ(raster::liveObjects().surfaces, 1);  // its memory surface is gone again
    }
    platform::releaseWindowSurface(host, surface);
    // Rows 180 to 239 land on the 60 x 60 square at (50, 120), unchanged.
    EXPECT_EQ(headless::windowPixel(host, 50, 120), 180u * 256 + 1);
    EXPECT_EQ(headless::windowPixel(host, 109, 179), 239u * 256 + 60);
    EXPECT_EQ(headless::windowPixel(host, 80, 150), 210u * 256 + 31);
    EXPECT_EQ(headless::windowPixel(host, 110, 150), headless::buttonFacePixel);
    EXPECT_EQ(headless::windowPixel(host, 80, 180), headless::buttonFacePixel);
    EXPECT_EQ(headless::windowPixel(host, 49, 119), headless::buttonFacePixel);
    bitmap->release();
}

#if GUI_TESTS_HAVE_ARTWORK
TEST_F(BitmapTest, TheModulesArtworkHasItsLayoutSizes) {
    const struct {
        int32_t id, width, height;
    } expected[] = {{200, 60, 3660}, {201, 80, 50}, {202, 400, 200}};
    for (const auto& e : expected) {
        Bitmap* bitmap = new Bitmap(e.id);
        EXPECT_EQ(bitmap->getWidth(), e.width) << e.id;
        EXPECT_EQ(bitmap->getHeight(), e.height) << e.id;
        bitmap->release();
    }
}
#endif
