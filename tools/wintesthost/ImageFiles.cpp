#include "tools/wintesthost/ImageFiles.h"

#include <cstdio>
#include <cstring>

namespace {

void put16(std::vector<unsigned char>& b, uint32_t v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char>& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
void putTag(std::vector<unsigned char>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

bool writeAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

bool writeFloatWav(const std::string& path, const std::vector<float>& left,
                   const std::vector<float>& right, uint32_t rate) {
  if (left.size() != right.size()) return false;
  const uint64_t dataBytes = static_cast<uint64_t>(left.size()) * 8;
  if (dataBytes > 0xFFFFFFFFull - 64) return false;
  std::vector<unsigned char> b;
  b.reserve(static_cast<size_t>(dataBytes) + 64);
  putTag(b, "RIFF");
  put32(b, static_cast<uint32_t>(4 + 8 + 18 + 8 + 4 + 8 + dataBytes));
  putTag(b, "WAVE");
  putTag(b, "fmt ");
  put32(b, 18);
  put16(b, 3);  // IEEE float
  put16(b, 2);
  put32(b, rate);
  put32(b, rate * 8);
  put16(b, 8);
  put16(b, 32);
  put16(b, 0);  // no extension bytes
  putTag(b, "fact");
  put32(b, 4);
  put32(b, static_cast<uint32_t>(left.size()));
  putTag(b, "data");
  put32(b, static_cast<uint32_t>(dataBytes));
  for (size_t i = 0; i < left.size(); ++i) {
    uint32_t l, r;
    std::memcpy(&l, &left[i], 4);
    std::memcpy(&r, &right[i], 4);
    put32(b, l);
    put32(b, r);
  }
  return writeAll(path, b);
}

bool writeBmp24(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) return false;
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageBytes = stride * static_cast<uint32_t>(height);
  std::vector<unsigned char> b;
  b.reserve(54 + imageBytes);
  b.push_back('B');
  b.push_back('M');
  put32(b, 54 + imageBytes);
  put32(b, 0);
  put32(b, 54);
  put32(b, 40);  // BITMAPINFOHEADER
  put32(b, static_cast<uint32_t>(width));
  put32(b, static_cast<uint32_t>(height));  // positive: bottom-up
  put16(b, 1);
  put16(b, 24);
  put32(b, 0);  // BI_RGB
  put32(b, imageBytes);
  put32(b, 2835);
  put32(b, 2835);
  put32(b, 0);
  put32(b, 0);
  for (int y = height - 1; y >= 0; --y) {
    size_t rowStart = b.size();
    for (int x = 0; x < width; ++x) {
      uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      b.push_back(static_cast<unsigned char>(p));        // blue
      b.push_back(static_cast<unsigned char>(p >> 8));   // green
      b.push_back(static_cast<unsigned char>(p >> 16));  // red
    }
    while (b.size() - rowStart < stride) b.push_back(0);
  }
  return writeAll(path, b);
}
