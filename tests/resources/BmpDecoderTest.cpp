#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/bitmapdecode/BmpDecoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t A = 0x101010, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;

struct Header {
  int32_t width = 8;
  int32_t height = 3;  // negative: top row stored first
  uint16_t planes = 1;
  uint16_t bitCount = 8;
  uint32_t compression = 1;
  int64_t sizeImage = -1;  // -1: the length of the bits
  int64_t offBits = -1;    // -1: right after the palette
  uint32_t headerSize = 40;
  std::vector<uint32_t> palette = {A, R, G, B};
  int64_t colorsUsed = -1;  // -1: the palette's length
  bool fileHeader = true;
};

void put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

Bytes makeBmp(const Header& h, const Bytes& bits) {
  Bytes info;
  put32(info, h.headerSize);
  put32(info, uint32_t(h.width));
  put32(info, uint32_t(h.height));
  put16(info, h.planes);
  put16(info, h.bitCount);
  put32(info, h.compression);
  put32(info, h.sizeImage < 0 ? uint32_t(bits.size()) : uint32_t(h.sizeImage));
  put32(info, 2835);
  put32(info, 2835);
  put32(info, h.colorsUsed < 0 ? uint32_t(h.palette.size()) : uint32_t(h.colorsUsed));
  put32(info, 0);
  while (info.size() < h.headerSize && info.size() < 124) info.push_back(0);
  for (uint32_t c : h.palette) put32(info, c);

  Bytes out;
  if (h.fileHeader) {
    const uint32_t offset = h.offBits < 0 ? uint32_t(14 + info.size()) : uint32_t(h.offBits);
    out.push_back('B');
    out.push_back('M');
    put32(out, uint32_t(14 + info.size() + bits.size()));
    put32(out, 0);
    put32(out, offset);
  }
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

bool decode(const Bytes& file, DecodedImage& out) { return decodeBmp(file.data(), file.size(), out); }

// The image rows, top first, for readable comparisons.
std::vector<std::vector<uint32_t>> rows(const DecodedImage& image) {
  std::vector<std::vector<uint32_t>> out;
  for (int y = 0; y < image.height; ++y)
    out.emplace_back(image.pixels.begin() + y * image.width, image.pixels.begin() + (y + 1) * image.width);
  return out;
}

}  // namespace

TEST(Rle8Decoding, HandlesEveryEscapeBottomUp) {
  const Bytes bits = {
      // First stored row = bottom image row.
      3, 1,                // run of three
      0, 3, 2, 3, 2, 0,    // literal of three, padded to even length
      2, 3,                // run of two: row full
      0, 0,                // end of line
      0, 4, 3, 1, 3, 1,    // literal of four, no padding
      0, 2, 1, 1,          // move right 1 and up a row: x = 5 on the top row
      0, 3, 1, 2, 3, 0,    // literal to the row's end
      0, 1,                // end of bitmap
  };
  DecodedImage image;
  ASSERT_TRUE(decode(makeBmp({}, bits), image));
  EXPECT_EQ(image.width, 8);
  EXPECT_EQ(image.height, 3);
  // Pixels the data skips keep palette entry 0.
  const std::vector<std::vector<uint32_t>> expected = {
      {A, A, A, A, A, R, G, B},
      {B, R, B, R, A, A, A, A},
      {R, R, R, G, B, G, B, B},
  };
  EXPECT_EQ(rows(image), expected);

  // The same data without the file header, as a resource section keeps it.
  Header packedDib;
  packedDib.fileHeader = false;
  DecodedImage packedImage;
  ASSERT_TRUE(decode(makeBmp(packedDib, bits), packedImage));
  EXPECT_EQ(packedImage.pixels, image.pixels);
}

TEST(Rle8Decoding, TopDownAndLooseEnds) {
  Header h;
  h.width = 3;
  h.height = -2;
  DecodedImage image;
  ASSERT_TRUE(decode(makeBmp(h, {3, 1, 0, 0, 1, 2, 0, 1}), image));
  EXPECT_EQ(rows(image), (std::vector<std::vector<uint32_t>>{{R, R, R}, {G, A, A}}));

  // An end of line after the last row, then the end mark, is how many
  // encoders finish; a size field of 0 means "the rest of the file".
  h.height = 1;
  h.sizeImage = 0;
  ASSERT_TRUE(decode(makeBmp(h, {3, 2, 0, 0, 0, 1}), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{G, G, G}));
}

TEST(Rle8Decoding, RejectsMalformedStreams) {
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"run past the row end", {9, 1, 0, 1}},
      {"run after the row is full", {8, 1, 1, 1, 0, 1}},
      {"literal past the row end", {6, 1, 0, 3, 1, 2, 3, 0, 0, 1}},
      {"no end of bitmap", {8, 1}},
      {"nothing at all", {}},
      {"lone byte", {1}},
      {"literal cut short", {0, 5, 1, 2}},
      {"literal without its padding byte", {0, 3, 1, 2, 3}},
      {"move without its offsets", {0, 2, 1}},
      {"move past the right edge", {0, 2, 9, 0, 0, 1}},
      {"move below the last row", {0, 2, 0, 4, 0, 1}},
      {"lines past the last row", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"pixel past the last row", {0, 0, 0, 0, 0, 0, 1, 1, 0, 1}},
      {"pixel after a move to the last row's end", {0, 2, 0, 3, 1, 1, 0, 1}},
      {"run index outside the palette", {1, 4, 0, 1}},
      {"literal index outside the palette", {0, 3, 1, 200, 1, 0, 0, 1}},
  };
  for (const auto& [name, bits] : cases) {
    SCOPED_TRACE(name);
    DecodedImage image;
    EXPECT_FALSE(decode(makeBmp({}, bits), image));
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.pixels.empty());
  }
}

TEST(BmpHeaders, RejectsMalformedHeaders) {
  const Bytes bits = {8, 1, 0, 0, 8, 2, 0, 0, 8, 3, 0, 1};
  DecodedImage image;
  ASSERT_TRUE(decode(makeBmp({}, bits), image));

  auto with = [](auto change) {
    Header h;
    change(h);
    return h;
  };
  const std::vector<std::pair<const char*, Header>> cases = {
      {"no planes", with([](Header& h) { h.planes = 0; })},
      {"4 bits", with([](Header& h) { h.bitCount = 4; })},
      {"32 bits", with([](Header& h) { h.bitCount = 32; h.compression = 0; })},
      {"24-bit compressed", with([](Header& h) { h.bitCount = 24; })},
      {"4-bit compression", with([](Header& h) { h.compression = 2; })},
      {"bit fields", with([](Header& h) { h.compression = 3; })},
      {"zero width", with([](Header& h) { h.width = 0; })},
      {"negative width", with([](Header& h) { h.width = -8; })},
      {"zero height", with([](Header& h) { h.height = 0; })},
      {"most negative height", with([](Header& h) { h.height = INT32_MIN; })},
      {"absurd width", with([](Header& h) { h.width = 1 << 20; })},
      {"absurd area", with([](Header& h) { h.width = 20000; h.height = 20000; })},
      {"more than 256 colours", with([](Header& h) { h.colorsUsed = 300; })},
      {"palette past the end", with([](Header& h) { h.colorsUsed = 200; })},
      {"bits past the end", with([](Header& h) { h.offBits = 4000; })},
      {"size field past the end", with([](Header& h) { h.sizeImage = 100; })},
      {"core header", with([](Header& h) { h.headerSize = 12; })},
      {"header past the end", with([](Header& h) { h.headerSize = 4000; })},
      {"packed with a bad header size", with([](Header& h) { h.fileHeader = false; h.headerSize = 39; })},
  };
  for (const auto& [name, header] : cases) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(decode(makeBmp(header, bits), image));
    EXPECT_TRUE(image.pixels.empty());
  }
  EXPECT_FALSE(decodeBmp(nullptr, 100, image));
  const Bytes shortFile = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(decode(shortFile, image));
}

TEST(BmpUncompressed, Decodes8And24BitRowsWithPadding) {
  Header h;
  h.width = 3;
  h.height = 2;
  h.compression = 0;
  // Rows of 3 indices padded to 4 bytes, bottom row first.
  DecodedImage image;
  ASSERT_TRUE(decode(makeBmp(h, {1, 2, 3, 0xEE, 3, 0, 1, 0xEE}), image));
  EXPECT_EQ(rows(image), (std::vector<std::vector<uint32_t>>{{B, A, R}, {R, G, B}}));
  EXPECT_FALSE(decode(makeBmp(h, {1, 2, 3, 0xEE, 3, 0, 1}), image)) << "last row cut short";
  EXPECT_FALSE(decode(makeBmp(h, {1, 2, 3, 0xEE, 3, 9, 1, 0xEE}), image)) << "index outside the palette";

  // 24 bits, blue green red, rows of 6 bytes padded to 8, top row first.
  Header t;
  t.width = 2;
  t.height = -2;
  t.bitCount = 24;
  t.compression = 0;
  t.palette = {};
  const Bytes bits = {0x01, 0x02, 0x03, 0xFF, 0x00, 0x00, 0xEE, 0xEE,
                      0x00, 0xFF, 0x00, 0x10, 0x20, 0x30, 0xEE, 0xEE};
  ASSERT_TRUE(decode(makeBmp(t, bits), image));
  EXPECT_EQ(rows(image), (std::vector<std::vector<uint32_t>>{{0x030201, B}, {G, 0x302010}}));
  EXPECT_FALSE(decode(makeBmp(t, Bytes(bits.begin(), bits.end() - 1)), image));
}

// Every cut-off and every damaged byte of a valid file must fail cleanly or
// decode within bounds; the sanitizer builds catch any stray access.
TEST(BmpHostileInput, SurvivesTruncationAndDamage) {
  const Bytes bits = {3, 1, 0, 3, 2, 3, 2, 0, 2, 3, 0, 0, 0, 4, 3, 1, 3, 1,
                      0, 2, 1, 1, 0, 3, 1, 2, 3, 0, 0, 1};
  const Bytes file = makeBmp({}, bits);
  DecodedImage image;
  for (size_t length = 0; length < file.size(); ++length) {
    const Bytes cut(file.begin(), file.begin() + long(length));
    EXPECT_FALSE(decode(cut, image)) << "cut at " << length;
  }
  for (size_t i = 0; i < file.size(); ++i)
    for (uint8_t value : {0x00, 0x01, 0x02, 0x03, 0x7F, 0x80, 0xFF}) {
      Bytes damaged = file;
      damaged[i] = value;
      if (decode(damaged, image)) {
        EXPECT_EQ(image.pixels.size(), size_t(image.width) * size_t(image.height));
      } else {
        EXPECT_TRUE(image.pixels.empty());
      }
    }
}
