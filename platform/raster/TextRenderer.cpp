#include "platform/raster/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/raster/Rasterizer.h"

#if PARVOLINO_RASTER_TEXT
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#endif

namespace raster {

namespace {

// 8-bit text is in the Western code page: Latin-1 with the extra
// characters at 0x80 .. 0x9F.
uint32_t codePointOf(unsigned char byte) {
    static const uint16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return high[byte - 0x80];
    return byte;
}

int32_t emPixelsFor(const platform::FontAttributes& attributes) {
    if (attributes.height < 0)
        return -attributes.height;
    if (attributes.height > 0)  // a cell height: the em is a little smaller
        return std::max(1, static_cast<int32_t>(std::lround(attributes.height * 0.875)));
    return 12;
}

}  // namespace

struct Glyph {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t rows = 0;
    int32_t advance = 0;
    std::vector<uint8_t> coverage;
};

#if PARVOLINO_RASTER_TEXT

class TextFace {
public:
    FT_Face face = nullptr;
    bool embolden = false;
    int32_t pixelSize = 0;
    TextMetrics metrics;
    std::string description;
    mutable std::map<uint32_t, Glyph> glyphs;

    const Glyph& glyph(uint32_t codePoint) const {
        auto found = glyphs.find(codePoint);
        if (found != glyphs.end())
            return found->second;
        Glyph& g = glyphs[codePoint];
        if (FT_Load_Char(face, codePoint, FT_LOAD_DEFAULT) != 0)
            return g;
        FT_GlyphSlot slot = face->glyph;
        if (embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_GlyphSlot_Embolden(slot);
        g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return g;
        const FT_Bitmap& bitmap = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int32_t>(bitmap.width);
        g.rows = static_cast<int32_t>(bitmap.rows);
        g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
        for (int32_t y = 0; y < g.rows; ++y) {
            const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            for (int32_t x = 0; x < g.width; ++x) {
                uint8_t value = 0;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    value = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    value = static_cast<uint8_t>(row[x] * 255 / std::max(1, bitmap.num_grays - 1));
                g.coverage[static_cast<size_t>(y) * g.width + x] = value;
            }
        }
        return g;
    }
};

namespace {

// Faces are kept for the life of the process: there are only a few sizes.
class FontLibrary {
public:
    // Fontconfig's shared state is the whole process's: the host's toolkit
    // goes on using it after this module is unloaded (an LV2 host unloads a
    // UI's module when the UI closes). The library keeps a configuration of
    // its own and lets go of that only, never shutting fontconfig down.
    ~FontLibrary() {
        faces.clear();
        if (library)
            FT_Done_FreeType(library);
        if (config)
            FcConfigDestroy(config);
    }

    std::shared_ptr<const TextFace> open(const platform::FontAttributes& attributes) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!library && FT_Init_FreeType(&library) != 0)
            library = nullptr;
        if (!config)
            config = FcInitLoadConfigAndFonts();

        const int32_t pixels = emPixelsFor(attributes);
        std::string file;
        int index = 0;
        bool embolden = false;
        resolve(attributes, pixels, file, index, embolden);
        const std::string key = file + '#' + std::to_string(index) + '#' + std::to_string(pixels) +
                                (embolden ? "b" : "");
        auto found = faces.find(key);
        if (found != faces.end())
            return found->second;

        auto face = std::shared_ptr<TextFace>(new TextFace, [](TextFace* f) {
            if (f->face)
                FT_Done_Face(f->face);
            delete f;
        });
        face->pixelSize = pixels;
        face->embolden = embolden;
        if (library && !file.empty() && FT_New_Face(library, file.c_str(), index, &face->face) == 0) {
            FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(pixels));
            face->description = std::string(face->face->family_name ? face->face->family_name : "") + " " +
                                (face->face->style_name ? face->face->style_name : "");
            face->metrics = metricsOf(face->face, pixels);
        } else {
            face->face = nullptr;
        }
        faces[key] = face;
        return face;
    }

private:
    static TextMetrics metricsOf(FT_Face face, int32_t pixels) {
        // The platform's cell uses the font's Windows ascent and descent.
        TextMetrics m;
        const double scale = static_cast<double>(pixels) / std::max<int>(1, face->units_per_EM);
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
            m.ascent = static_cast<int32_t>(std::ceil(os2->usWinAscent * scale - 1e-6));
            m.descent = static_cast<int32_t>(std::ceil(os2->usWinDescent * scale - 1e-6));
        } else {
            m.ascent = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
            m.descent = static_cast<int32_t>((-face->size->metrics.descender + 63) >> 6);
        }
        return m;
    }

    static const char* genericFamily(uint8_t pitchAndFamily) {
        if ((pitchAndFamily & 0x3) == 1)
            return "monospace";
        switch (pitchAndFamily & 0xF0) {
        case 0x10: return "serif";
        case 0x30: return "monospace";
        case 0x40: return "cursive";
        case 0x50: return "fantasy";
        default: return "sans-serif";
        }
    }

    void resolve(const platform::FontAttributes& attributes, int32_t pixels, std::string& file, int& index,
                 bool& embolden) {
        if (!config)
            return;
        std::string name(attributes.faceName, strnlen(attributes.faceName, sizeof attributes.faceName));
        FcPattern* pattern = FcPatternCreate();
        if (!name.empty())
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcPatternAddString(pattern, FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(genericFamily(attributes.pitchAndFamily)));
        const int weight = attributes.weight > 0 ? attributes.weight : 400;
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::min(weight, 1000)));
        FcPatternAddInteger(pattern, FC_SLANT, attributes.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* path = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
                file = reinterpret_cast<const char*>(path);
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcBool bold = FcFalse;
            if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &bold) == FcResultMatch)
                embolden = bold == FcTrue;
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }

    std::mutex mutex;
    FT_Library library = nullptr;
    FcConfig* config = nullptr;  // our own, not the process's default
    std::map<std::string, std::shared_ptr<TextFace>> faces;
};

FontLibrary& fontLibrary() {
    static FontLibrary instance;
    return instance;
}

}  // namespace

std::shared_ptr<const TextFace> openTextFace(const platform::FontAttributes& attributes) {
    return fontLibrary().open(attributes);
}

#else  // no text engine in this build

class TextFace {
public:
    int32_t pixelSize = 0;
    TextMetrics metrics;
    std::string description;
    const Glyph& glyph(uint32_t) const {
        static const Glyph empty;
        return empty;
    }
};

std::shared_ptr<const TextFace> openTextFace(const platform::FontAttributes& attributes) {
    auto face = std::make_shared<TextFace>();
    face->pixelSize = emPixelsFor(attributes);
    return face;
}

#endif

TextMetrics textMetrics(const TextFace& face) {
    return face.metrics;
}

std::string textFaceDescription(const TextFace& face) {
    return face.description;
}

int32_t textPixelSize(const TextFace& face) {
    return face.pixelSize;
}

int32_t textWidth(const TextFace& face, const char* text) {
    int32_t width = 0;
    for (const char* c = text; c && *c; ++c)
        width += face.glyph(codePointOf(static_cast<unsigned char>(*c))).advance;
    return width;
}

platform::Bounds drawTextRun(PixelImage& image, const platform::Bounds& clip, const TextFace& face,
                             const char* text, int32_t x, int32_t baseline, uint32_t pixel) {
    const platform::Bounds box = intersect(clip, imageBounds(image));
    platform::Bounds touched{};
    for (const char* c = text; c && *c; ++c) {
        const Glyph& g = face.glyph(codePointOf(static_cast<unsigned char>(*c)));
        const int32_t originX = x + g.left;
        const int32_t originY = baseline - g.top;
        const platform::Bounds glyphBox =
            intersect(box, platform::Bounds{originX, originY, originX + g.width, originY + g.rows});
        for (int32_t py = glyphBox.top; py < glyphBox.bottom; ++py) {
            for (int32_t px = glyphBox.left; px < glyphBox.right; ++px) {
                const uint8_t cover = g.coverage[static_cast<size_t>(py - originY) * g.width + (px - originX)];
                if (cover)
                    image.at(px, py) = blend(image.at(px, py), pixel, cover);
            }
        }
        touched = unite(touched, glyphBox);
        x += g.advance;
    }
    return touched;
}

}  // namespace raster
