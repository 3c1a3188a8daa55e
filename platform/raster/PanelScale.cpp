#include "platform/raster/PanelScale.h"

#include <cstdlib>
#include <cstring>

namespace panelscale {

namespace {

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

}  // namespace

int32_t fromDpi(double dpi) {
    // Halfway between the steps: 120 and 168 dots per inch.
    if (!(dpi > 0) || dpi < 120)
        return 100;
    return dpi < 168 ? 150 : 200;
}

int32_t fromFactor(long factor) { return factor >= 2 ? 200 : 100; }

int32_t fromResources(const char* resources) {
    if (!resources)
        return 0;
    static constexpr char key[] = "Xft.dpi:";
    for (const char* line = resources; *line;) {
        if (std::strncmp(line, key, sizeof key - 1) == 0) {
            char* end = nullptr;
            const double dpi = std::strtod(line + sizeof key - 1, &end);
            if (end != line + sizeof key - 1)
                return fromDpi(dpi);
        }
        const char* next = std::strchr(line, '\n');
        if (!next)
            break;
        line = next + 1;
    }
    return 0;
}

int32_t toWindow(int32_t panel, int32_t scale) {
    return static_cast<int32_t>(ceilDiv(static_cast<int64_t>(panel) * scale, unscaled));
}

int32_t toPanel(int32_t window, int32_t scale) {
    return static_cast<int32_t>(floorDiv(static_cast<int64_t>(window) * unscaled, scale));
}

platform::Bounds toWindowArea(const platform::Bounds& panel, int32_t scale) {
    return platform::Bounds{
        static_cast<int32_t>(floorDiv(static_cast<int64_t>(panel.left) * scale, unscaled)),
        static_cast<int32_t>(floorDiv(static_cast<int64_t>(panel.top) * scale, unscaled)),
        toWindow(panel.right, scale), toWindow(panel.bottom, scale)};
}

platform::Bounds toPanelArea(const platform::Bounds& window, int32_t scale) {
    // The last window pixel of the area shows panel pixel toPanel(right - 1).
    return platform::Bounds{toPanel(window.left, scale), toPanel(window.top, scale),
                            toPanel(window.right - 1, scale) + 1, toPanel(window.bottom - 1, scale) + 1};
}

void enlarge(const raster::PixelImage& panel, const platform::Bounds& windowArea, int32_t scale, uint32_t* out) {
    for (int32_t y = windowArea.top; y < windowArea.bottom; ++y) {
        const int32_t row = toPanel(y, scale);
        for (int32_t x = windowArea.left; x < windowArea.right; ++x) {
            const int32_t column = toPanel(x, scale);
            *out++ = panel.contains(column, row) ? panel.at(column, row) : 0;
        }
    }
}

}  // namespace panelscale
