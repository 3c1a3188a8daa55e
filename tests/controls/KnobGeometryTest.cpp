// Angle geometry of the rotary knob and the film frame it shows.
#include <gtest/gtest.h>

#include <cmath>

#include "gui/controls/AnimKnob.h"
#include "gui/controls/KickButton.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// A point on a circle of the given radius around the centre of a 60 x 60
// knob, at an angle counter-clockwise from 3 o'clock, relative to the
// knob's top-left corner.
Point pointAt(double angle, double distance = 25.0) {
    return Point(static_cast<int32_t>(std::lround(30.0 + distance * std::cos(angle))),
                 static_cast<int32_t>(std::lround(30.0 - distance * std::sin(angle))));
}

AnimKnob makeKnob() {
    return AnimKnob(Rect(50, 120, 110, 180), nullptr, 0, 61, 60, nullptr);
}

TEST(KnobGeometry, DefaultsTurnClockwiseThroughThreeQuartersWithDeadSectorAtTheBottom) {
    AnimKnob knob = makeKnob();
    EXPECT_EQ(knob.getStartAngle(), 3.9269907f);
    EXPECT_EQ(knob.getRangeAngle(), -4.7123890f);
    EXPECT_NEAR(knob.getHalfAngle(), pi / 4, 1e-6);
    EXPECT_NEAR(knob.getValuePerRadian(), -2.0 / (3.0 * pi), 1e-6);

    EXPECT_NEAR(knob.valueFromPoint(Point(30, 0)), 0.5f, 1e-6);        // 12 o'clock
    EXPECT_NEAR(knob.valueFromPoint(Point(0, 30)), 1.0f / 6, 1e-6);    // 9 o'clock
    EXPECT_NEAR(knob.valueFromPoint(Point(60, 30)), 5.0f / 6, 1e-6);   // 3 o'clock
    EXPECT_NEAR(knob.valueFromPoint(Point(30, 60)), 0.0f, 0.0);        // straight below

    // The dead sector gives the bound at the nearer end of the travel.
    EXPECT_EQ(knob.valueFromPoint(Point(40, 60)), 1.0f);
    EXPECT_EQ(knob.valueFromPoint(Point(45, 60)), 1.0f);
    EXPECT_EQ(knob.valueFromPoint(Point(20, 60)), 0.0f);
    EXPECT_EQ(knob.valueFromPoint(Point(15, 60)), 0.0f);
}

TEST(KnobGeometry, ValueFollowsTheAngleAllAroundTheTravelInBothDirections) {
    AnimKnob clockwise = makeKnob();
    AnimKnob counterClockwise = makeKnob();
    counterClockwise.setStartAngle(static_cast<float>(7 * pi / 4));  // lower right
    counterClockwise.setRangeAngle(static_cast<float>(3 * pi / 2));
    EXPECT_NEAR(counterClockwise.getValuePerRadian(), 2.0 / (3.0 * pi), 1e-6);

    // Sample the live travel: from 7:30 over the top to 4:30. Points are
    // rounded to pixels, so compare with the angle of the rounded point.
    for (int step = 1; step < 100; step++) {
        const double wanted = 5 * pi / 4 - (3 * pi / 2) * step / 100.0;
        const Point p = pointAt(wanted, 400.0);
        const double actual = std::atan2(30.0 - p.v, p.h - 30.0);
        const double fromStart = std::fmod(5 * pi / 4 - actual + 4 * pi, 2 * pi);
        const double expected = fromStart / (3 * pi / 2);
        EXPECT_NEAR(clockwise.valueFromPoint(p), expected, 1e-5) << "step " << step;
        // The mirror image knob starts at the other end.
        EXPECT_NEAR(counterClockwise.valueFromPoint(p), 1.0 - expected, 1e-5) << "step " << step;
    }

    EXPECT_NEAR(counterClockwise.valueFromPoint(Point(30, 0)), 0.5f, 1e-6);
    EXPECT_NEAR(counterClockwise.valueFromPoint(Point(60, 30)), 1.0f / 6, 1e-6);
    EXPECT_NEAR(counterClockwise.valueFromPoint(Point(0, 30)), 5.0f / 6, 1e-6);
    EXPECT_EQ(counterClockwise.valueFromPoint(Point(40, 60)), 0.0f);
    EXPECT_EQ(counterClockwise.valueFromPoint(Point(20, 60)), 1.0f);
}

TEST(AnimKnobFrames, ValuePicksTheFilmFrame) {
    AnimKnob knob = makeKnob();
    const struct {
        float value;
        int32_t offset;
    } cases[] = {
        {0.0f, 0},       {-0.5f, 0},         {0.5f, 1800},  {1.0f, 3600},
        {0.01f, 0},      {1.0f / 60, 60},    {0.999f, 3540}, {59.5f / 60, 3540},
        {2.0f, 3600},    {1e30f, 3600},      {NAN, 0},
    };
    for (const auto& c : cases) {
        knob.setValue(c.value);
        EXPECT_EQ(knob.frameOffset(), c.offset) << "value " << c.value;
    }
}

TEST(ControlDirtyRules, OldValueDecidesWhetherAControlNeedsDrawing) {
    AnimKnob knob = makeKnob();
    EXPECT_TRUE(knob.isDirty());  // a new control draws at the first idle

    knob.setValue(0.25f);
    knob.setDirty(false);
    EXPECT_FALSE(knob.isDirty());
    EXPECT_EQ(knob.getOldValue(), 0.25f);
    knob.setValue(0.25f);
    EXPECT_FALSE(knob.isDirty());
    knob.setValue(0.3f);
    EXPECT_TRUE(knob.isDirty());

    knob.setDirty(false);
    knob.setDirty(true);
    EXPECT_TRUE(knob.isDirty());
    EXPECT_EQ(knob.getOldValue(), -1.0f);

    // A value of -1 needs another marker to count as changed.
    knob.setValue(-1.0f);
    knob.setDirty(true);
    EXPECT_EQ(knob.getOldValue(), 0.0f);
    EXPECT_TRUE(knob.isDirty());
}

TEST(KickButtonDraw, StoredValueIsClampedAndPicksTheState) {
    KickButton button(Rect(10, 60, 90, 85), nullptr, 20, 25, nullptr, Point(0, 0));
    button.setValue(2.0f);
    button.draw(nullptr);
    EXPECT_EQ(button.getValue(), 1.0f);
    EXPECT_FALSE(button.isDirty());
    button.setValue(-3.0f);
    button.draw(nullptr);
    EXPECT_EQ(button.getValue(), 0.0f);
}

}  // namespace
