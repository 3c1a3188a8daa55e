// Virtual time and live input.
#include <algorithm>

#include "platform/headless/HeadlessState.h"

namespace headless {

namespace detail {

State& state() {
    static State instance;
    return instance;
}

void applyDueInput() {
    State& s = state();
    size_t due = 0;
    // Wrap-safe: an entry is due when its tick is not after the clock.
    while (due < s.script.size() && static_cast<int32_t>(s.script[due].at - s.clock) <= 0)
        s.input = s.script[due++].state;
    s.script.erase(s.script.begin(), s.script.begin() + static_cast<std::ptrdiff_t>(due));
}

}  // namespace detail

using detail::state;

uint32_t now() { return state().clock; }

void setClock(uint32_t ticks) {
    state().clock = ticks;
    detail::applyDueInput();
}

void advanceClock(uint32_t milliseconds) { setClock(state().clock + milliseconds); }

uint32_t sleepCalls() { return state().sleepCalls; }
uint64_t sleptMilliseconds() { return state().slept; }
void setPollAdvance(uint32_t milliseconds) { state().pollAdvance = milliseconds; }

InputState input() {
    detail::applyDueInput();
    return state().input;
}

void setInput(const InputState& newState) {
    detail::applyDueInput();
    state().input = newState;
}

void scheduleInput(uint32_t atTicks, const InputState& newState) {
    auto& script = state().script;
    const uint32_t clock = state().clock;
    // Keep tick order (relative to now, so a wrap does not reorder).
    auto later = std::upper_bound(script.begin(), script.end(), atTicks, [clock](uint32_t at, const auto& entry) {
        return static_cast<int32_t>(at - clock) < static_cast<int32_t>(entry.at - clock);
    });
    script.insert(later, detail::ScriptedInput{atTicks, newState});
    detail::applyDueInput();
}

void clearInputScript() { state().script.clear(); }

uint32_t inputQueries() { return state().inputQueries; }

}  // namespace headless

namespace platform {

namespace {

const headless::InputState& liveInput() {
    auto& s = headless::detail::state();
    ++s.inputQueries;
    s.clock += s.pollAdvance;
    headless::detail::applyDueInput();
    return s.input;
}

}  // namespace

bool isKeyDown(Key key) {
    const headless::InputState& in = liveInput();
    switch (key) {
    case keyLeftButton: return in.leftButton;
    case keyRightButton: return in.rightButton;
    case keyMiddleButton: return in.middleButton;
    case keyShift: return in.shift;
    case keyControl: return in.control;
    case keyAlt: return in.alt;
    }
    return false;
}

bool cursorScreenPosition(int32_t& x, int32_t& y) {
    const headless::InputState& in = liveInput();
    x = in.cursorX;
    y = in.cursorY;
    return true;
}

uint32_t tickCount() { return headless::detail::state().clock; }

void sleepMilliseconds(uint32_t milliseconds) {
    auto& s = headless::detail::state();
    ++s.sleepCalls;
    s.slept += milliseconds;
    s.clock += milliseconds;
    headless::detail::applyDueInput();
}

void processPendingEvents() { ++headless::detail::state().eventPumps; }

}  // namespace platform
