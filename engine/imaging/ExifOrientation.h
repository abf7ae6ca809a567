#pragma once
// How a photo stands, read from its own bytes: the system's decoders don't all turn it (Wine's
// JPEG decoder doesn't even report it).

#include <string_view>

// The EXIF orientation (TIFF tag 0x0112) of a JPEG (in its APP1 Exif segment) or a TIFF file:
// 1 (as stored) to 8; 1 where there is none or it is out of range.
int ExifOrientation(std::string_view picture);
