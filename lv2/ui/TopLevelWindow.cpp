#include "lv2/ui/TopLevelWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

bool TopLevelWindow::create(int32_t width, int32_t height, const char* title)
{
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr)
        return false;
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, unsigned(width), unsigned(height), 0,
                                  BlackPixel(display_, screen), BlackPixel(display_, screen));
    XStoreName(display_, window_, title);
    // A fixed size: the panel does not stretch.
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display_, window_, hints);
        XFree(hints);
    }
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    Atom protocols[] = {Atom(deleteWindow_)};
    XSetWMProtocols(display_, window_, protocols, 1);
    XFlush(display_);
    return true;
}

TopLevelWindow::~TopLevelWindow()
{
    if (display_ == nullptr)
        return;
    if (window_ != 0)
        XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void TopLevelWindow::show()
{
    closing_ = false;
    XMapRaised(display_, window_);
    XFlush(display_);
}

void TopLevelWindow::hide()
{
    XUnmapWindow(display_, window_);
    XFlush(display_);
}

bool TopLevelWindow::closeRequested()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == deleteWindow_)
            closing_ = true;
    }
    return closing_;
}
