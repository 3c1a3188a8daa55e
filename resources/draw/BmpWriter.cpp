#include "resources/draw/BmpWriter.h"

#include <algorithm>

namespace {

constexpr int kMaxRun = 255;
constexpr int kMinLiteral = 3;  // shorter literal runs do not exist in the format

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

int runAt(const uint8_t* row, int width, int i) {
  int n = 1;
  while (i + n < width && n < kMaxRun && row[i + n] == row[i]) ++n;
  return n;
}

}  // namespace

std::vector<uint8_t> encodeRle8Row(const uint8_t* row, int width) {
  std::vector<uint8_t> out;
  int i = 0;
  while (i < width) {
    const int run = runAt(row, width, i);
    if (run >= kMinLiteral) {
      out.push_back(uint8_t(run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    // Gather pixels until a run worth encoding on its own begins.
    int end = i;
    while (end < width && end - i < kMaxRun && runAt(row, width, end) < kMinLiteral) ++end;
    if (end - i >= kMinLiteral) {
      out.push_back(0);
      out.push_back(uint8_t(end - i));
      out.insert(out.end(), row + i, row + end);
      if ((end - i) & 1) out.push_back(0);
      i = end;
    } else {
      while (i < end) {
        const int n = std::min(runAt(row, width, i), end - i);
        out.push_back(uint8_t(n));
        out.push_back(row[i]);
        i += n;
      }
    }
  }
  return out;
}

std::vector<uint8_t> encodeRle8Bmp(const IndexedImage& image) {
  std::vector<uint8_t> bits;
  for (int y = image.height - 1; y >= 0; --y) {  // bottom row first
    const std::vector<uint8_t> row = encodeRle8Row(&image.indices[size_t(y) * size_t(image.width)], image.width);
    bits.insert(bits.end(), row.begin(), row.end());
    bits.push_back(0);
    bits.push_back(y > 0 ? 0 : 1);  // end of line, or end of bitmap after the top row
  }

  const uint32_t colours = uint32_t(image.palette.size());
  const uint32_t headerBytes = 14 + 40 + 4 * colours;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, headerBytes + uint32_t(bits.size()));
  put32(out, 0);
  put32(out, headerBytes);
  put32(out, 40);
  put32(out, uint32_t(image.width));
  put32(out, uint32_t(image.height));
  put16(out, 1);   // planes
  put16(out, 8);   // bits per pixel
  put32(out, 1);   // BI_RLE8
  put32(out, uint32_t(bits.size()));
  put32(out, 2835);  // 72 dots per inch
  put32(out, 2835);
  put32(out, colours);
  put32(out, 0);  // all colours important
  for (uint32_t c : image.palette) {
    out.push_back(uint8_t(c));
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c >> 16));
    out.push_back(0);
  }
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}
