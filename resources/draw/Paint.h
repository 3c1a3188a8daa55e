#pragma once

#include <functional>

#include "resources/draw/Image.h"

// Shapes are described by signed distance fields: the distance in pixels from
// a point to the shape's edge, negative inside. Coverage follows from the
// distance at each pixel centre, which gives smooth one-pixel edges.
using Field = std::function<float(float x, float y)>;
// Colour of a shape's surface at a point.
using Shader = std::function<Rgb(float x, float y)>;

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
};

namespace field {
Field circle(float cx, float cy, float radius);
// A line from (x0, y0) to (x1, y1) with round ends.
Field segment(float x0, float y0, float x1, float y1, float halfWidth);
// An arc of the circle around (cx, cy), starting at `startDeg` (counter-clockwise
// from the positive x axis, y pointing up) and running `sweepDeg` clockwise,
// with round ends.
Field arc(float cx, float cy, float radius, float startDeg, float sweepDeg, float halfWidth);
Field roundedRect(float left, float top, float right, float bottom, float radius);
// The outline of a shape: a band of the given half width around its edge.
Field outline(Field shape, float halfWidth);
Field inset(Field shape, float amount);
Field shifted(Field shape, float dx, float dy);
}  // namespace field

Shader flat(Rgb c);
// A vertical gradient from `top` at y0 to `bottom` at y1.
Shader vertical(Rgb top, Rgb bottom, float y0, float y1);

// Paints `shader` through the shape within `box`. A softness above 1 widens the
// edge into a blur (for shadows and glows).
void paint(Image& image, Box box, const Field& shape, const Shader& shader, float opacity = 1,
           float softness = 1);
