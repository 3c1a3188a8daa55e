#pragma once
// A view that carries a value, reports changes of it to a listener and
// tracks the mouse itself once a button goes down on it.

#include <cstdint>

#include "gui/View.h"

class Bitmap;
class Control;
class DrawContext;

// Told by a control whenever the user changes its value.
class ControlListener {
public:
    virtual ~ControlListener() = default;
    virtual void valueChanged(DrawContext* context, Control* control) = 0;
};

class Control : public View {
public:
    Control(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background);
    ~Control() override;

    // Dirty while the value differs from the value last drawn.
    bool isDirty() const override;
    void setDirty(bool state) override;

    // Lets the editor repaint and the host idle while a mouse loop runs.
    virtual void idleWhileTracking();

    virtual void setValue(float newValue) { value = newValue; }
    virtual float getValue() const { return value; }
    virtual void setMin(float newMin) { minValue = newMin; }
    virtual float getMin() const { return minValue; }
    virtual void setMax(float newMax) { maxValue = newMax; }
    virtual float getMax() const { return maxValue; }
    virtual void setOldValue(float newOldValue) { oldValue = newOldValue; }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float newDefault) { defaultValue = newDefault; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setBackground(Bitmap* bitmap);
    virtual Bitmap* getBackground() const { return background; }

    int32_t getTag() const { return tag; }
    ControlListener* getListener() const { return listener; }

protected:
    // Copies the image block for this control from the background bitmap.
    void drawBackground(DrawContext* context, const Point& offset);

    ControlListener* listener;
    int32_t tag;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    float value = 0.0f;
    float minValue = 0.0f;
    float maxValue = 1.0f;
    Bitmap* background;
};
