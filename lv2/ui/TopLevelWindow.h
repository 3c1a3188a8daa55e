#pragma once
// A window of the UI's own on the X server, for hosts that cannot embed a
// UI and ask it to show itself instead (the show interface): the panel
// opens inside it, the host shows and hides it, and the window manager's
// close button asks the host to close the UI.

#include <X11/Xlib.h>

#include <cstdint>

class TopLevelWindow {
public:
    // Unmapped; false when there is no X display.
    bool create(int32_t width, int32_t height, const char* title);
    ~TopLevelWindow();

    Window id() const { return window_; }
    void show();
    void hide();
    // True once the window manager asked to close it (since the last show).
    bool closeRequested();

private:
    Display* display_ = nullptr;
    Window window_ = 0;
    Atom deleteWindow_ = 0;
    bool closing_ = false;
};
