#pragma once
// A rotary control turned by dragging, either around its centre (circular)
// or by straight movement (linear), as the process-wide knob mode says.

#include "gui/controls/Control.h"

// Knobs follow straight mouse movement in this mode, circles otherwise.
constexpr int32_t linearKnobMode = 2;
// The mode the host sets; shared by every editor of the module.
extern int32_t knobMode;

class Knob : public Control {
public:
    Knob(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background);

    void mouse(DrawContext* context, Point& where) override;

    virtual void setStartAngle(float angle);
    virtual float getStartAngle() const { return startAngle; }
    virtual void setRangeAngle(float angle);
    virtual float getRangeAngle() const { return rangeAngle; }
    // The value for a point relative to the knob's top-left corner.
    virtual float valueFromPoint(const Point& point) const;

    float getHalfAngle() const { return halfAngle; }
    float getValuePerRadian() const { return valuePerRadian; }

protected:
    void computeCoefficients();

    float startAngle;
    float rangeAngle;
    float halfAngle = 0.0f;
    float valuePerRadian = 0.0f;
    float radius;
};
