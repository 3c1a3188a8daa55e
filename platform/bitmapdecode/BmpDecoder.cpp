#include "platform/bitmapdecode/BmpDecoder.h"

#include <utility>

namespace {

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
// Limits that keep a lying header from asking for gigabytes.
constexpr int kMaxSide = 1 << 15;
constexpr int64_t kMaxPixels = int64_t(1) << 24;

uint16_t read16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

uint32_t read32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Layout {
  int width = 0;
  int height = 0;       // always positive
  bool topDown = false;
  int bitCount = 0;
  uint32_t compression = 0;
  const unsigned char* palette = nullptr;
  size_t paletteCount = 0;
  const unsigned char* bits = nullptr;
  size_t bitsSize = 0;
};

// Row `stored` (0 = first row in the data) as an image row counted from the top.
int imageRow(const Layout& l, int stored) { return l.topDown ? stored : l.height - 1 - stored; }

uint32_t paletteColor(const Layout& l, size_t index) {
  const unsigned char* e = l.palette + 4 * index;  // blue, green, red, unused
  return uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
}

bool readLayout(const unsigned char* bytes, size_t size, Layout& l) {
  size_t info = 0;
  size_t bitsOffset = 0;
  const bool wholeFile = size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  if (wholeFile) {
    if (size < kFileHeaderSize) return false;
    info = kFileHeaderSize;
    bitsOffset = read32(bytes + 10);
  }
  if (size - info < 4) return false;
  const uint32_t headerSize = read32(bytes + info);
  // Every later header version starts with the same 40 bytes.
  if (headerSize < kInfoHeaderSize || headerSize > size - info) return false;
  const unsigned char* h = bytes + info;
  const int32_t width = int32_t(read32(h + 4));
  const int32_t height = int32_t(read32(h + 8));
  const uint16_t planes = read16(h + 12);
  l.bitCount = read16(h + 14);
  l.compression = read32(h + 16);
  const uint32_t sizeImage = read32(h + 20);
  const uint32_t colorsUsed = read32(h + 32);

  if (planes != 1) return false;
  if (width <= 0 || width > kMaxSide) return false;
  if (height == 0 || height < -kMaxSide || height > kMaxSide) return false;
  l.width = width;
  l.topDown = height < 0;
  l.height = l.topDown ? -height : height;
  if (int64_t(l.width) * l.height > kMaxPixels) return false;

  const bool indexed = l.bitCount == 8 &&
                       (l.compression == kCompressionNone || l.compression == kCompressionRle8);
  const bool trueColor = l.bitCount == 24 && l.compression == kCompressionNone;
  if (!indexed && !trueColor) return false;
  if (colorsUsed > 256) return false;

  // A true-colour image may still carry a colour table; it is skipped.
  const size_t tableCount = indexed ? (colorsUsed ? colorsUsed : 256) : colorsUsed;
  const size_t tableOffset = info + headerSize;
  if (4 * tableCount > size - tableOffset) return false;
  l.palette = bytes + tableOffset;
  l.paletteCount = indexed ? tableCount : 0;

  if (!wholeFile) bitsOffset = tableOffset + 4 * tableCount;
  if (bitsOffset > size) return false;
  l.bits = bytes + bitsOffset;
  l.bitsSize = size - bitsOffset;
  if (l.compression == kCompressionRle8 && sizeImage != 0) {
    if (sizeImage > l.bitsSize) return false;
    l.bitsSize = sizeImage;
  }
  return true;
}

bool decodeUncompressed(const Layout& l, DecodedImage& out) {
  const size_t rowBytes = (size_t(l.width) * (l.bitCount / 8) + 3) & ~size_t(3);
  if (rowBytes * size_t(l.height) > l.bitsSize) return false;
  for (int stored = 0; stored < l.height; ++stored) {
    const unsigned char* row = l.bits + rowBytes * size_t(stored);
    uint32_t* dest = &out.pixels[size_t(imageRow(l, stored)) * size_t(l.width)];
    for (int x = 0; x < l.width; ++x) {
      if (l.bitCount == 8) {
        if (row[x] >= l.paletteCount) return false;
        dest[x] = paletteColor(l, row[x]);
      } else {
        const unsigned char* p = row + 3 * size_t(x);
        dest[x] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
      }
    }
  }
  return true;
}

// Run-length-compressed 8-bit data: pairs (count, index) repeat an index;
// a zero count starts an escape: 0 end of line, 1 end of bitmap, 2 a move
// by (dx, dy), 3 or more a literal run of that many indices padded to an
// even length. Pixels the data never reaches keep palette entry 0.
bool decodeRle8(const Layout& l, DecodedImage& out) {
  const unsigned char* data = l.bits;
  const size_t n = l.bitsSize;
  size_t pos = 0;
  int x = 0;
  int y = 0;  // stored row
  auto put = [&](unsigned char index) {
    if (index >= l.paletteCount) return false;
    out.pixels[size_t(imageRow(l, y)) * size_t(l.width) + size_t(x)] = paletteColor(l, index);
    ++x;
    return true;
  };
  for (;;) {
    if (n - pos < 2) return false;  // ran out before the end-of-bitmap mark
    const unsigned count = data[pos];
    const unsigned code = data[pos + 1];
    pos += 2;
    if (count > 0) {
      if (y >= l.height || count > unsigned(l.width - x)) return false;
      for (unsigned i = 0; i < count; ++i)
        if (!put(static_cast<unsigned char>(code))) return false;
      continue;
    }
    switch (code) {
      case 0:  // end of line
        x = 0;
        if (++y > l.height) return false;
        break;
      case 1:  // end of bitmap
        return true;
      case 2: {  // move right dx, on dy rows
        if (n - pos < 2) return false;
        const unsigned dx = data[pos];
        const unsigned dy = data[pos + 1];
        pos += 2;
        if (dx > unsigned(l.width - x) || dy > unsigned(l.height - y)) return false;
        x += int(dx);
        y += int(dy);
        break;
      }
      default: {  // literal run
        if (n - pos < code) return false;
        if (y >= l.height || code > unsigned(l.width - x)) return false;
        for (unsigned i = 0; i < code; ++i)
          if (!put(data[pos + i])) return false;
        pos += code + (code & 1);
        if (pos > n) return false;  // the padding byte is missing
        break;
      }
    }
  }
}

}  // namespace

bool decodeBmp(const unsigned char* bytes, size_t size, DecodedImage& out) {
  out = DecodedImage{};
  if (bytes == nullptr) return false;
  Layout l;
  if (!readLayout(bytes, size, l)) return false;
  DecodedImage image;
  image.width = l.width;
  image.height = l.height;
  const uint32_t fill = l.paletteCount > 0 ? paletteColor(l, 0) : 0;
  image.pixels.assign(size_t(l.width) * size_t(l.height), fill);
  const bool ok = l.compression == kCompressionRle8 ? decodeRle8(l, image) : decodeUncompressed(l, image);
  if (!ok) return false;
  out = std::move(image);
  return true;
}
