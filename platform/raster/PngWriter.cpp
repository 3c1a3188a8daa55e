#include "platform/raster/PngWriter.h"

#include <cstdio>
#include <vector>

#if PARVOLINO_RASTER_PNG
#include <png.h>
#endif

namespace raster {

#if PARVOLINO_RASTER_PNG

namespace {

// libpng reports errors by longjmp; the state it may skip is kept here so
// nothing leaks when it does.
struct PngFile {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngFile() {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file)
            std::fclose(file);
    }
};

bool writeRows(PngFile& out, const PixelImage& image, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(out.png)))
        return false;
    png_init_io(out.png, out.file);
    png_set_IHDR(out.png, out.info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(out.png, out.info);
    png_write_image(out.png, rows.data());
    png_write_end(out.png, nullptr);
    return true;
}

}  // namespace

bool writePng(const PixelImage& image, const char* path) {
    if (image.width <= 0 || image.height <= 0 || !path)
        return false;
    std::vector<unsigned char> bytes(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        bytes[i * 3] = static_cast<unsigned char>(image.pixels[i] >> 16);
        bytes[i * 3 + 1] = static_cast<unsigned char>(image.pixels[i] >> 8);
        bytes[i * 3 + 2] = static_cast<unsigned char>(image.pixels[i]);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y)
        rows[y] = &bytes[static_cast<size_t>(y) * image.width * 3];

    PngFile out;
    out.file = std::fopen(path, "wb");
    if (!out.file)
        return false;
    out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!out.png)
        return false;
    out.info = png_create_info_struct(out.png);
    if (!out.info)
        return false;
    if (!writeRows(out, image, rows))
        return false;
    return std::fflush(out.file) == 0;
}

#else

bool writePng(const PixelImage&, const char*) {
    return false;
}

#endif

}  // namespace raster
