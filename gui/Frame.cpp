#include "gui/Frame.h"

#include <cstdlib>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/DropHandler.h"
#include "gui/WindowClass.h"
#include "gui/FrameEditor.h"
#include "platform/ModuleInstance.h"

namespace {

constexpr int32_t listGrowth = 10;

// A context on the window's own surface for the length of one call.
template <typename Work>
void withWindowContext(platform::WindowHandle window, Work work) {
    platform::SurfaceHandle surface = platform::windowSurface(window);
    if (!surface)
        return;
    {
        DrawContext context(surface, window);
        work(context);
    }
    platform::releaseWindowSurface(window, surface);
}

}  // namespace

Frame::Frame(const Rect& size, platform::WindowHandle parentWindow, FrameEditor* editor)
    : View(size), editor(editor), parentWindow(parentWindow) {
    if (!parentWindow)
        return;
    classRegistered = registerWindowClass();

    platform::WindowCreation creation;
    creation.extendedStyle = 0;
    creation.className = getWindowClassName();
    creation.title = "Window";
    creation.style = platform::windowStyleChild | platform::windowStyleVisible;
    creation.x = 0;
    creation.y = 0;
    creation.width = size.right - size.left;
    creation.height = size.bottom - size.top;
    creation.parent = parentWindow;
    creation.module = moduleInstance;
    window = platform::createWindow(creation);
    if (window) {
        platform::setWindowUserData(window, this);
        setDropActive(true);
    }
}

Frame::~Frame() {
    removeAll();
    setBackground(nullptr);
    if (window && open) {
        // No drop may reach the frame once it is gone.
        if (dropActive)
            setDropActive(false);
        // Messages that still arrive on the way out find no frame.
        platform::setWindowUserData(window, nullptr);
        platform::destroyWindow(window);
    }
    // A window the platform already destroyed is not touched again: its
    // handle may by now belong to another window.
    if (classRegistered)
        unregisterWindowClass();
}

void Frame::draw(DrawContext* context) {
    firstPaintPending = false;
    if (background)
        background->draw(context, Rect(0, 0, background->getWidth(), background->getHeight()), Point(0, 0));
    for (int32_t i = 0; i < viewCount; ++i) {
        // A change still pending stays pending for the next idle.
        const bool wasDirty = views[i]->isDirty();
        views[i]->draw(context);
        views[i]->setDirty(wasDirty);
    }
}

void Frame::mouse(DrawContext* context, Point& where) {
    for (int32_t i = viewCount - 1; i >= 0; --i) {
        View* view = views[i];
        if (!view->getMouseEnabled())
            continue;
        if (view->getSize().contains(where)) {
            view->mouse(context, where);
            return;
        }
    }
}

void Frame::update(DrawContext* context) {
    if (!open)
        return;
    for (int32_t i = 0; i < viewCount; ++i)
        views[i]->update(context);
}

bool Frame::onDrop(const char* const* names, int32_t count, int32_t type, Point& where) {
    for (int32_t i = viewCount - 1; i >= 0; --i) {
        View* view = views[i];
        if (!view->getMouseEnabled() || !view->getSize().contains(where))
            continue;
        if (view->onDrop(names, count, type, where))
            return true;
    }
    return dropHandler && dropHandler->takeDrop(names, count);
}

bool Frame::acceptsDrop(const char* const* names, int32_t count) const {
    return dropHandler && dropHandler->acceptsDrop(names, count);
}

bool Frame::addView(View* view) {
    // A view in the list twice would be deleted twice.
    if (!view || isChild(view))
        return false;
    if (viewCount == capacity) {
        const int32_t newCapacity = capacity + listGrowth;
        void* grown = std::realloc(views, sizeof(View*) * static_cast<size_t>(newCapacity));
        if (!grown)
            return false;
        views = static_cast<View**>(grown);
        capacity = newCapacity;
    }
    views[viewCount++] = view;
    view->setFrame(this);
    return true;
}

bool Frame::removeView(View* view) {
    bool met = false;
    for (int32_t i = 0; i < viewCount; ++i) {
        if (met)
            views[i - 1] = views[i];
        else if (views[i] == view)
            met = true;
    }
    if (met)
        --viewCount;
    return true;
}

bool Frame::removeAll() {
    View** list = views;
    const int32_t count = viewCount;
    views = nullptr;
    viewCount = 0;
    capacity = 0;
    for (int32_t i = 0; i < count; ++i)
        delete list[i];
    std::free(list);
    return true;
}

bool Frame::isChild(View* view) const {
    for (int32_t i = 0; i < viewCount; ++i) {
        if (views[i] == view)
            return true;
    }
    return false;
}

View* Frame::getView(int32_t index) const {
    return index >= 0 && index < viewCount ? views[index] : nullptr;
}

void Frame::setBackground(Bitmap* bitmap) {
    // Retained first, so setting the bitmap already held keeps it.
    if (bitmap)
        bitmap->retain();
    if (background)
        background->release();
    background = bitmap;
}

void Frame::redraw(View* view) {
    if (!window || !open)
        return;
    withWindowContext(window, [&](DrawContext& context) {
        if (view && isChild(view))
            view->draw(&context);
        else
            draw(&context);
    });
}

void Frame::idle() {
    if (!open || firstPaintPending || !window)
        return;
    // Hosts idle the panel dozens of times a second, mostly with nothing to
    // draw; a context costs a surface and, on some systems, a question to
    // the display server.
    bool anyDirty = false;
    for (int32_t i = 0; i < viewCount && !anyDirty; ++i)
        anyDirty = views[i]->isDirty();
    if (anyDirty)
        withWindowContext(window, [&](DrawContext& context) { update(&context); });
}

void Frame::getCurrentLocation(Point& where) {
    DrawContext context(nullptr, open ? window : nullptr);
    context.getMouseLocation(where);
}

void Frame::beginEdit(int32_t index) {
    if (editor)
        editor->beginEdit(index);
}

void Frame::endEdit(int32_t index) {
    if (editor)
        editor->endEdit(index);
}
