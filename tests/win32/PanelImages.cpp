#include "tests/win32/PanelImages.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

uint32_t le32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::vector<PanelRegion> matchedRegions() {
    std::vector<PanelRegion> r;
    for (int i = 0; i < 4; ++i)
        r.push_back({"knob " + std::to_string(i), 50 + 80 * i, 120, 109 + 80 * i, 179});
    r.push_back({"button", 10, 60, 89, 84});
    for (int i = 0; i < 4; ++i)
        r.push_back({"value label " + std::to_string(i) + " outline", 50 + 80 * i, 180, 110 + 80 * i, 192});
    r.push_back({"path label outline", 100, 60, 390, 83});
    r.push_back({"strip waveform", 10, 206, 390, 264});
    r.push_back({"strip info label outline", 10, 270, 236, 284});
    r.push_back({"keep samples box", 246, 271, 258, 283});
    return r;
}

bool inside(const PanelRegion& r, int x, int y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

// How big a picture shows the 400 pixels wide panel: 1 or 2 times, or 0.
int panelScale(const Picture& p) {
    return p.width == 400 || p.width == 800 ? p.width / 400 : 0;
}

// Both pictures show a panel of one size, each at its own scale.
bool fitTogether(const Picture& capture, const Picture& reference) {
    const int c = panelScale(capture);
    const int r = panelScale(reference);
    return c != 0 && r != 0 && capture.height * r == reference.height * c;
}

// The reference's pixel showing the panel pixel the capture shows at (x, y).
uint32_t referenceAt(const Picture& capture, const Picture& reference, int x, int y) {
    const int c = panelScale(capture);
    const int r = panelScale(reference);
    return reference.at(x / c * r, y / c * r);
}

}  // namespace

std::vector<PanelRegion> textAreas() {
    std::vector<PanelRegion> r;
    for (int i = 0; i < 4; ++i)
        r.push_back({"value text " + std::to_string(i), 51 + 80 * i, 181, 109 + 80 * i, 191});
    r.push_back({"path text", 101, 61, 389, 82});
    r.push_back({"strip info text", 11, 271, 235, 283});
    r.push_back({"keep samples title", 263, 271, 389, 283});
    return r;
}

bool readBmp(const std::string& path, Picture& out, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        error = path + ": not a BMP file";
        return false;
    }
    const uint32_t offset = le32(b, 10);
    const int32_t width = static_cast<int32_t>(le32(b, 18));
    const int32_t rawHeight = static_cast<int32_t>(le32(b, 22));
    const int bits = b[28] | b[29] << 8;
    const uint32_t compression = le32(b, 30);
    if (width <= 0 || rawHeight == 0 || (bits != 24 && bits != 32) || compression != 0) {
        error = path + ": only uncompressed 24- and 32-bit BMP files are read";
        return false;
    }
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    const size_t stride = (static_cast<size_t>(width) * (bits / 8) + 3) & ~size_t(3);
    if (offset + stride * height > b.size()) {
        error = path + ": the pixels run past the end of the file";
        return false;
    }
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        const int row = rawHeight > 0 ? height - 1 - y : y;
        const unsigned char* p = b.data() + offset + stride * row;
        for (int x = 0; x < width; ++x, p += bits / 8)
            out.pixels[static_cast<size_t>(y) * width + x] = p[2] << 16 | p[1] << 8 | p[0];
    }
    return true;
}

bool readPng(const std::string& path, Picture& out, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        error = path + ": " + image.message;
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return true;
}

bool writePng(const std::string& path, const Picture& picture) {
    std::vector<unsigned char> rgb(picture.pixels.size() * 3);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        rgb[3 * i] = static_cast<unsigned char>(picture.pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(picture.pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(picture.pixels[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

std::vector<RegionDifference> comparePanels(const Picture& capture, const Picture& reference) {
    if (!fitTogether(capture, reference))
        return {RegionDifference{"size", 1, capture.width, capture.height}};
    const int scale = panelScale(capture);
    const std::vector<PanelRegion> regions = matchedRegions();
    const std::vector<PanelRegion> text = textAreas();
    std::vector<RegionDifference> counts(regions.size() + 1);
    for (size_t i = 0; i < regions.size(); ++i)
        counts[i].region = regions[i].name;
    counts.back().region = "background";
    for (int y = 0; y < capture.height; ++y) {
        for (int x = 0; x < capture.width; ++x) {
            const int panelX = x / scale;
            const int panelY = y / scale;
            if (capture.at(x, y) == referenceAt(capture, reference, x, y))
                continue;
            bool isText = false;
            for (const PanelRegion& t : text)
                isText = isText || inside(t, panelX, panelY);
            if (isText)
                continue;
            size_t slot = regions.size();
            for (size_t i = 0; i < regions.size() && slot == regions.size(); ++i)
                if (inside(regions[i], panelX, panelY))
                    slot = i;
            if (counts[slot].differing++ == 0) {
                counts[slot].firstX = x;
                counts[slot].firstY = y;
            }
        }
    }
    std::vector<RegionDifference> result;
    for (const RegionDifference& c : counts)
        if (c.differing > 0)
            result.push_back(c);
    return result;
}

TextDifference compareTextAreas(const Picture& capture, const Picture& reference) {
    TextDifference result;
    if (!fitTogether(capture, reference))
        return result;
    const int scale = panelScale(capture);
    for (const PanelRegion& t : textAreas()) {
        for (int y = t.top * scale; y < (t.bottom + 1) * scale; ++y) {
            for (int x = t.left * scale; x < (t.right + 1) * scale; ++x, ++result.pixels)
                result.differing += capture.at(x, y) != referenceAt(capture, reference, x, y);
        }
    }
    return result;
}
