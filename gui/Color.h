// Colours as the toolkit stores them; the fourth byte never reaches the platform.
#pragma once

#include <cstdint>

struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t spare = 0;

    bool operator==(const Color& other) const = default;
    // The platform's colour value: red + green * 256 + blue * 65536.
    constexpr uint32_t toPlatform() const {
        return static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(blue) << 16);
    }
};

inline constexpr Color colorBlack{0, 0, 0, 0};
inline constexpr Color colorWhite{255, 255, 255, 0};
