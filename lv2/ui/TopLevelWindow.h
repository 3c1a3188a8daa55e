#pragma once
// A window of the UI's own on the X server, for hosts that cannot embed a
// UI and ask it to show itself instead (the show interface): the panel
// opens inside it, the host shows and hides it, and the window manager's
// close button asks the host to close the UI.

#include <cstdint>

struct _XDisplay;

class TopLevelWindow {
public:
    // Unmapped; false when there is no X display.
    bool create(int32_t width, int32_t height, const char* title);
    ~TopLevelWindow();

    // The X window's id.
    uintptr_t id() const { return window_; }
    void show();
    void hide();
    // True once the window manager asked to close it (since the last show).
    bool closeRequested();

private:
    // Xlib's types, kept out of this header: its macros clash with other code.
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long deleteWindow_ = 0;
    bool closing_ = false;
};
