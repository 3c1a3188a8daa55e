#include "editor/AEffGUIEditor.h"

#include "gui/Frame.h"
#include "host/AudioEffect.h"
#include "platform/Platform.h"

int32_t AEffGUIEditor::knobMode = 0;

namespace {

// Pacing of idleWhileTracking, in milliseconds.
constexpr uint32_t pumpInterval = 100;
constexpr uint32_t earliestPump = 50;
constexpr uint32_t passSleep = 10;

}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {
    updateFlag = 0;
    systemWindow = nullptr;
    if (effect)
        effect->setEditor(this);
    lastTicks = getTicks();
}

AEffGUIEditor::~AEffGUIEditor() = default;

int32_t AEffGUIEditor::getRect(ERect** outRect) {
    // The panel keeps drawing at its own size; on a high-resolution screen
    // the platform shows it enlarged, so the host must make room for that.
    const int32_t scale = platform::windowScale(static_cast<platform::WindowHandle>(systemWindow));
    auto enlarged = [scale](int16_t from, int16_t to) {
        return static_cast<int16_t>(from + ((to - from) * scale + 99) / 100);
    };
    shownRect = rect;
    shownRect.right = enlarged(rect.left, rect.right);
    shownRect.bottom = enlarged(rect.top, rect.bottom);
    if (outRect)
        *outRect = &shownRect;
    return 1;
}

int32_t AEffGUIEditor::open(void* window) {
    postUpdate();
    systemWindow = window;
    return 0;
}

void AEffGUIEditor::close() {}

void AEffGUIEditor::idle() {
    // A control tracking the mouse does this work itself; the host may call
    // us from inside its idle request.
    if (inTrackingIdle)
        return;
    platform::processPendingEvents();
    applyDeferredUpdates();
    if (updateFlag) {
        updateFlag = 0;
        update();
    }
    if (frame)
        frame->idle();
}

int32_t AEffGUIEditor::setKnobMode(int32_t mode) {
    knobMode = mode;
    return 1;
}

void AEffGUIEditor::setParameter(int32_t, float) {
    postUpdate();
}

uint32_t AEffGUIEditor::getTicks() {
    return platform::tickCount();
}

void AEffGUIEditor::wait(uint32_t milliseconds) {
    platform::sleepMilliseconds(milliseconds);
}

void AEffGUIEditor::idleWhileTracking() {
    inTrackingIdle = true;
    uint32_t now = getTicks();
    applyDeferredUpdates();
    if (updateFlag) {
        updateFlag = 0;
        update();
    }
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
        if (effect)
            effect->masterIdle();
    }
    inTrackingIdle = false;
}
