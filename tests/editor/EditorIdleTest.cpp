// The editor's idle work: the pacing of idle while a control tracks the
// mouse (on the virtual clock), the nested-idle guard, and the platform's
// event delivery on every host idle.
#include "gui/controls/AnimKnob.h"
#include "tests/editor/PanelFixture.h"

namespace paneltest {
namespace {

using EditorIdle = PanelTest;

TEST_F(EditorIdle, TrackingIdleSleepsAndPumpsAtItsPace) {
    uint32_t sleeps = headless::sleepCalls();
    auto sleptSince = [&] {
        const uint32_t now = headless::sleepCalls();
        const uint32_t count = now - sleeps;
        sleeps = now;
        return count;
    };
    auto hostIdles = [&] {
        const size_t count = fx.host().count(audioMasterIdle);
        fx.host().clear();
        return count;
    };

    // Long after the last pump: pump at once, without sleeping.
    headless::advanceClock(1000);
    const uint32_t pumped = headless::now();
    editor->idleWhileTracking();
    EXPECT_EQ(sleptSince(), 0u);
    EXPECT_EQ(hostIdles(), 1u);
    EXPECT_EQ(headless::now(), pumped);

    // 5 ms later: sleep 10 ms, no pump.
    headless::invalidate(panel, nullptr);
    headless::setClock(pumped + 5);
    editor->idleWhileTracking();
    EXPECT_EQ(sleptSince(), 1u);
    EXPECT_EQ(headless::now(), pumped + 15);
    EXPECT_EQ(hostIdles(), 0u);
    EXPECT_TRUE(headless::paintPending(panel));

    // 60 ms after the pump: sleep, then pump (one paint, the host's idle).
    headless::setClock(pumped + 60);
    editor->idleWhileTracking();
    EXPECT_EQ(sleptSince(), 1u);
    EXPECT_EQ(hostIdles(), 1u);
    EXPECT_FALSE(headless::paintPending(panel));

    // 120 ms after that pump (which counted from 70): pump without sleeping.
    headless::setClock(pumped + 70 + 120);
    editor->idleWhileTracking();
    EXPECT_EQ(sleptSince(), 0u);
    EXPECT_EQ(hostIdles(), 1u);

    // Every pass draws what is dirty, pumping or not.
    editor->getKnob(2)->setValue(1.0f);
    headless::setClock(pumped + 190 + 5);
    editor->idleWhileTracking();
    EXPECT_EQ(hostIdles(), 0u);
    EXPECT_EQ(shownFrame(panel, 2), 60);
}

TEST_F(EditorIdle, TrackingIdlePaceSurvivesTheTickCounterWrapping) {
    headless::setClock(0xFFFFFFE0u);
    editor->idleWhileTracking();  // pumps: lastTicks is now just below the wrap
    fx.host().clear();

    // 16 ms later the counter has wrapped; it is still too early to pump.
    headless::setClock(0xFFFFFFE0u + 16u);
    const uint32_t sleeps = headless::sleepCalls();
    editor->idleWhileTracking();
    EXPECT_EQ(headless::sleepCalls(), sleeps + 1);
    EXPECT_EQ(fx.host().count(audioMasterIdle), 0u);

    headless::setClock(0xFFFFFFE0u + 60u);  // 0x1C
    editor->idleWhileTracking();
    EXPECT_EQ(fx.host().count(audioMasterIdle), 1u);
    EXPECT_EQ(headless::sleepCalls(), sleeps + 2);
}

TEST_F(EditorIdle, HostIdleDeliversPlatformEventsButNotFromInsideATrackingLoop) {
    const uint32_t pumps = headless::eventPumps();
    idle();
    EXPECT_EQ(headless::eventPumps(), pumps + 1);

    // The host runs its own idle work when asked to during a drag, and
    // calls the editor's idle from there: that nested call must do nothing.
    int nestedCalls = 0;
    uint32_t nestedPumps = 0;
    bool drewInside = false;
    fx.host().setHandler(audioMasterIdle, [&](const HostCall&) -> VstIntPtr {
        ++nestedCalls;
        const uint32_t before = headless::eventPumps();
        editor->getKnob(2)->setValue(editor->getKnob(2)->getValue() == 1.0f ? 0.0f : 1.0f);
        const int32_t frameBefore = shownFrame(panel, 2);
        fx.dispatch(effEditIdle);
        drewInside = drewInside || shownFrame(panel, 2) != frameBefore;
        nestedPumps += headless::eventPumps() - before;
        return 0;
    });
    const Point random = knobCentre(3);
    gesture({{random.h, random.v - 25, buttonLeft, 200}, {random.h, random.v - 25, 0}});
    EXPECT_GE(nestedCalls, 2);
    EXPECT_EQ(nestedPumps, 0u);
    EXPECT_FALSE(drewInside);
}

}  // namespace
}  // namespace paneltest
