#include "engine/imaging/Recolour.h"

#include <algorithm>
#include <cstdlib>

std::uint32_t RecolourPixel(std::uint32_t pixel, COLORREF colour)
{
    // HSL in closed form, on whole numbers. At lightness L (0..255) a channel is
    // L + room(L) * S * (p - 1/2), where room(L) = 255 - |2L - 255| is the widest spread of the
    // channels HSL allows there and p (0..1) places the channel within the colour's own spread. The
    // colour's saturation S is its spread over its own room, so S * (p - 1/2) is
    // (2 * channel - max - min) / (2 * its room): hue and saturation come from the colour alone.
    const int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
    const int lightness2 = std::max({red, green, blue}) + std::min({red, green, blue}); // 2L
    const int room = 255 - std::abs(lightness2 - 255);
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    const int top = std::max({r, g, b}), bottom = std::min({r, g, b});
    // Black and white have no room, and no spread either: they give grey like any grey.
    const int colourRoom = std::max(255 - std::abs(top + bottom - 255), 1);
    auto channel = [&](int c) {
        const int twice = lightness2 * colourRoom + room * (2 * c - top - bottom);
        return static_cast<std::uint32_t>((twice + colourRoom) / (2 * colourRoom)); // rounded
    };
    return (pixel & 0xFF000000) | channel(r) << 16 | channel(g) << 8 | channel(b);
}
