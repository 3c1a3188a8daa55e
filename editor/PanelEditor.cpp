#include "editor/PanelEditor.h"

#include "gui/Frame.h"
#include "platform/Platform.h"

namespace {

// Pacing of idleWhileTracking, in milliseconds.
constexpr uint32_t pumpInterval = 100;
constexpr uint32_t earliestPump = 50;
constexpr uint32_t passSleep = 10;

}  // namespace

PanelEditor::PanelEditor(int32_t width, int32_t height) : size(0, 0, width, height) {
    lastTicks = getTicks();
}

PanelEditor::~PanelEditor() = default;

Rect PanelEditor::shownSize(void* parentWindow) const {
    // The panel keeps drawing at its own size; on a high-resolution screen
    // the platform shows it enlarged, so the host must make room for that.
    const int32_t scale = platform::windowScale(static_cast<platform::WindowHandle>(parentWindow));
    auto enlarged = [scale](int32_t from, int32_t to) { return from + ((to - from) * scale + 99) / 100; };
    return Rect(size.left, size.top, enlarged(size.left, size.right), enlarged(size.top, size.bottom));
}

int32_t PanelEditor::open(void* window) {
    systemWindow = window;
    return 0;
}

void PanelEditor::close() {}

void PanelEditor::idle() {
    // A control tracking the mouse does this work itself; the host may call
    // us from inside its idle request.
    if (inTrackingIdle)
        return;
    platform::processPendingEvents();
    applyDeferredUpdates();
    if (frame)
        frame->idle();
}

void PanelEditor::setParameter(int32_t, float) {}

uint32_t PanelEditor::getTicks() {
    return platform::tickCount();
}

void PanelEditor::wait(uint32_t milliseconds) {
    platform::sleepMilliseconds(milliseconds);
}

void PanelEditor::idleWhileTracking() {
    inTrackingIdle = true;
    uint32_t now = getTicks();
    applyDeferredUpdates();
    if (frame)
        frame->idle();

    // Elapsed times are unsigned differences, so the tick counter's wrap
    // after 49.7 days changes nothing.
    bool pump = true;
    if (now - lastTicks < pumpInterval) {
        wait(passSleep);
        now += passSleep;
        pump = now - lastTicks >= earliestPump;
    }
    if (pump) {
        platform::dispatchOnePaintMessage();
        lastTicks = now;
        hostIdle();
    }
    inTrackingIdle = false;
}
