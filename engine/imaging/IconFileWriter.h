#pragma once
// The bytes of an .ico file made from images in memory.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/imaging/IconImages.h"

// A file this size or larger is never written: a folder's icon file stays small.
constexpr std::size_t kIconFileLimit = 128 * 1024;
// XP shows no icon above 48: larger images are PNG, which keeps the file small.
constexpr int kLargestXpIcon = 48;

// The longest recipe a made icon's trailer holds, in bytes: its length is one byte.
constexpr std::size_t kLargestRecipe = 0xFF;

// The image compressed as PNG (32 bits, with alpha) by the Windows Imaging Component; empty where
// it isn't at hand (XP without it) or fails. Needs COM on the calling thread.
std::string PngBytes(const IconImage& image);

// An .ico file of the images in the order given: up to 48 × 48 each a 32-bit DIB with its alpha,
// and an AND mask made from the alpha for screens of fewer colours; larger ones compressed as PNG,
// which Vista and later read (XP shows none so large), and left out where there is no PNG
// encoder. After the images, which the directory alone locates, comes the made icon's trailer:
// the recipe (UTF-8 without control characters, up to kLargestRecipe bytes, such as a colour's
// "#RRGGBB"), its length and a magic, which every icon reader skips. Empty when there is no image
// to write, the recipe doesn't fit, or the file would reach the limit. Up to largestDib the
// images are DIBs.
std::string IconFileBytes(const std::vector<IconImage>& images, std::string_view recipe,
                          std::size_t limit = kIconFileLimit, int largestDib = kLargestXpIcon);

// What an icon file that Tessaline made says of itself, which no Windows build changes (the
// images that the system's icons give may differ on each one).
struct MadeIcon
{
    std::string recipe;        // the recipe it was made from; empty: no made icon's trailer
    std::size_t imagesEnd = 0; // where the images end: the file as releases before the
                               // trailer wrote it
};
// The trailer, read only where it follows the directory's last image exactly.
MadeIcon ReadMadeIcon(std::string_view file);

// The bytes of the image of an .ico file that suits size best: that size, or the next larger, or
// the largest. Empty for a file without a readable image.
std::string_view IconFileImage(const std::string& file, int size);
