#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bitmapdecode/BmpDecoder.h"
#include "resources/EmbeddedBitmaps.h"

namespace {

constexpr uint32_t kGrey = 0x42424A;  // the panel's flat colour (66, 66, 74)
constexpr double kPi = 3.14159265358979;

int red(uint32_t p) { return int(p >> 16 & 255); }
int green(uint32_t p) { return int(p >> 8 & 255); }
int blue(uint32_t p) { return int(p & 255); }
bool isCyan(uint32_t p) { return green(p) > red(p) + 50 && blue(p) > red(p) + 50; }
bool isWhite(uint32_t p) { return red(p) > 200 && green(p) > 200 && blue(p) > 200; }

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

DecodedImage load(int id) {
  DecodedImage image;
  const EmbeddedBitmap* bitmap = findEmbeddedBitmap(id);
  if (bitmap) decodeBmp(bitmap->bytes, bitmap->size, image);
  return image;
}

uint32_t pixel(const DecodedImage& image, int x, int y) { return image.pixels[size_t(y * image.width + x)]; }

struct Extent {
  int count = 0, left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
  double sumX = 0, sumY = 0;
  void add(int x, int y) {
    ++count;
    left = std::min(left, x), right = std::max(right, x);
    top = std::min(top, y), bottom = std::max(bottom, y);
    sumX += x + 0.5, sumY += y + 0.5;
  }
};

// Pixels of one knob film frame that pass a test.
template <typename Test>
Extent knobPixels(const DecodedImage& strip, int frame, Test test) {
  Extent e;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x)
      if (test(pixel(strip, x, frame * 60 + y))) e.add(x, y);
  return e;
}

}  // namespace

TEST(ArtworkFiles, EmbeddedBitmapsAreTheCommittedRle8Files) {
  const std::pair<int, const char*> files[] = {{200, "knob.bmp"}, {201, "button.bmp"}, {202, "background.bmp"}};
  for (const auto& [id, name] : files) {
    SCOPED_TRACE(name);
    const EmbeddedBitmap* bitmap = findEmbeddedBitmap(id);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->resourceId, id);
    const std::vector<uint8_t> committed = readFile(std::string(COMMITTED_ARTWORK_DIR) + "/" + name);
    ASSERT_EQ(std::vector<uint8_t>(bitmap->bytes, bitmap->bytes + bitmap->size), committed);
    ASSERT_GT(committed.size(), 54u);
    EXPECT_EQ(committed[28], 8) << "bits per pixel";
    EXPECT_EQ(committed[30], 1) << "run-length compressed";
    EXPECT_LE(committed[46] | committed[47] << 8, 256) << "palette entries";
    EXPECT_GT(int32_t(committed[22] | committed[23] << 8 | committed[24] << 16 | committed[25] << 24), 0)
        << "stored bottom-up, as compressed bitmaps must be";
  }
  // Only the low 16 bits of a resource number count.
  EXPECT_EQ(findEmbeddedBitmap(0x10000 + 202), findEmbeddedBitmap(202));
  EXPECT_EQ(findEmbeddedBitmap(203), nullptr);
  EXPECT_EQ(findEmbeddedBitmap(0), nullptr);
  EXPECT_EQ(findEmbeddedBitmap(-1), nullptr);
}

TEST(ArtworkFiles, SizesAndTheFlatPanelColour) {
  const DecodedImage knob = load(200), button = load(201), background = load(202);
  EXPECT_EQ(knob.width, 60);
  EXPECT_EQ(knob.height, 3660);
  EXPECT_EQ(button.width, 80);
  EXPECT_EQ(button.height, 50);
  ASSERT_EQ(background.width, 400);
  ASSERT_EQ(background.height, 200);
  // Plain spots: left of the first knob, between the knobs, between the title
  // band and the sample row, right of the last knob.
  for (auto [x, y] : {std::pair{30, 150}, {200, 150}, {120, 140}, {250, 52}, {375, 130}, {200, 196}})
    EXPECT_EQ(pixel(background, x, y), kGrey) << x << ", " << y;
}

TEST(ArtworkFiles, KnobPointerTurnsClockwiseFromLowerLeftOverTheTop) {
  const DecodedImage strip = load(200);
  ASSERT_EQ(strip.height, 61 * 60);
  int lastLit = -1;
  for (int frame = 0; frame <= 60; ++frame) {
    SCOPED_TRACE(frame);
    const Extent pointer = knobPixels(strip, frame, isWhite);
    ASSERT_GT(pointer.count, 10);
    const double dx = pointer.sumX / pointer.count - 30, dy = 30 - pointer.sumY / pointer.count;
    EXPECT_GT(std::hypot(dx, dy), 8) << "the pointer reaches out from the centre";
    const double expected = 225 - 4.5 * frame;
    double off = std::atan2(dy, dx) * 180 / kPi - expected;
    off = std::remainder(off, 360.0);
    EXPECT_LT(std::fabs(off), 3) << "pointer angle off by " << off << " degrees";
    // The lit part of the travel grows with the value.
    const int lit = knobPixels(strip, frame, isCyan).count;
    EXPECT_GT(lit, lastLit);
    lastLit = lit;
  }
  EXPECT_EQ(knobPixels(strip, 0, isCyan).count, 0) << "nothing lit at the minimum";
  // Frame 0 points to the lower left, 30 straight up, 60 to the lower right.
  const Extent low = knobPixels(strip, 0, isWhite), top = knobPixels(strip, 30, isWhite),
               high = knobPixels(strip, 60, isWhite);
  EXPECT_LT(low.right, 30);
  EXPECT_GT(low.top, 30);
  EXPECT_LT(top.bottom, 30);
  EXPECT_LE(std::abs(top.left + top.right - 59), 1);
  EXPECT_GT(high.left, 30);
  EXPECT_GT(high.top, 30);
  EXPECT_TRUE(isCyan(pixel(strip, 48, 60 * 60 + 48))) << "the end of the travel lit at the maximum";
}

// Bitmaps are copied opaquely over the background, so their edges must be
// the panel colour wherever the background shows it.
TEST(ArtworkFiles, BitmapsMeetThePanelWithoutSeams) {
  const DecodedImage knob = load(200), button = load(201), background = load(202);
  ASSERT_EQ(background.width, 400);
  for (int frame = 0; frame < 61; ++frame)
    for (int i = 0; i < 60; ++i) {
      const int y0 = frame * 60;
      ASSERT_EQ(pixel(knob, i, y0), kGrey) << "frame " << frame;
      ASSERT_EQ(pixel(knob, i, y0 + 59), kGrey) << "frame " << frame;
      ASSERT_EQ(pixel(knob, 0, y0 + i), kGrey) << "frame " << frame;
      ASSERT_EQ(pixel(knob, 59, y0 + i), kGrey) << "frame " << frame;
    }
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 60; ++i) {
      const int left = 50 + 80 * k;
      EXPECT_EQ(pixel(background, left + i, 120), kGrey);
      EXPECT_EQ(pixel(background, left + i, 179), kGrey);
      EXPECT_EQ(pixel(background, left, 120 + i), kGrey);
      EXPECT_EQ(pixel(background, left + 59, 120 + i), kGrey);
    }
  for (int state = 0; state < 2; ++state)
    for (auto [x, y] : {std::pair{0, 0}, {79, 0}, {0, 24}, {79, 24}}) {
      EXPECT_EQ(pixel(button, x, state * 25 + y), kGrey);
      EXPECT_EQ(pixel(background, 10 + x, 60 + y), kGrey);
    }
}

TEST(ArtworkFiles, ButtonShowsTwoDifferentStates) {
  const DecodedImage button = load(201);
  ASSERT_EQ(button.height, 50);
  int differing = 0, releasedText = 0, pressedText = 0;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 80; ++x) {
      const uint32_t up = pixel(button, x, y), down = pixel(button, x, y + 25);
      differing += up != down;
      releasedText += isWhite(up);
      pressedText += isCyan(down);
    }
  EXPECT_GT(differing, 80 * 25 / 2);
  EXPECT_GT(releasedText, 60) << "the released state carries its label";
  EXPECT_GT(pressedText, 60) << "the pressed state carries its label";
}

TEST(ArtworkFiles, TitleAndCaptionsWhereThePanelNeedsThem) {
  const DecodedImage background = load(202);
  ASSERT_EQ(background.width, 400);
  int titleText = 0;
  for (int y = 0; y < 45; ++y)
    for (int x = 0; x < 400; ++x) titleText += isWhite(pixel(background, x, y));
  EXPECT_GT(titleText, 150) << "the name in the title band";

  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    Extent caption;
    for (int y = 46; y < 120; ++y)
      for (int x = 40 + 80 * k; x < 120 + 80 * k; ++x)
        if (isCyan(pixel(background, x, y))) caption.add(x, y);
    ASSERT_GT(caption.count, 20);
    EXPECT_LE(std::abs(caption.left + caption.right + 1 - 2 * (80 + 80 * k)), 3) << "centred over the knob";
    EXPECT_GE(caption.top, 94);
    EXPECT_LE(caption.bottom, 112) << "clear of the knob below";
  }
}
