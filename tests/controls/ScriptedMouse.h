#pragma once
// Plays a mouse gesture on the headless backend: a list of poses (client
// position plus button and modifier bits), each held for a while on the
// virtual clock, which the tracking loops advance as they sleep.

#include <cstdint>
#include <vector>

#include "gui/DrawContext.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"

struct Pose {
    int32_t x = 0;
    int32_t y = 0;
    int32_t buttons = buttonLeft;  // getMouseButtons bits
    uint32_t hold = 30;            // milliseconds until the next pose
};

inline headless::InputState inputFor(platform::WindowHandle window, const Pose& pose) {
    platform::Bounds origin;
    platform::windowScreenRect(window, origin);
    headless::InputState state;
    state.leftButton = pose.buttons & buttonLeft;
    state.middleButton = pose.buttons & buttonMiddle;
    state.rightButton = pose.buttons & buttonRight;
    state.shift = pose.buttons & modifierShift;
    state.control = pose.buttons & modifierControl;
    state.alt = pose.buttons & modifierAlt;
    state.cursorX = origin.left + pose.x;
    state.cursorY = origin.top + pose.y;
    return state;
}

// The first pose starts now and its position is where the button goes down;
// the button-down message is sent once everything is scheduled, and returns
// when the control's tracking loop has ended. Everything is released after
// the last pose, so no loop can run for ever.
inline void perform(platform::WindowHandle window, std::vector<Pose> poses) {
    if (poses.back().buttons != 0)
        poses.push_back(Pose{poses.back().x, poses.back().y, 0});
    uint32_t at = headless::now();
    headless::clearInputScript();
    headless::setInput(inputFor(window, poses.front()));
    for (size_t i = 1; i < poses.size(); i++) {
        at += poses[i - 1].hold;
        headless::scheduleInput(at, inputFor(window, poses[i]));
    }
    headless::sendButtonDown(window, headless::Button::left, poses.front().x, poses.front().y);
}
