#pragma once
// The images of an icon as pixels: every size a module or icon file holds for one icon, read
// through the system's own icon functions so that every format Windows reads (PNG on Vista and
// later) is read alike.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/IconLocation.h"

// One square image: size × size pixels, top row first, each 0xAARRGGBB (in memory B, G, R, A, as
// a 32-bit DIB holds them), the colour not multiplied by alpha.
struct IconImage
{
    int size = 0;
    std::vector<std::uint32_t> pixels;
};

// The pixels of the icon drawn at size × size. An icon without alpha gets it from its AND mask
// (opaque where the mask shows the image). Empty pixels when the icon can't be read.
IconImage IconPixels(HICON icon, int size);

// Every square image of the icon up to 256 × 256, in the order the icon lists them, one per
// size: at each size the one with the most colours. Where the icon's directory can't be read (an
// .ico file), the sizes 16, 32, 48 and 256 as the system extracts them. Empty when there is no
// such icon.
std::vector<IconImage> ReadIconImages(const IconLocation& location);
