#pragma once
// The program's colours and their one conversion to and from the 0xAARRGGBB
// pixels of images, screens and video frames.

#include <cstdint>

namespace corvane {

// A colour in the 0x00BBGGRR layout (red in the low byte).
using Colour = std::uint32_t;

constexpr Colour kStarColour = 0x00FFFF;  // yellow

struct Channels {
    int red, green, blue;  // 0 to 255 each
};

constexpr Channels channelsOf(Colour colour) {
    return {static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
            static_cast<int>((colour >> 16) & 0xFFu)};
}

// The opaque 0xAARRGGBB pixel of `colour` (Qt's QRgb layout).
constexpr std::uint32_t argbOf(Colour colour) {
    const Channels c = channelsOf(colour);
    return 0xFF000000u | static_cast<std::uint32_t>(c.red) << 16 |
           static_cast<std::uint32_t>(c.green) << 8 | static_cast<std::uint32_t>(c.blue);
}

// The colour of a 0xAARRGGBB pixel; alpha is dropped.
constexpr Colour colourOfArgb(std::uint32_t argb) {
    return (argb >> 16 & 0xFFu) | (argb & 0xFF00u) | (argb & 0xFFu) << 16;
}

}  // namespace corvane
