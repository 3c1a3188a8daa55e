#pragma once

#include <memory>
#include <string>

#include "resources/draw/Image.h"

enum class FontWeight { Regular, Bold };

struct TextStyle {
  FontWeight weight = FontWeight::Regular;
  int pixelSize = 12;
  float letterSpacing = 0;  // extra pixels after each character
  Rgb color;
  float opacity = 1;
};

// Renders text in Liberation Sans. The face is looked up by name and must be
// exactly that one: a substitute would change every generated file.
class Fonts {
 public:
  Fonts();
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  // False, with a message in `error`, when FreeType or the faces cannot be opened.
  bool open(std::string& error);

  // Width in pixels of the text's advance.
  int measure(const TextStyle& style, const std::string& text);
  // Height above the baseline of a capital letter.
  int capHeight(const TextStyle& style);
  // Draws the text with its pen starting at x on the given baseline.
  void draw(Image& image, const TextStyle& style, const std::string& text, int x, int baseline);
  // Draws the text centred on `centreX`, its capitals centred on `middleY`.
  void drawCentred(Image& image, const TextStyle& style, const std::string& text, float centreX, float middleY);

 private:
  struct State;
  std::unique_ptr<State> state;
};
