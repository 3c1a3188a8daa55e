// Turning the panel's knobs with the scripted mouse: circular and linear
// movement in both knob modes, the Alt swap, Control-click, and what reaches
// the host on the way.
#include <cmath>

#include "gui/controls/Knob.h"
#include "tests/editor/PanelFixture.h"

namespace paneltest {
namespace {

constexpr double pi = 3.14159265358979323846;

// On the Random knob (centre 320, 150): 12 o'clock, 3 o'clock, through the
// dead sector from right to left, 9 o'clock, then about 1 o'clock, held
// only briefly before the release.
std::vector<Pose> circularSweep(int32_t modifiers) {
    const int32_t held = buttonLeft | modifiers;
    return {{320, 125, held}, {345, 150, held}, {330, 178, held}, {310, 178, held},
            {295, 150, held}, {332, 128, held, 10}, {332, 128, modifiers}};
}

// The value at about 1 o'clock: (332, 128) is 12 right of and 22 above the centre.
const float oneOClock = static_cast<float>((5 * pi / 4 - std::atan2(22.0, 12.0)) / (3 * pi / 2));

void expectCircularSweep(PluginInstance& fx) {
    const std::vector<float> values = automatedValues(fx, 3);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_NEAR(values[0], 0.5f, 1e-5);       // jumps to where it was clicked
    EXPECT_NEAR(values[1], 5.0f / 6, 1e-5);
    EXPECT_EQ(values[2], 1.0f);               // and stays there across the dead sector and 9 o'clock
    EXPECT_NEAR(values[3], oneOClock, 1e-5);  // seen only by the pass after the release
    EXPECT_NEAR(fx.getParameter(3), oneOClock, 1e-5);
}

// On the Length knob (starting at 0.5), pressed at its centre (160, 150):
// right, up, beyond the range and back, Shift on and off, then down to the bottom.
std::vector<Pose> linearDrag(int32_t modifiers) {
    const int32_t held = buttonLeft | modifiers;
    const int32_t fine = held | modifierShift;
    return {{160, 150, held}, {200, 150, held}, {210, 100, held}, {260, 100, held},
            {230, 100, held}, {190, 100, held}, {190, 100, fine},  {190, 130, fine},
            {190, 130, held}, {170, 150, held}, {100, 150, held},  {100, 150, modifiers}};
}

void expectLinearDrag(PluginInstance& fx) {
    const std::vector<float> values = automatedValues(fx, 1);
    // 40 px at 1/200: 0.7; 100 px: 1.0; 150 and 120 px stay at 1.0 (the
    // distance from the first point counts, not the steps); 80 px: 0.9; with
    // Shift 30 px back at 1/300: 0.8; after Shift 40 px back at 1/100: 0.4;
    // then clamped at 0.
    const std::vector<float> expected = {0.7f, 1.0f, 0.9f, 0.8f, 0.4f, 0.0f};
    ASSERT_EQ(values.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++)
        EXPECT_NEAR(values[i], expected[i], 1e-5) << "report " << i;
    EXPECT_EQ(fx.getParameter(1), 0.0f);
}

void expectGestureBracketed(PluginInstance& fx, int32_t index) {
    const std::vector<HostCall> calls = callsOf(fx, {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit});
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls.front().index, index);
    EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(calls.back().index, index);
    for (size_t i = 1; i + 1 < calls.size(); i++) {
        EXPECT_EQ(calls[i].opcode, audioMasterAutomate) << "call " << i;
        EXPECT_EQ(calls[i].index, index) << "call " << i;
    }
    // The host got its idle time while the knob was held.
    EXPECT_GE(fx.host().count(audioMasterIdle), 1u);
}

using PanelKnobs = PanelTest;

TEST_F(PanelKnobs, CircularDragFollowsTheAngleAndSticksAtTheBoundAcrossTheDeadSector) {
    gesture(circularSweep(0));
    expectCircularSweep(fx);
    expectGestureBracketed(fx, 3);

    // The knob was drawn as it moved, and its display follows the value.
    EXPECT_EQ(shownFrame(panel, 3), static_cast<int32_t>(oneOClock * 60));
    char display[24] = {};
    engine->getParameterDisplay(3, display);
    EXPECT_EQ(labelText(editor->getValueLabel(3)).substr(0, 4), std::string(display, 4));
}

TEST_F(PanelKnobs, LinearDragFollowsTheDistanceWithTheStepChangingOnEveryButtonChange) {
    ASSERT_EQ(fx.dispatch(effSetEditKnobMode, 0, linearKnobMode), 1);
    gesture(linearDrag(0));
    expectLinearDrag(fx);
    expectGestureBracketed(fx, 1);
    EXPECT_EQ(shownFrame(panel, 1), 0);
    EXPECT_EQ(labelText(editor->getValueLabel(1)), "2.26 ms");  // 100 samples at 44.1 kHz
}

TEST_F(PanelKnobs, AltSwapsTheMovementInEitherMode) {
    gesture(linearDrag(modifierAlt));
    expectLinearDrag(fx);

    fx.host().clear();
    fx.dispatch(effSetEditKnobMode, 0, linearKnobMode);
    gesture(circularSweep(modifierAlt));
    expectCircularSweep(fx);
}

TEST_F(PanelKnobs, KnobModeIsSharedByEveryInstanceInTheProcess) {
    PluginInstance other;
    ASSERT_TRUE(createInstrument(other));
    const platform::WindowHandle otherHost = headless::createHostWindow(800, 200, 400, 200);
    ASSERT_EQ(other.dispatch(effEditOpen, 0, 0, otherHost), 1);
    const platform::WindowHandle otherPanel = editorOf(other)->getFrame()->getSystemWindow();
    headless::paintAll();
    other.dispatch(effEditIdle);

    // Set through this instance, used by the other.
    ASSERT_EQ(fx.dispatch(effSetEditKnobMode, 0, linearKnobMode), 1);
    other.host().clear();
    perform(otherPanel, linearDrag(0));
    expectLinearDrag(other);

    // Any mode other than linear means circular again, for this instance too.
    ASSERT_EQ(other.dispatch(effSetEditKnobMode, 0, 1), 1);
    gesture(circularSweep(0));
    expectCircularSweep(fx);

    other.dispatch(effEditClose);
    other.close();
}

TEST_F(PanelKnobs, ControlClickRestoresTheDefaultWithoutAGesture) {
    fx.setParameter(0, 0.2f);
    idle();
    fx.host().clear();

    const Point speed = knobCentre(0);
    gesture({{speed.h, speed.v, buttonLeft | modifierControl}, {speed.h, speed.v, 0}});
    EXPECT_EQ(fx.getParameter(0), 0.5f);
    std::vector<HostCall> calls = callsOf(fx, {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].opt, 0.5f);
    EXPECT_EQ(shownFrame(panel, 0), 30);
    EXPECT_EQ(labelText(editor->getValueLabel(0)), "1.000");

    // Already at the default: nothing to tell anyone.
    fx.host().clear();
    gesture({{speed.h, speed.v, buttonLeft | modifierControl}, {speed.h, speed.v, 0}});
    EXPECT_TRUE(callsOf(fx, {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}).empty());

    // With Shift as well it is an ordinary (fine) drag.
    fx.host().clear();
    gesture({{speed.h, speed.v, buttonLeft | modifierControl | modifierShift}, {speed.h, speed.v, 0}});
    calls = callsOf(fx, {audioMasterBeginEdit, audioMasterEndEdit});
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterEndEdit);
}

}  // namespace
}  // namespace paneltest
