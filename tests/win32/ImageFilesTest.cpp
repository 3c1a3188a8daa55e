#include "tools/wintesthost/ImageFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
uint32_t u32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<unsigned char>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

}  // namespace

TEST(ImageFiles, FloatWavHoldsTheSamplesBitForBitInterleaved) {
  std::string path = tempPath("wintesthost.wav");
  std::vector<float> left = {0.5f, -1.0f, 1e-30f}, right = {0.25f, 2.0f, -0.0f};
  ASSERT_TRUE(writeFloatWav(path, left, right, 44100));
  auto b = readFile(path);
  ASSERT_EQ(b.size(), 12 + 26 + 12 + 8 + 24u);
  EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
  EXPECT_EQ(u32(b, 4), b.size() - 8);
  EXPECT_EQ(u16(b, 20), 3);  // IEEE float
  EXPECT_EQ(u16(b, 22), 2);
  EXPECT_EQ(u32(b, 24), 44100u);
  EXPECT_EQ(u32(b, 28), 44100u * 8);
  EXPECT_EQ(u16(b, 32), 8);
  EXPECT_EQ(u16(b, 34), 32);
  EXPECT_EQ(u32(b, 46), 3u);  // fact: frames
  ASSERT_EQ(std::memcmp(b.data() + 50, "data", 4), 0);
  EXPECT_EQ(u32(b, 54), 24u);
  float got[6];
  std::memcpy(got, b.data() + 58, sizeof got);
  float want[6] = {0.5f, 0.25f, -1.0f, 2.0f, 1e-30f, -0.0f};
  EXPECT_EQ(std::memcmp(got, want, sizeof got), 0);
  EXPECT_FALSE(writeFloatWav(path, {1.0f}, {}, 44100));
  std::remove(path.c_str());
}

TEST(ImageFiles, BmpIsBottomUpWithPaddedRows) {
  std::string path = tempPath("wintesthost.bmp");
  // 3 x 2: rows of 9 bytes padded to 12.
  std::vector<uint32_t> px = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
  ASSERT_TRUE(writeBmp24(path, 3, 2, px));
  auto b = readFile(path);
  ASSERT_EQ(b.size(), 54 + 24u);
  EXPECT_EQ(u32(b, 10), 54u);
  EXPECT_EQ(u32(b, 18), 3u);
  EXPECT_EQ(u32(b, 22), 2u);
  EXPECT_EQ(u16(b, 28), 24);
  // First stored row is the bottom one, in blue, green, red order.
  EXPECT_EQ(std::vector<int>(b.begin() + 54, b.begin() + 66),
            (std::vector<int>{0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0}));
  EXPECT_EQ(std::vector<int>(b.begin() + 66, b.begin() + 69), (std::vector<int>{0x33, 0x22, 0x11}));
  EXPECT_FALSE(writeBmp24(path, 3, 3, px));
  std::remove(path.c_str());
}
