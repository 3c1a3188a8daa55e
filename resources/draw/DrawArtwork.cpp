// Draws the panel artwork and writes it as the module's three bitmap files:
//   parvolino-draw-artwork OUTPUT_DIR [--preview PNG_DIR]
// The output depends only on this program and the Liberation Sans faces, so
// running it again must reproduce the committed files byte for byte.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>

#include "resources/draw/Artwork.h"
#include "resources/draw/BmpWriter.h"
#include "resources/draw/Palette.h"
#include "resources/draw/PanelLayout.h"
#include "resources/draw/PanelPreview.h"
#include "resources/draw/PngPreview.h"

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(file);
}

// Largest channel difference the palette introduced, for the log.
int worstError(const Image& image, const std::vector<uint32_t>& reduced) {
  int worst = 0;
  for (size_t i = 0; i < reduced.size(); ++i) {
    const uint32_t a = packed(image.pixels[i]), b = reduced[i];
    for (int shift = 0; shift <= 16; shift += 8)
      worst = std::max(worst, std::abs(int(a >> shift & 255) - int(b >> shift & 255)));
  }
  return worst;
}

struct Output {
  const char* name;
  Image image;
  std::vector<uint32_t> keep;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--preview")) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR [--preview PNG_DIR]\n", argv[0]);
    return 2;
  }
  const std::string outDir = argv[1];
  const std::string previewDir = argc == 4 ? argv[3] : "";

  Fonts fonts;
  std::string error;
  if (!fonts.open(error)) {
    std::fprintf(stderr, "parvolino-draw-artwork: %s\n", error.c_str());
    return 1;
  }

  const uint32_t grey = packed(panel::kPanelGrey), cyan = packed(panel::kCyan);
  Output outputs[] = {
      {"knob", drawKnobStrip(), {grey, cyan}},
      {"button", drawButton(fonts), {grey}},
      {"background", drawBackground(fonts), {grey}},
  };
  std::vector<uint32_t> decoded[3];
  for (int i = 0; i < 3; ++i) {
    Output& o = outputs[i];
    const IndexedImage indexed = quantise(o.image, o.keep);
    const std::vector<uint8_t> file = encodeRle8Bmp(indexed);
    const std::string path = outDir + "/" + o.name + ".bmp";
    if (!writeFile(path, file)) {
      std::fprintf(stderr, "parvolino-draw-artwork: cannot write %s\n", path.c_str());
      return 1;
    }
    decoded[i] = expand(indexed);
    std::printf("%s: %d x %d, %zu colours, %zu bytes, largest palette error %d\n", path.c_str(), indexed.width,
                indexed.height, indexed.palette.size(), file.size(), worstError(o.image, decoded[i]));
    if (!previewDir.empty()) {
      writePng(previewDir + "/" + o.name + ".png", indexed.width, indexed.height, decoded[i]);
      writePng(previewDir + "/" + o.name + "-x4.png", indexed.width, std::min(indexed.height, 400), decoded[i], 4);
    }
  }
  if (!previewDir.empty()) {
    const Image panelPicture = drawPanelPreview(fonts, decoded[0], decoded[1], decoded[2]);
    std::vector<uint32_t> pixels;
    for (const Rgb& p : panelPicture.pixels) pixels.push_back(packed(p));
    writePng(previewDir + "/panel.png", panelPicture.width, panelPicture.height, pixels);
    writePng(previewDir + "/panel-x3.png", panelPicture.width, panelPicture.height, pixels, 3);
    // Every tenth knob frame side by side.
    const int size = panel::kKnobSize, shown = 7;
    std::vector<uint32_t> row(size_t(size * shown * size));
    for (int f = 0; f < shown; ++f)
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          row[size_t(y * size * shown + f * size + x)] = decoded[0][size_t((f * 10 * size + y) * size + x)];
    writePng(previewDir + "/knob-frames-x4.png", size * shown, size, row, 4);
  }
  return 0;
}
