#include "platform/raster/RasterObjects.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "platform/raster/Rasterizer.h"
#include "platform/raster/TextRenderer.h"

using platform::Bounds;
using platform::ColorRef;

namespace platform {

struct PenObject {
    int32_t width = 1;
    ColorRef color = 0;
    int32_t selections = 0;
};

struct BrushObject {
    ColorRef color = 0;
    int32_t selections = 0;
};

struct FontObject {
    FontAttributes attributes;
    std::shared_ptr<const raster::TextFace> face;
    int32_t selections = 0;
};

struct ImageObject {
    raster::PixelImage image;
    int32_t selections = 0;
};

struct SurfaceObject {
    raster::PixelImage* target = nullptr;
    Bounds clip;
    bool memory = false;
    PenObject* pen = nullptr;
    BrushObject* brush = nullptr;
    FontObject* font = nullptr;
    ImageObject* image = nullptr;  // memory surfaces only
    int32_t backgroundMode = backgroundOpaque;
    ColorRef backgroundColor = colorRef(255, 255, 255);
    ColorRef textColor = 0;
    int32_t x = 0;
    int32_t y = 0;
    Bounds damage;
};

}  // namespace platform

namespace raster {

namespace {

using namespace platform;

constexpr Bounds unlimited{INT_MIN / 4, INT_MIN / 4, INT_MAX / 4, INT_MAX / 4};

// Every object made here, and the built-in ones a new surface starts with
// (a black pen, a white brush, the system font, a 1 x 1 black image).
struct Registry {
    Registry() {
        builtInImage.image.resize(1, 1, 0);
        builtInFont.attributes.height = 16;
        builtInFont.attributes.weight = 700;
        std::strcpy(builtInFont.attributes.faceName, "System");
    }
    ~Registry() { clear(); }

    void clear() {
        for (auto* s : surfaces)
            delete s;
        for (auto* p : pens)
            delete p;
        for (auto* b : brushes)
            delete b;
        for (auto* f : fonts)
            delete f;
        for (auto* i : images)
            delete i;
        surfaces.clear();
        pens.clear();
        brushes.clear();
        fonts.clear();
        images.clear();
        invalidUses = 0;
        brushFailures = 0;
    }

    PenObject builtInPen{1, colorRef(0, 0, 0), 0};
    BrushObject builtInBrush{colorRef(255, 255, 255), 0};
    FontObject builtInFont;
    ImageObject builtInImage;
    std::unordered_set<PenObject*> pens;
    std::unordered_set<BrushObject*> brushes;
    std::unordered_set<FontObject*> fonts;
    std::unordered_set<ImageObject*> images;
    std::unordered_set<SurfaceObject*> surfaces;
    int32_t invalidUses = 0;
    int32_t brushFailures = 0;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

template <typename T>
T* alive(const std::unordered_set<T*>& set, T* object, const T* builtIn) {
    if (object && (object == builtIn || set.count(object)))
        return object;
    ++registry().invalidUses;
    return nullptr;
}

PenObject* livePen(PenHandle pen) { return alive(registry().pens, pen, &registry().builtInPen); }
BrushObject* liveBrush(BrushHandle brush) { return alive(registry().brushes, brush, &registry().builtInBrush); }
FontObject* liveFont(FontHandle font) { return alive(registry().fonts, font, &registry().builtInFont); }
ImageObject* liveImage(ImageHandle image) { return alive(registry().images, image, &registry().builtInImage); }
SurfaceObject* liveSurface(SurfaceHandle surface) {
    return alive(registry().surfaces, surface, static_cast<SurfaceObject*>(nullptr));
}

SurfaceObject* newSurface(PixelImage* target, const Bounds& clip, bool memory) {
    Registry& r = registry();
    auto* s = new SurfaceObject;
    s->target = target;
    s->clip = clip;
    s->memory = memory;
    s->pen = &r.builtInPen;
    s->brush = &r.builtInBrush;
    s->font = &r.builtInFont;
    r.builtInPen.selections++;
    r.builtInBrush.selections++;
    r.builtInFont.selections++;
    if (memory) {
        s->image = &r.builtInImage;
        r.builtInImage.selections++;
        s->target = &r.builtInImage.image;
    }
    r.surfaces.insert(s);
    return s;
}

void freeSurface(SurfaceObject* s) {
    s->pen->selections--;
    s->brush->selections--;
    s->font->selections--;
    if (s->image)
        s->image->selections--;
    registry().surfaces.erase(s);
    delete s;
}

template <typename T>
T* swapSelection(T*& slot, T* object) {
    T* previous = slot;
    previous->selections--;
    object->selections++;
    slot = object;
    return previous;
}

template <typename T>
bool deleteObject(std::unordered_set<T*>& set, T* object, const T* builtIn) {
    T* live = alive(set, object, builtIn);
    if (!live)
        return false;
    if (live == builtIn)
        return true;  // built-in objects are never freed
    if (live->selections > 0)
        return false;  // still current on a surface
    set.erase(live);
    delete live;
    return true;
}

const TextFace& faceOf(FontObject* font) {
    if (!font->face)
        font->face = openTextFace(font->attributes);
    return *font->face;
}

void addDamage(SurfaceObject* s, const Bounds& touched) {
    s->damage = unite(s->damage, touched);
}

}  // namespace

platform::SurfaceHandle createTargetSurface(PixelImage* target, const Bounds& clip) {
    return newSurface(target, clip, false);
}

void destroyTargetSurface(platform::SurfaceHandle surface) {
    if (SurfaceObject* s = liveSurface(surface))
        freeSurface(s);
}

Bounds takeDamage(platform::SurfaceHandle surface) {
    SurfaceObject* s = liveSurface(surface);
    if (!s)
        return Bounds{};
    const Bounds damage = s->damage;
    s->damage = Bounds{};
    return damage;
}

platform::ImageHandle createImage(int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    auto* image = new ImageObject;
    image->image.resize(width, height, 0);
    std::copy_n(pixels.begin(), std::min(pixels.size(), image->image.pixels.size()), image->image.pixels.begin());
    registry().images.insert(image);
    return image;
}

const PixelImage* imagePixels(platform::ImageHandle image) {
    ImageObject* live = liveImage(image);
    return live ? &live->image : nullptr;
}

LiveObjects liveObjects() {
    const Registry& r = registry();
    return LiveObjects{static_cast<int32_t>(r.pens.size()), static_cast<int32_t>(r.brushes.size()),
                       static_cast<int32_t>(r.fonts.size()), static_cast<int32_t>(r.images.size()),
                       static_cast<int32_t>(r.surfaces.size())};
}

int32_t invalidHandleUses() { return registry().invalidUses; }

void failBrushCreations(int32_t count) { registry().brushFailures = count; }

bool penDetails(platform::PenHandle pen, int32_t& width, ColorRef& color) {
    PenObject* p = livePen(pen);
    if (!p)
        return false;
    width = p->width;
    color = p->color;
    return true;
}

bool brushColor(platform::BrushHandle brush, ColorRef& color) {
    BrushObject* b = liveBrush(brush);
    if (!b)
        return false;
    color = b->color;
    return true;
}

bool fontDetails(platform::FontHandle font, platform::FontAttributes& attributes) {
    FontObject* f = liveFont(font);
    if (!f)
        return false;
    attributes = f->attributes;
    return true;
}

std::string fontFaceDescription(platform::FontHandle font) {
    FontObject* f = liveFont(font);
    return f ? textFaceDescription(faceOf(f)) : std::string();
}

bool surfaceState(platform::SurfaceHandle surface, SurfaceState& state) {
    SurfaceObject* s = liveSurface(surface);
    if (!s)
        return false;
    state = SurfaceState{s->backgroundMode, s->backgroundColor, s->textColor, s->x, s->y};
    return true;
}

bool isBuiltInObject(const void* handle) {
    const Registry& r = registry();
    return handle == &r.builtInPen || handle == &r.builtInBrush || handle == &r.builtInFont ||
           handle == &r.builtInImage;
}

void resetObjects() { registry().clear(); }

}  // namespace raster

// ---------------------------------------------------------------------------
// The drawing calls of the platform interface.

namespace platform {

using namespace raster;

PenHandle currentPen(SurfaceHandle surface) {
    SurfaceObject* s = liveSurface(surface);
    return s ? s->pen : nullptr;
}

BrushHandle currentBrush(SurfaceHandle surface) {
    SurfaceObject* s = liveSurface(surface);
    return s ? s->brush : nullptr;
}

FontHandle currentFont(SurfaceHandle surface) {
    SurfaceObject* s = liveSurface(surface);
    return s ? s->font : nullptr;
}

PenHandle selectPen(SurfaceHandle surface, PenHandle pen) {
    SurfaceObject* s = liveSurface(surface);
    PenObject* p = livePen(pen);
    return s && p ? swapSelection(s->pen, p) : nullptr;
}

BrushHandle selectBrush(SurfaceHandle surface, BrushHandle brush) {
    SurfaceObject* s = liveSurface(surface);
    BrushObject* b = liveBrush(brush);
    return s && b ? swapSelection(s->brush, b) : nullptr;
}

FontHandle selectFont(SurfaceHandle surface, FontHandle font) {
    SurfaceObject* s = liveSurface(surface);
    FontObject* f = liveFont(font);
    return s && f ? swapSelection(s->font, f) : nullptr;
}

ImageHandle selectImage(SurfaceHandle memorySurface, ImageHandle image) {
    SurfaceObject* s = liveSurface(memorySurface);
    ImageObject* i = liveImage(image);
    if (!s || !i || !s->memory)
        return nullptr;
    // An image can be current on one surface at a time.
    if (i->selections > 0 && s->image != i && i != &registry().builtInImage)
        return nullptr;
    ImageObject* previous = swapSelection(s->image, i);
    s->target = &i->image;
    return previous;
}

bool deletePen(PenHandle pen) { return deleteObject(registry().pens, pen, &registry().builtInPen); }
bool deleteBrush(BrushHandle brush) { return deleteObject(registry().brushes, brush, &registry().builtInBrush); }
bool deleteFont(FontHandle font) { return deleteObject(registry().fonts, font, &registry().builtInFont); }
bool deleteImage(ImageHandle image) { return deleteObject(registry().images, image, &registry().builtInImage); }

PenHandle createSolidPen(int32_t width, ColorRef color) {
    auto* pen = new PenObject{width, color & 0xFFFFFFu, 0};
    registry().pens.insert(pen);
    return pen;
}

BrushHandle createSolidBrush(ColorRef color) {
    Registry& r = registry();
    if (r.brushFailures > 0) {
        --r.brushFailures;
        return nullptr;
    }
    auto* brush = new BrushObject{color & 0xFFFFFFu, 0};
    r.brushes.insert(brush);
    return brush;
}

FontHandle createFont(const FontAttributes& attributes) {
    auto* font = new FontObject;
    font->attributes = attributes;
    font->attributes.faceName[sizeof font->attributes.faceName - 1] = '\0';
    registry().fonts.insert(font);
    return font;
}

int32_t setBackgroundMode(SurfaceHandle surface, BackgroundMode mode) {
    SurfaceObject* s = liveSurface(surface);
    if (!s || (mode != backgroundTransparent && mode != backgroundOpaque))
        return 0;
    const int32_t previous = s->backgroundMode;
    s->backgroundMode = mode;
    return previous;
}

ColorRef setBackgroundColor(SurfaceHandle surface, ColorRef color) {
    SurfaceObject* s = liveSurface(surface);
    if (!s)
        return 0xFFFFFFFFu;
    const ColorRef previous = s->backgroundColor;
    s->backgroundColor = color & 0xFFFFFFu;
    return previous;
}

ColorRef setTextColor(SurfaceHandle surface, ColorRef color) {
    SurfaceObject* s = liveSurface(surface);
    if (!s)
        return 0xFFFFFFFFu;
    const ColorRef previous = s->textColor;
    s->textColor = color & 0xFFFFFFu;
    return previous;
}

void moveTo(SurfaceHandle surface, int32_t x, int32_t y) {
    if (SurfaceObject* s = liveSurface(surface)) {
        s->x = x;
        s->y = y;
    }
}

void lineTo(SurfaceHandle surface, int32_t x, int32_t y) {
    SurfaceObject* s = liveSurface(surface);
    if (!s)
        return;
    addDamage(s, drawLine(*s->target, s->clip, s->x, s->y, x, y, s->pen->width,
                          pixelFromColorRef(s->pen->color)));
    s->x = x;
    s->y = y;
}

void fillRect(SurfaceHandle surface, const Bounds& area, BrushHandle brush) {
    SurfaceObject* s = liveSurface(surface);
    BrushObject* b = liveBrush(brush);
    if (s && b)
        addDamage(s, fillArea(*s->target, s->clip, area, pixelFromColorRef(b->color)));
}

void drawText(SurfaceHandle surface, const char* text, const Bounds& box, TextFormat format) {
    SurfaceObject* s = liveSurface(surface);
    if (!s || !text)
        return;
    const TextFace& face = faceOf(s->font);
    const TextMetrics metrics = textMetrics(face);
    const int32_t width = textWidth(face, text);
    int32_t x = box.left;
    if (format == textCenter)
        x = box.left + (box.right - box.left - width) / 2;
    else if (format == textRight)
        x = box.right - width;
    const int32_t y = box.top + (box.bottom - box.top - metrics.height()) / 2;
    const Bounds clip = intersect(box, s->clip);
    if (s->backgroundMode == backgroundOpaque)
        addDamage(s, fillArea(*s->target, clip, Bounds{x, y, x + width, y + metrics.height()},
                              pixelFromColorRef(s->backgroundColor)));
    addDamage(s, drawTextRun(*s->target, clip, face, text, x, y + metrics.ascent, pixelFromColorRef(s->textColor)));
}

SurfaceHandle createCompatibleSurface(SurfaceHandle surface) {
    if (surface && !liveSurface(surface))
        return nullptr;
    return newSurface(nullptr, unlimited, true);
}

void deleteSurface(SurfaceHandle memorySurface) {
    SurfaceObject* s = liveSurface(memorySurface);
    if (!s)
        return;
    if (!s->memory) {
        ++registry().invalidUses;  // window surfaces go back to their window
        return;
    }
    freeSurface(s);
}

void copyBlock(SurfaceHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
               SurfaceHandle source, int32_t sourceX, int32_t sourceY) {
    SurfaceObject* d = liveSurface(destination);
    SurfaceObject* s = liveSurface(source);
    if (!d || !s)
        return;
    // Only the part of the source surface that can be seen is copied.
    const Bounds visible = intersect(s->clip, imageBounds(*s->target));
    const Bounds from = intersect(Bounds{sourceX, sourceY, sourceX + width, sourceY + height}, visible);
    if (isEmpty(from))
        return;
    addDamage(d, copyPixels(*d->target, d->clip, x + (from.left - sourceX), y + (from.top - sourceY),
                            from.right - from.left, from.bottom - from.top, *s->target, from.left, from.top));
}

bool imageSize(ImageHandle image, int32_t& width, int32_t& height) {
    ImageObject* i = liveImage(image);
    if (!i)
        return false;
    width = i->image.width;
    height = i->image.height;
    return true;
}

}  // namespace platform
