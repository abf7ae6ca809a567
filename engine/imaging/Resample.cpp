// Separable resampling after the shape of Pillow's Resample.c: a filter is a weight function and
// its support; the weights of each output column and row are computed once, with the support
// widened by the scale factor on a reduction so that every source pixel is averaged in; then a
// horizontal and a vertical pass in whole numbers, clipped at the end. Done on premultiplied
// alpha, transparent pixels lend no colour to the edges beside them (no dark or light halos).

#include "engine/imaging/Resample.h"

namespace
{
constexpr int kWeightBits = 12; // 65025 × 4096 × the lobes' sum stays well inside 31 bits
constexpr std::int32_t kHalf = 1 << (kWeightBits - 1);

double Magnitude(double x)
{
    return x < 0 ? -x : x;
}

double Tent(double x)
{
    x = Magnitude(x);
    return x < 1 ? 1 - x : 0;
}

// The cubic convolution kernel with a = -0.5 (Catmull-Rom).
double CatmullRom(double x)
{
    constexpr double a = -0.5;
    x = Magnitude(x);
    if (x < 1)
        return ((a + 2) * x - (a + 3)) * x * x + 1;
    if (x < 2)
        return ((a * x - 5 * a) * x + 8 * a) * x - 4 * a;
    return 0;
}

struct Filter
{
    double (*weight)(double);
    double support;
};

// For each output pixel, the first source pixel it reads, how many, and their weights, which sum
// to 1 << kWeightBits (give or take the rounding of each).
struct Taps
{
    int stride = 0;
    std::vector<int> first, count;
    std::vector<std::int32_t> weights;
};

Taps ComputeTaps(int in, int out, Filter filter)
{
    const double scale = static_cast<double>(in) / out;
    const double widened = scale > 1 ? scale : 1;
    const double support = filter.support * widened;
    Taps taps;
    taps.stride = static_cast<int>(2 * support) + 3;
    taps.first.resize(out);
    taps.count.resize(out);
    taps.weights.resize(static_cast<std::size_t>(out) * taps.stride);
    std::vector<double> weights(taps.stride);
    for (int i = 0; i < out; ++i)
    {
        const double centre = (i + 0.5) * scale;
        const int from = centre - support + 0.5 > 0 ? static_cast<int>(centre - support + 0.5) : 0;
        const int to = centre + support + 0.5 < in ? static_cast<int>(centre + support + 0.5) : in;
        double total = 0;
        for (int j = from; j < to; ++j)
            total += weights[j - from] = filter.weight((j - centre + 0.5) / widened);
        std::int32_t* fixed = &taps.weights[static_cast<std::size_t>(i) * taps.stride];
        taps.first[i] = from;
        taps.count[i] = to - from;
        if (total == 0) // nothing in reach: the nearest pixel
        {
            taps.first[i] = from < in ? from : in - 1;
            taps.count[i] = 1;
            fixed[0] = 1 << kWeightBits;
            continue;
        }
        for (int j = 0; j < to - from; ++j)
        {
            const double w = weights[j] / total * (1 << kWeightBits);
            fixed[j] = static_cast<std::int32_t>(w < 0 ? w - 0.5 : w + 0.5);
        }
    }
    return taps;
}

std::int32_t Clip(std::int32_t value, std::int32_t top)
{
    return value < 0 ? 0 : value > top ? top : value;
}
} // namespace

std::vector<std::uint32_t> Resample(const PremultipliedImage& image, PixelBox from, int width,
                                    int height, ResampleFilter filter)
{
    const Filter chosen =
        filter == ResampleFilter::Crisp ? Filter{&CatmullRom, 2.0} : Filter{&Tent, 1.0};
    const Taps across = ComputeTaps(from.width, width, chosen);
    const Taps down = ComputeTaps(from.height, height, chosen);
    // The horizontal pass over the box's rows. Nothing is clipped before the end: where the lobes
    // overshoot, colour and alpha overshoot alike, and their ratio, the colour, stays.
    std::vector<std::int32_t> rows(static_cast<std::size_t>(from.height) * width * 4);
    for (int y = 0; y < from.height; ++y)
    {
        const std::uint16_t* source =
            &image.channels[(static_cast<std::size_t>(from.top + y) * image.width + from.left) * 4];
        std::int32_t* target = &rows[static_cast<std::size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x)
        {
            const std::int32_t* w = &across.weights[static_cast<std::size_t>(x) * across.stride];
            const std::uint16_t* p = source + across.first[x] * 4;
            std::int32_t sum[4] = {kHalf, kHalf, kHalf, kHalf};
            for (int k = 0; k < across.count[x]; ++k, p += 4)
                for (int c = 0; c < 4; ++c)
                    sum[c] += w[k] * p[c];
            for (int c = 0; c < 4; ++c)
                target[x * 4 + c] = sum[c] >> kWeightBits;
        }
    }
    // The vertical pass, and the colour made straight again.
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    const std::size_t rowChannels = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y)
    {
        const std::int32_t* w = &down.weights[static_cast<std::size_t>(y) * down.stride];
        const std::int32_t* top = &rows[down.first[y] * rowChannels];
        for (int x = 0; x < width; ++x)
        {
            std::int32_t sum[4] = {kHalf, kHalf, kHalf, kHalf};
            const std::int32_t* p = top + x * 4;
            for (int k = 0; k < down.count[y]; ++k, p += rowChannels)
                for (int c = 0; c < 4; ++c)
                    sum[c] += w[k] * p[c];
            const std::int32_t alpha = sum[3] >> kWeightBits;
            const std::uint32_t alpha8 =
                static_cast<std::uint32_t>(Clip(alpha, kOpaque) + 127) / 255;
            if (alpha8 == 0)
                continue;
            std::uint32_t pixel = alpha8 << 24;
            for (int c = 0; c < 3; ++c)
            {
                const std::int32_t colour = ((sum[c] >> kWeightBits) * 255 + alpha / 2) / alpha;
                pixel |= static_cast<std::uint32_t>(Clip(colour, 255)) << (8 * c);
            }
            pixels[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return pixels;
}
