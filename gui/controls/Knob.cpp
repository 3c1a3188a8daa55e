#include "gui/controls/Knob.h"

#include <cmath>

#include "gui/DrawContext.h"
#include "gui/Frame.h"

int32_t knobMode = 0;

namespace {

constexpr float twoPi = 6.2831855f;
constexpr double pi = 3.14159265358979323846;
// From the lower left (7:30) clockwise over the top to the lower right (4:30).
constexpr float defaultStartAngle = static_cast<float>(5.0 * pi / 4.0);
constexpr float defaultRangeAngle = static_cast<float>(-3.0 * pi / 2.0);

float normalised(float angle) {
    if (angle < 0.0f)
        return angle + twoPi;
    if (angle > twoPi)
        return angle - twoPi;
    return angle;
}

}  // namespace

Knob::Knob(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background)
    : Control(size, listener, tag, background),
      startAngle(defaultStartAngle),
      rangeAngle(defaultRangeAngle),
      radius(static_cast<float>(size.right - size.left) * 0.5f) {
    setStartAngle(defaultStartAngle);
    setRangeAngle(defaultRangeAngle);
}

void Knob::setStartAngle(float angle) {
    startAngle = angle;
    computeCoefficients();
}

void Knob::setRangeAngle(float angle) {
    rangeAngle = angle;
    computeCoefficients();
}

void Knob::computeCoefficients() {
    valuePerRadian = (maxValue - minValue) / rangeAngle;
    halfAngle = (twoPi - std::fabs(rangeAngle)) * 0.5f;
    setDirty(true);
}

float Knob::valueFromPoint(const Point& point) const {
    // Counter-clockwise angle with the y axis pointing up. Evaluated in double
    // and rounded once so every platform's maths library gives the same float.
    float a = static_cast<float>(std::atan2(static_cast<double>(radius - static_cast<float>(point.v)),
                                            static_cast<double>(static_cast<float>(point.h) - radius)));
    if (a < 0.0f)
        a = a + twoPi;
    a = a - startAngle;

    if (rangeAngle < 0.0f) {
        float b = a - rangeAngle;
        const float n = normalised(b);
        if (n > halfAngle - rangeAngle)
            return maxValue;
        if (n > -rangeAngle)
            return minValue;
        if (b > halfAngle - rangeAngle)
            return (b - twoPi) * valuePerRadian + maxValue;
        if (b < -halfAngle)
            b = b + twoPi;
        return b * valuePerRadian + maxValue;
    }

    const float n = normalised(a);
    if (n > rangeAngle + halfAngle)
        return minValue;
    if (n > rangeAngle)
        return maxValue;
    if (a > rangeAngle + halfAngle)
        return (a - twoPi) * valuePerRadian + minValue;
    if (a < -halfAngle)
        a = a + twoPi;
    return a * valuePerRadian + minValue;
}

void Knob::mouse(DrawContext* context, Point& where) {
    if (!getMouseEnabled())
        return;
    int32_t buttons = context->getMouseButtons();
    if (!(buttons & buttonLeft))
        return;

    // Control-click (and nothing else held) snaps back to the default.
    if (buttons == (buttonLeft | modifierControl)) {
        value = defaultValue;
        if (isDirty())
            listener->valueChanged(context, this);
        return;
    }

    const float range = maxValue - minValue;
    const float half = range * 0.5f;
    float start = value;
    int32_t lastButtons = buttons;

    // Alt swaps the movement away from the process-wide mode.
    const bool linear = (knobMode == linearKnobMode) != ((buttons & modifierAlt) != 0);
    float coef = 0.0f;
    Point first = where;
    float previous = 0.0f;
    if (linear) {
        coef = (buttons & modifierShift) ? range / 300.0f : range / 200.0f;
    } else {
        Point relative = where;
        relative.h -= size.left;
        relative.v -= size.top;
        previous = valueFromPoint(relative);
    }

    Frame* frame = getFrame();
    if (frame)
        frame->beginEdit(tag);

    do {
        buttons = context->getMouseButtons();
        if (linear) {
            // Right and up count positive; the value follows the distance from
            // the first point rather than accumulating steps.
            const int32_t d = (where.h - first.h) + (first.v - where.v);
            if (buttons != lastButtons) {
                // Any change of buttons or modifiers switches the step size,
                // keeping the value continuous at this moment.
                const float newCoef = (buttons & modifierShift) ? range / 300.0f : range / 100.0f;
                start = start + (coef - newCoef) * static_cast<float>(d);
                coef = newCoef;
                lastButtons = buttons;
            }
            value = static_cast<float>(d) * coef + start;
            if (value > maxValue)
                value = maxValue;
            else if (value < minValue)
                value = minValue;
        } else {
            where.h -= size.left;
            where.v -= size.top;
            value = valueFromPoint(where);
            // A jump of more than half the range means the pointer crossed the
            // dead sector: stay at the bound the value came from.
            if (previous - value > half)
                value = maxValue;
            else if (value - previous > half)
                value = minValue;
            else
                previous = value;
        }
        if (isDirty())
            listener->valueChanged(context, this);
        context->getMouseLocation(where);
        idleWhileTracking();
    } while (buttons & buttonLeft);

    if (frame)
        frame->endEdit(tag);
}
