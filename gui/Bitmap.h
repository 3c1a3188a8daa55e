// An image from the module's bitmap resources, shared by reference counting:
// created with one reference, each further holder retains it, every holder
// releases it once, and the last release frees it.
#pragma once

#include <cstdint>

#include "gui/Geometry.h"
#include "platform/Platform.h"

class DrawContext;

class Bitmap {
public:
    // The resource id's low 16 bits select the resource. A resource that
    // cannot be loaded gives a 0 x 0 bitmap that draws nothing.
    explicit Bitmap(int32_t resourceId);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain();
    // At a count of 0 or below nothing happens.
    void release();

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    int32_t getResourceId() const { return resourceId; }
    int32_t getReferenceCount() const { return referenceCount; }

    // Opaque copy of the destination's size from the image at offset to the
    // destination's top-left corner.
    void draw(DrawContext* context, const Rect& destination, const Point& offset);

private:
    ~Bitmap();  // through release only

    int32_t resourceId;
    int32_t referenceCount = 1;
    int32_t width = 0;
    int32_t height = 0;
    platform::ImageHandle image = nullptr;
};
