#include "editor/DrawnMessageBox.h"

#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace {

// The panel's small font takes about 5.5 pixels a character.
constexpr size_t charactersPerLine = 60;
constexpr int32_t lineHeight = 13;

const Color boxFill{24, 24, 40, 0};
const Color boxFrame{115, 214, 214, 0};
const Color boxText{255, 255, 255, 0};

}  // namespace

std::vector<std::string> wrapWords(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty())
            continue;
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

DrawnMessageBox::DrawnMessageBox(const Rect& size, const char* caption, const char* message)
    : View(size), caption(caption ? caption : ""), lines(wrapWords(message ? message : "", charactersPerLine)) {}

void DrawnMessageBox::draw(DrawContext* context) {
    context->setFillColor(boxFill);
    context->fillRect(size);
    context->setFrameColor(boxFrame);
    context->drawRect(size);
    context->setFontColor(boxText);
    context->setFont(0, 0);
    context->drawString(caption.c_str(), Rect(size.left + 8, size.top + 4, size.right - 8, size.top + 20), false,
                        alignLeft);
    context->setFont(4, 0);
    int32_t top = size.top + 24;
    for (const std::string& line : lines) {
        if (top + lineHeight > size.bottom - 26)
            break;  // what does not fit is cut, the button stays
        context->drawString(line.c_str(), Rect(size.left + 8, top, size.right - 8, top + lineHeight), false,
                            alignLeft);
        top += lineHeight;
    }
    const Rect button(size.right - 58, size.bottom - 24, size.right - 8, size.bottom - 6);
    context->drawRect(button);
    context->setFont(0, 0);
    context->drawString("OK", button, false, alignCenter);
    setDirty(false);
}

void DrawnMessageBox::mouse(DrawContext*, Point&) {
    Frame* owner = getFrame();
    if (!owner)
        return;
    owner->removeView(this);
    owner->redraw();
    // The frame no longer knows this view, and nothing touches it after the
    // frame's mouse handling returns.
    delete this;
}

DrawnMessageBox* DrawnMessageBox::show(Frame* frame, const char* caption, const char* message) {
    if (!frame)
        return nullptr;
    auto* box = new DrawnMessageBox(Rect(20, 30, 380, 170), caption, message);
    frame->addView(box);
    return box;
}
