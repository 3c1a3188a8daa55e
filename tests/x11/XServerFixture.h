// An X server of the test's own (Xvfb on a free display), a connection to
// it playing the host, and the helpers tests use to act as the host and as
// the user: top-level windows, reading pixels back, faked pointer and keys.
#pragma once

// gtest first: Xlib defines names (None, Bool) that gtest uses.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

class XServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A mapped top-level window of the host.
    Window hostWindow(int x, int y, int width, int height);
    // The pixel (0x00RRGGBB) the server shows at the window point.
    uint32_t pixelAt(Window window, int x, int y);
    // The user: the pointer, buttons and keys through the XTest extension.
    void movePointer(int rootX, int rootY);
    void button(unsigned int number, bool down);
    void key(const char* keysymName, bool down);
    // Calls the backend's event delivery until the condition holds (or a
    // second has passed); true when it held.
    bool pumpUntil(const std::function<bool()>& condition);

    Display* host = nullptr;

private:
    int serverPid = 0;
};

// A window class for the backend's windows whose procedure records what it
// is sent and paints the window in one colour.
struct RecordedMessage {
    platform::WindowHandle window;
    uint32_t message;
    intptr_t lParam;
};
std::vector<RecordedMessage>& recordedMessages();
// Called with every message but paint the test class's procedure receives,
// inside the procedure (as a control's mouse handling runs).
std::function<void(uint32_t)>& messageHook();
// The colour paint messages fill with (a colour reference).
void setPaintColor(platform::ColorRef color);
platform::WindowHandle createTestWindow(Window parent, int x, int y, int width, int height);
void destroyTestWindowsAndClass();
size_t countMessages(uint32_t message);
