#pragma once
// The bytes of an .ico file made from images in memory.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/IconImages.h"

// A file this size or larger is never written: a folder's icon file stays small.
constexpr std::size_t kIconFileLimit = 128 * 1024;

// The image compressed as PNG (32 bits, with alpha) by the Windows Imaging Component; empty where
// it isn't at hand (XP without it) or fails. Needs COM on the calling thread.
std::string PngBytes(const IconImage& image);

// An .ico file of the images in the order given: up to 48 × 48 each a 32-bit DIB with its alpha,
// and an AND mask made from the alpha for screens of fewer colours; larger ones compressed as PNG,
// which Vista and later read (XP shows none so large), and left out where there is no PNG
// encoder. Empty when there is no image to write or the file would reach kIconFileLimit.
std::string IconFileBytes(const std::vector<IconImage>& images);

// The bytes of the image of an .ico file that suits size best: that size, or the next larger, or
// the largest. Empty for a file without a readable image.
std::string_view IconFileImage(const std::string& file, int size);
