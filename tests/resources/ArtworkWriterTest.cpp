#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/bitmapdecode/BmpDecoder.h"
#include "resources/draw/BmpWriter.h"
#include "resources/draw/Palette.h"
#include "resources/draw/PortableMath.h"

namespace {

using Bytes = std::vector<uint8_t>;

IndexedImage indexedImage(int width, int height, std::vector<uint8_t> indices) {
  IndexedImage image;
  image.width = width;
  image.height = height;
  for (uint32_t i = 0; i < 256; ++i) image.palette.push_back(i * 0x010101u ^ 0x00A05000u);
  image.indices = std::move(indices);
  return image;
}

}  // namespace

TEST(Rle8Writer, PicksRunsAndLiteralsTheFormatAllows) {
  const uint8_t a = 7, b = 8, c = 9;
  // Three alike make a run; shorter stretches join a padded literal.
  EXPECT_EQ(encodeRle8Row(std::vector<uint8_t>{a, a, a, b, c, a, c, c}.data(), 8),
            (Bytes{3, a, 0, 5, b, c, a, c, c, 0}));
  // Literals shorter than three cannot be written as such.
  EXPECT_EQ(encodeRle8Row(std::vector<uint8_t>{a, b, c, c, c}.data(), 5), (Bytes{1, a, 1, b, 3, c}));
  EXPECT_EQ(encodeRle8Row(std::vector<uint8_t>{a, a}.data(), 2), (Bytes{2, a}));
  // Runs and literals stop at 255.
  std::vector<uint8_t> same(300, c);
  EXPECT_EQ(encodeRle8Row(same.data(), 300), (Bytes{255, c, 45, c}));
  std::vector<uint8_t> ramp(260);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
  const Bytes encoded = encodeRle8Row(ramp.data(), 260);
  ASSERT_EQ(encoded.size(), (2 + 255 + 1) + (2 + 5 + 1u));
  EXPECT_EQ(encoded[0], 0);
  EXPECT_EQ(encoded[1], 255);
}

TEST(Rle8Writer, RoundTripsThroughTheReader) {
  // Rows mixing long runs, pairs and noise, on an image taller than wide.
  const int width = 37, height = 23;
  std::vector<uint8_t> indices;
  uint32_t seed = 12345;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int kind = (x / 9 + y) % 3;
      indices.push_back(kind == 0 ? uint8_t(y) : kind == 1 ? uint8_t(seed >> 24) : uint8_t(x / 2));
    }
  const IndexedImage image = indexedImage(width, height, indices);
  const Bytes file = encodeRle8Bmp(image);
  DecodedImage decoded;
  ASSERT_TRUE(decodeBmp(file.data(), file.size(), decoded));
  EXPECT_EQ(decoded.width, width);
  EXPECT_EQ(decoded.height, height);
  EXPECT_EQ(decoded.pixels, expand(image));
  // The header says run-length compressed, 8 bits, bottom-up.
  EXPECT_EQ(file[28], 8);
  EXPECT_EQ(file[30], 1);
  EXPECT_EQ(file[22] | file[23] << 8, height);
}

TEST(Quantiser, KeepsFewColoursExactlyAndReducesManyGently) {
  Image few(4, 2, Rgb{66, 66, 74});
  few.at(1, 0) = Rgb{115, 214, 214};
  few.at(3, 1) = Rgb{0, 0, 0};
  const IndexedImage fewOut = quantise(few, {});
  EXPECT_EQ(fewOut.palette.size(), 3u);
  EXPECT_EQ(fewOut.palette[0], 0x42424Au) << "the most common colour comes first";
  std::vector<uint32_t> exact;
  for (const Rgb& p : few.pixels) exact.push_back(packed(p));
  EXPECT_EQ(expand(fewOut), exact);

  // A smooth two-hue field of far more than 256 colours, with one colour
  // that must stay exact although it covers only a pixel.
  Image many(64, 64, Rgb{});
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) many.at(x, y) = Rgb{float(x * 4), float(y * 4), float(128 + (x - y))};
  many.at(10, 10) = Rgb{1, 2, 3};
  const IndexedImage manyOut = quantise(many, {0x010203});
  ASSERT_LE(manyOut.palette.size(), 256u);
  const std::vector<uint32_t> reduced = expand(manyOut);
  EXPECT_EQ(reduced[10 * 64 + 10], 0x010203u);
  int worst = 0;
  for (size_t i = 0; i < reduced.size(); ++i) {
    const uint32_t a = packed(many.pixels[i]), b = reduced[i];
    for (int shift = 0; shift <= 16; shift += 8)
      worst = std::max(worst, std::abs(int(a >> shift & 255) - int(b >> shift & 255)));
  }
  EXPECT_LE(worst, 24);
  // Same input, same output: the committed files depend on it.
  EXPECT_EQ(quantise(many, {0x010203}).indices, manyOut.indices);
}

TEST(PortableMath, AgreesWithTheMathLibraryAllRound) {
  double worst = 0;
  for (int i = -2000; i <= 2000; ++i) {
    const double a = i * 0.00731;  // about -14.6 .. 14.6 radians
    worst = std::max(worst, std::fabs(portable::sin(a) - std::sin(a)));
    worst = std::max(worst, std::fabs(portable::cos(a) - std::cos(a)));
    const double scale = 1 + std::abs(i % 7);
    const double x = std::cos(a) * scale, y = std::sin(a) * scale;
    worst = std::max(worst, std::fabs(portable::atan2(y, x) - std::atan2(y, x)));
  }
  EXPECT_LT(worst, 1e-9);
  // Axes and the quadrant edges.
  EXPECT_NEAR(portable::atan2(0, -1), portable::kPi, 1e-12);
  EXPECT_NEAR(portable::atan2(-1, 0), -portable::kPi / 2, 1e-12);
  EXPECT_NEAR(portable::atan2(1, 0), portable::kPi / 2, 1e-12);
  EXPECT_EQ(portable::atan2(0, 0), 0);
}
