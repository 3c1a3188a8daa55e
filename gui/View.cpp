#include "gui/View.h"

View::View(const Rect& size) : size(size), mouseableArea(size) {}

View::~View() = default;

void View::draw(DrawContext*) {}

void View::mouse(DrawContext*, Point&) {}

void View::update(DrawContext* context) {
    if (isDirty()) {
        draw(context);
        setDirty(false);
    }
}

bool View::onDrop(const char* const*, int32_t, int32_t, Point&) {
    return false;
}

bool View::isDirty() const {
    return dirty;
}

void View::setDirty(bool state) {
    dirty = state;
}

void View::setMouseEnabled(bool state) {
    mouseEnabled = state;
}

bool View::getMouseEnabled() const {
    return mouseEnabled;
}

void View::setMouseableArea(const Rect& area) {
    mouseableArea = area;
}

Rect& View::getMouseableArea(Rect& area) const {
    area = mouseableArea;
    return area;
}

void View::setFrame(Frame* newFrame) {
    frame = newFrame;
}
