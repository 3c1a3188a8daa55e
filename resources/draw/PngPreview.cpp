#include "resources/draw/PngPreview.h"

#include <png.h>

#include <cstdio>

bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels, int scale) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width * scale), png_uint_32(height * scale), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(width * scale) * 3);
    for (int y = 0; y < height * scale; ++y) {
      for (int x = 0; x < width * scale; ++x) {
        const uint32_t p = pixels[size_t(y / scale) * size_t(width) + size_t(x / scale)];
        row[size_t(x) * 3] = png_byte(p >> 16);
        row[size_t(x) * 3 + 1] = png_byte(p >> 8);
        row[size_t(x) * 3 + 2] = png_byte(p);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, info ? &info : nullptr);
  std::fclose(file);
  return ok;
}
