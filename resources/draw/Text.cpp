#include "resources/draw/Text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

struct Fonts::State {
  FT_Library library = nullptr;
  FT_Face faces[2] = {nullptr, nullptr};

  FT_Face face(const TextStyle& style) {
    FT_Face f = faces[style.weight == FontWeight::Bold ? 1 : 0];
    FT_Set_Pixel_Sizes(f, 0, FT_UInt(style.pixelSize));
    return f;
  }
};

namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_LIGHT;

// The file of "Liberation Sans" in the given style, or empty.
std::string findFace(const char* style) {
  std::string path;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Liberation Sans"));
  FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* family = nullptr;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        std::string(reinterpret_cast<char*>(family)) == "Liberation Sans" &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
      path = reinterpret_cast<char*>(file);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return path;
}

}  // namespace

Fonts::Fonts() : state(std::make_unique<State>()) {}

Fonts::~Fonts() {
  for (FT_Face f : state->faces)
    if (f) FT_Done_Face(f);
  if (state->library) FT_Done_FreeType(state->library);
}

bool Fonts::open(std::string& error) {
  if (FT_Init_FreeType(&state->library) != 0) {
    error = "cannot start FreeType";
    return false;
  }
  const char* styles[2] = {"Regular", "Bold"};
  std::string paths[2];
  if (FcInit()) {
    for (int i = 0; i < 2; ++i) paths[i] = findFace(styles[i]);
    FcFini();
  }
  for (int i = 0; i < 2; ++i) {
    if (paths[i].empty() || FT_New_Face(state->library, paths[i].c_str(), 0, &state->faces[i]) != 0) {
      error = std::string("cannot find the font Liberation Sans ") + styles[i] + " (package fonts-liberation)";
      return false;
    }
  }
  return true;
}

int Fonts::measure(const TextStyle& style, const std::string& text) {
  FT_Face f = state->face(style);
  long width = 0;
  for (unsigned char ch : text) {
    if (FT_Load_Char(f, ch, kLoadFlags) != 0) continue;
    width += f->glyph->advance.x;
  }
  const float spacing = style.letterSpacing * float(text.size() > 1 ? text.size() - 1 : 0);
  return int(std::lround(float(width) / 64 + spacing));
}

int Fonts::capHeight(const TextStyle& style) {
  FT_Face f = state->face(style);
  if (FT_Load_Char(f, 'H', kLoadFlags) != 0) return style.pixelSize * 7 / 10;
  return f->glyph->metrics.horiBearingY / 64;
}

void Fonts::draw(Image& image, const TextStyle& style, const std::string& text, int x, int baseline) {
  FT_Face f = state->face(style);
  float pen = float(x);
  for (unsigned char ch : text) {
    if (FT_Load_Char(f, ch, kLoadFlags | FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = f->glyph;
    const FT_Bitmap& b = g->bitmap;
    const int left = int(std::lround(pen)) + g->bitmap_left;
    const int top = baseline - g->bitmap_top;
    for (unsigned row = 0; row < b.rows; ++row)
      for (unsigned col = 0; col < b.width; ++col) {
        const float cover = b.buffer[row * unsigned(b.pitch) + col] / 255.0f;
        image.blend(left + int(col), top + int(row), style.color, cover * style.opacity);
      }
    pen += float(g->advance.x) / 64 + style.letterSpacing;
  }
}

void Fonts::drawCentred(Image& image, const TextStyle& style, const std::string& text, float centreX,
                        float middleY) {
  const int x = int(std::lround(centreX - float(measure(style, text)) / 2));
  const int baseline = int(std::lround(middleY + float(capHeight(style)) / 2));
  draw(image, style, text, x, baseline);
}
