// The module's artwork on systems without resource sections: the bitmap
// files are embedded in the module and decoded here on demand. The table of
// embedded files is linked in with the module; a program without it (most
// tests) simply has no artwork.
#include "platform/raster/RasterObjects.h"

#if PARVOLINO_RASTER_EMBEDDED
#include "platform/bitmapdecode/BmpDecoder.h"
#include "resources/EmbeddedBitmaps.h"

const EmbeddedBitmap* findEmbeddedBitmap(int resourceId) __attribute__((weak));
#endif

namespace raster {

platform::ImageHandle loadEmbeddedImage(int32_t resourceId) {
#if PARVOLINO_RASTER_EMBEDDED
    if (!findEmbeddedBitmap)
        return nullptr;
    const EmbeddedBitmap* found = findEmbeddedBitmap(resourceId);
    if (!found)
        return nullptr;
    DecodedImage decoded;
    if (!decodeBmp(found->bytes, found->size, decoded))
        return nullptr;
    return createImage(decoded.width, decoded.height, decoded.pixels);
#else
    (void)resourceId;
    return nullptr;
#endif
}

}  // namespace raster
