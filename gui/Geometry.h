// Rectangles and points in window pixels: origin at the top-left corner,
// h growing to the right and v downward.
#pragma once

#include <cstdint>

struct Point {
    int32_t h = 0;
    int32_t v = 0;

    Point() = default;
    Point(int32_t h, int32_t v) : h(h), v(v) {}
    bool operator==(const Point& other) const = default;
};

// Built from its four edges. Operations say which reading they use:
// containment (edges inclusive), outline (edges inclusive) or area (right
// and bottom exclusive).
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    Rect() = default;
    Rect(int32_t left, int32_t top, int32_t right, int32_t bottom)
        : left(left), top(top), right(right), bottom(bottom) {}
    bool operator==(const Rect& other) const = default;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    // Hit-testing: all four edges belong to the rectangle.
    bool contains(const Point& p) const { return left <= p.h && p.h <= right && top <= p.v && p.v <= bottom; }
};
