// A rectangle of the frame's window that can draw itself, take a mouse click
// and be offered dropped files. The frame owns the views added to it.
#pragma once

#include <cstdint>

#include "gui/Geometry.h"

class DrawContext;
class Frame;

class View {
public:
    explicit View(const Rect& size);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual void draw(DrawContext* context);
    virtual void mouse(DrawContext* context, Point& where);
    // Draws the view if it is dirty, then marks it clean.
    virtual void update(DrawContext* context);
    // names holds count zero-terminated file names (type 0); true if taken.
    virtual bool onDrop(const char* const* names, int32_t count, int32_t type, Point& where);
    virtual bool isDirty() const;
    virtual void setDirty(bool state);
    virtual void setMouseEnabled(bool state);
    virtual bool getMouseEnabled() const;
    // Stored and returned; hit-testing uses the size instead.
    virtual void setMouseableArea(const Rect& area);
    virtual Rect& getMouseableArea(Rect& area) const;
    virtual void setFrame(Frame* newFrame);

    Frame* getFrame() const { return frame; }
    const Rect& getSize() const { return size; }

protected:
    Rect size;
    Rect mouseableArea;
    Frame* frame = nullptr;
    bool dirty = true;
    bool mouseEnabled = true;
};
