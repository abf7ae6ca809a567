#pragma once
// Pictures resized in the program's own code, so that an icon looks the same on every system
// (Wine's imaging scaler only takes the nearest pixel).

#include <cstddef>
#include <cstdint>
#include <vector>

// Each channel (B, G, R, A per pixel, top row first) is the 8-bit colour times the 8-bit alpha,
// and the alpha times 255: one scale for all four, with the precision that low alphas need.
struct PremultipliedImage
{
    int width = 0;
    int height = 0;
    std::vector<std::int32_t> channels;
};
constexpr std::int32_t kOpaque = 255 * 255;

// The image as it is shown: the pixel shown at (x, y) is the stored one at origin + x × across +
// y × down (in pixels), which turns or mirrors it without a copy.
struct PixelView
{
    std::ptrdiff_t origin = 0, across = 1, down = 0;
    int width = 0, height = 0;
};

struct PixelBox
{
    int left = 0, top = 0, width = 0, height = 0;
};

enum class ResampleFilter
{
    Smooth, // a tent: averages every pixel it covers, enlarges without steps
    Crisp   // Catmull-Rom: its small negative lobes keep small icons sharp
};

// The box of the view resized to width × height, into out (rows outStride pixels apart): straight
// 0xAARRGGBB pixels, top row first.
void Resample(const PremultipliedImage& image, const PixelView& view, PixelBox from, int width,
              int height, ResampleFilter filter, std::uint32_t* out, int outStride);
