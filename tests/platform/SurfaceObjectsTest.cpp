// The drawing object model: selection hands back the previous object,
// objects still current cannot be deleted, bad handles are refused and
// counted, and memory surfaces take one image at a time.
#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/RasterObjects.h"

using namespace platform;

namespace {

class SurfaceObjects : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        target.resize(20, 20, 0);
        surface = raster::createTargetSurface(&target, Bounds{0, 0, 20, 20});
    }
    void TearDown() override {
        raster::destroyTargetSurface(surface);
        headless::reset();
    }
    raster::PixelImage target;
    SurfaceHandle surface = nullptr;
};

}  // namespace

TEST_F(SurfaceObjects, SelectionAndDeletion) {
    PenHandle builtInPen = currentPen(surface);
    BrushHandle builtInBrush = currentBrush(surface);
    ASSERT_NE(builtInPen, nullptr);
    EXPECT_TRUE(raster::isBuiltInObject(builtInPen));
    EXPECT_TRUE(raster::isBuiltInObject(currentFont(surface)));

    PenHandle red = createSolidPen(1, colorRef(255, 0, 0));
    EXPECT_EQ(selectPen(surface, red), builtInPen);
    EXPECT_EQ(currentPen(surface), red);
    // Still current: deleting it fails and it stays alive.
    EXPECT_FALSE(deletePen(red));
    EXPECT_EQ(raster::liveObjects().pens, 1);
    EXPECT_EQ(selectPen(surface, builtInPen), red);
    EXPECT_TRUE(deletePen(red));
    EXPECT_EQ(raster::liveObjects().pens, 0);

    // Built-in objects survive deletion; a deleted handle is refused and counted.
    EXPECT_TRUE(deleteBrush(builtInBrush));
    EXPECT_EQ(currentBrush(surface), builtInBrush);
    EXPECT_EQ(raster::invalidHandleUses(), 0);
    EXPECT_EQ(selectPen(surface, red), nullptr);
    EXPECT_FALSE(deletePen(red));
    EXPECT_EQ(raster::invalidHandleUses(), 2);
    EXPECT_EQ(currentPen(surface), builtInPen);
}

TEST_F(SurfaceObjects, FillAndLinesUseTheirObjects) {
    BrushHandle green = createSolidBrush(colorRef(0, 255, 0));
    fillRect(surface, Bounds{2, 2, 4, 4}, green);
    EXPECT_EQ(target.at(3, 3), 0x00FF00u);
    EXPECT_EQ(target.at(4, 4), 0u);
    PenHandle blue = createSolidPen(1, colorRef(0, 0, 255));
    PenHandle old = selectPen(surface, blue);
    moveTo(surface, 0, 10);
    lineTo(surface, 5, 10);
    lineTo(surface, 5, 12);
    EXPECT_EQ(target.at(0, 10), 0x0000FFu);
    EXPECT_EQ(target.at(5, 10), 0x0000FFu);  // drawn by the second line
    EXPECT_EQ(target.at(5, 12), 0u);
    raster::SurfaceState state;
    raster::surfaceState(surface, state);
    EXPECT_EQ(state.x, 5);
    EXPECT_EQ(state.y, 12);
    const Bounds damage = raster::takeDamage(surface);
    EXPECT_EQ(damage.left, 0);
    EXPECT_EQ(damage.bottom, 12);
    EXPECT_EQ(raster::takeDamage(surface).right, 0);
    selectPen(surface, old);
    deletePen(blue);
    deleteBrush(green);
}

TEST_F(SurfaceObjects, MemorySurfacesCopyImages) {
    std::vector<uint32_t> pixels(4 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint32_t>(i + 1);
    ImageHandle image = raster::createImage(4, 4, pixels);
    int32_t w = 0;
    int32_t h = 0;
    ASSERT_TRUE(imageSize(image, w, h));
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 4);

    SurfaceHandle memory = createCompatibleSurface(surface);
    SurfaceHandle other = createCompatibleSurface(surface);
    ImageHandle previous = selectImage(memory, image);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(selectImage(other, image), nullptr);  // current on one surface only
    EXPECT_FALSE(deleteImage(image));
    copyBlock(surface, 10, 10, 3, 3, memory, 1, 1);
    EXPECT_EQ(target.at(10, 10), 6u);
    EXPECT_EQ(target.at(12, 12), 16u);
    EXPECT_EQ(target.at(13, 13), 0u);
    // Window surfaces are not deleted as memory surfaces.
    deleteSurface(surface);
    EXPECT_EQ(raster::invalidHandleUses(), 1);
    selectImage(memory, previous);
    deleteSurface(memory);
    deleteSurface(other);
    EXPECT_TRUE(deleteImage(image));
    EXPECT_EQ(raster::liveObjects().images, 0);
    EXPECT_EQ(raster::liveObjects().surfaces, 1);
}
