#pragma once
// Icons in a colour: the pixels of an icon moved to the colour a person picks.

#include <windows.h>

#include <cstdint>

// The pixel (0xAARRGGBB) in the colour: its own lightness and alpha, the colour's hue and
// saturation (HSL), so that shading, highlights and transparency stay. A grey colour, black and
// white included, gives a grey pixel.
std::uint32_t RecolourPixel(std::uint32_t pixel, COLORREF colour);
