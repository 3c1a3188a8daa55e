// The view that owns the plug-in's child window and every other view. It
// turns the window's paint and button messages into calls on its views,
// redraws dirty views when the editor idles, and passes begin-edit and
// end-edit notifications of controls on to the editor.
//
// Views are kept in order of addition: the first added is drawn first, the
// last added is offered clicks first.
#pragma once

#include <cstdint>

#include "gui/View.h"
#include "platform/Platform.h"

class FrameEditor;
class Bitmap;
class DropHandler;

class Frame : public View {
public:
    // With a parent window the frame makes its child window inside it; with
    // null it has no window (views can still be added and drawn by hand).
    Frame(const Rect& size, platform::WindowHandle parentWindow, FrameEditor* editor);
    ~Frame() override;

    // Full draw: the background, then every view, each view's dirty flag left as it was.
    void draw(DrawContext* context) override;
    // Offers the click to the topmost mouse-enabled view containing it (edges inclusive).
    void mouse(DrawContext* context, Point& where) override;
    // Draws the dirty views, in order.
    void update(DrawContext* context) override;
    // Offers the names to the mouse-enabled views containing the point,
    // topmost first, until one takes them, then to the drop handler.
    bool onDrop(const char* const* names, int32_t count, int32_t type, Point& where) override;

    // Appends the view, which then belongs to the frame; false if the list
    // cannot grow (or the view is null or already in the list).
    virtual bool addView(View* view);
    // Takes the view out without deleting it; true whether or not it was there.
    virtual bool removeView(View* view);
    // Deletes every view.
    virtual bool removeAll();
    virtual bool isChild(View* view) const;

    // Holds one reference to the background.
    void setBackground(Bitmap* bitmap);
    Bitmap* getBackground() const { return background; }
    // Draws now: the view alone if it is one of ours, otherwise everything.
    void redraw(View* view = nullptr);
    // Draws the dirty views once the window has had its first paint; with
    // none dirty it does not touch the window at all.
    void idle();
    // The cursor relative to the window's top-left corner.
    void getCurrentLocation(Point& where);
    // Tell the editor (and through it the host) that the parameter's gesture
    // starts or ends.
    void beginEdit(int32_t index);
    void endEdit(int32_t index);

    FrameEditor* getEditor() const { return editor; }
    // Owner for the file dialog and message boxes.
    platform::WindowHandle getSystemWindow() const { return window; }
    platform::WindowHandle getParentWindow() const { return parentWindow; }

    int32_t getViewCount() const { return viewCount; }
    int32_t getCapacity() const { return capacity; }
    View* getView(int32_t index) const;
    bool isOpen() const { return open; }
    bool isFirstPaintPending() const { return firstPaintPending; }
    bool isDropActive() const { return dropActive; }
    // Registers a new drop target for the window (true) or revokes the
    // window's registration (false); false when the frame has no window.
    bool setDropActive(bool active);
    // Not owned; null (the default) takes no files.
    void setDropHandler(DropHandler* handler) { dropHandler = handler; }
    // Whether a drop of these names would be taken, for the drag cursor.
    bool acceptsDrop(const char* const* names, int32_t count) const;

protected:
    FrameEditor* editor;
    platform::WindowHandle parentWindow;
    Bitmap* background = nullptr;
    int32_t viewCount = 0;
    int32_t capacity = 0;
    View** views = nullptr;
    bool firstPaintPending = true;
    bool open = true;
    bool dropActive = false;
    DropHandler* dropHandler = nullptr;
    platform::WindowHandle window = nullptr;

private:
    friend intptr_t PARVOLINO_WINDOW_CALLBACK windowProcedure(platform::WindowHandle, uint32_t, uintptr_t, intptr_t);

    bool classRegistered = false;
};
