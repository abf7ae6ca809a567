#pragma once
// Icons in a colour: the pixels of an icon moved to the colour a person picks.

#include <windows.h>

#include <cstdint>

#include "engine/imaging/IconImages.h"

// The image in the colour, alpha untouched: its face (the lightness and chroma that most of it
// has) takes the colour itself, and every other pixel keeps its difference from the face in
// lightness and its chroma relative to the face's (Oklab), so that highlights, shadows and edges
// stay. The shading is pressed together towards black and white instead of clipped, and the face
// of a colour near either is kept a little off it, so a black or white folder keeps its shape. A
// grey colour gives grey. Whole-number results from floating point without the C library's pow:
// the same on every Windows for the same pixels.
void RecolourImage(IconImage& image, COLORREF colour);

// The pixel (0xAARRGGBB) as releases before this one recoloured it, to know the files they wrote:
// its own HSL lightness and alpha, the colour's hue and saturation.
std::uint32_t EarlierRecolourPixel(std::uint32_t pixel, COLORREF colour);
