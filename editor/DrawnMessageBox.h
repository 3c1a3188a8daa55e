#pragma once
// A message box the panel draws itself, for when the platform has no way to
// show one: a caption, the message wrapped over a few lines, and an OK
// button. A click on it closes it.

#include <string>
#include <vector>

#include "gui/View.h"

class Frame;

class DrawnMessageBox : public View {
public:
    DrawnMessageBox(const Rect& size, const char* caption, const char* message);

    void draw(DrawContext* context) override;
    // Takes itself off the frame, redraws what it covered and deletes itself.
    void mouse(DrawContext* context, Point& where) override;

    const std::string& getCaption() const { return caption; }
    const std::vector<std::string>& getLines() const { return lines; }

    // Puts a box over the middle of the frame's panel; the frame owns it.
    static DrawnMessageBox* show(Frame* frame, const char* caption, const char* message);

private:
    std::string caption;
    std::vector<std::string> lines;
};

// The message in lines of at most width characters, broken between words.
std::vector<std::string> wrapWords(const std::string& text, size_t width);
