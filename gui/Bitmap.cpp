#include "gui/Bitmap.h"

#include "gui/DrawContext.h"
#include "platform/ModuleInstance.h"

Bitmap::Bitmap(int32_t resourceId) : resourceId(resourceId) {
    image = platform::loadBitmapResource(moduleInstance, resourceId & 0xFFFF);
    int32_t w = 0;
    int32_t h = 0;
    if (image && platform::imageSize(image, w, h)) {
        width = w;
        height = h;
    }
}

Bitmap::~Bitmap() {
    if (image)
        platform::deleteImage(image);
}

void Bitmap::retain() {
    ++referenceCount;
}

void Bitmap::release() {
    if (referenceCount <= 0)
        return;
    if (--referenceCount == 0)
        delete this;
}

void Bitmap::draw(DrawContext* context, const Rect& destination, const Point& offset) {
    if (!image || !context || !context->getSurface())
        return;
    platform::SurfaceHandle target = context->getSurface();
    platform::SurfaceHandle memory = platform::createCompatibleSurface(target);
    if (!memory)
        return;
    platform::ImageHandle previous = platform::selectImage(memory, image);
    platform::copyBlock(target, destination.left, destination.top, destination.width(), destination.height(), memory,
                        offset.h, offset.v);
    if (previous)
        platform::selectImage(memory, previous);
    platform::deleteSurface(memory);
}
