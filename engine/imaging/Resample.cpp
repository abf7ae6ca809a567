// Separable resampling after the shape of Pillow's Resample.c: a filter is a weight function and
// its support; the weights of each output column and row are computed once, with the support
// widened by the scale factor on a reduction so that every source pixel is averaged in; then a
// horizontal and a vertical pass in whole numbers, clipped at the end. Done on premultiplied
// alpha, transparent pixels lend no colour to the edges beside them (no dark or light halos).

#include "engine/imaging/Resample.h"

namespace
{
constexpr int kWeightBits = 12; // 65025 × 4096 × the lobes' sum stays well inside 31 bits

double Tent(double x)
{
    return x < 1 ? 1 - x : 0;
}

// The cubic convolution kernel with a = -0.5 (Catmull-Rom).
double CatmullRom(double x)
{
    return x < 1 ? (1.5 * x - 2.5) * x * x + 1 : x < 2 ? ((-0.5 * x + 2.5) * x - 4) * x + 2 : 0;
}

// For each output pixel: the first source pixel it reads, how many, and their weights, which sum
// to 1 << kWeightBits (give or take the rounding of each). The pixel under the centre is always
// in reach, with a large weight, so that the sum is never 0.
struct Taps
{
    Taps(int out, double support)
        : stride(static_cast<int>(2 * support) + 3), reach(2 * static_cast<std::size_t>(out)),
          weights(static_cast<std::size_t>(out) * stride)
    {
    }
    int stride;
    std::vector<std::int32_t> reach; // first, count
    std::vector<std::int32_t> weights;
};

Taps ComputeTaps(int in, int out, ResampleFilter filter)
{
    const bool crisp = filter == ResampleFilter::Crisp;
    const double scale = static_cast<double>(in) / out;
    const double widened = scale > 1 ? scale : 1;
    const double support = (crisp ? 2 : 1) * widened;
    Taps taps(out, support);
    for (int i = 0; i < out; ++i)
    {
        const double centre = (i + 0.5) * scale;
        const int from = centre - support + 0.5 > 0 ? static_cast<int>(centre - support + 0.5) : 0;
        const int to = centre + support + 0.5 < in ? static_cast<int>(centre + support + 0.5) : in;
        auto weight = [&](int j) {
            double x = (j - centre + 0.5) / widened;
            x = x < 0 ? -x : x;
            return crisp ? CatmullRom(x) : Tent(x);
        };
        double total = 0;
        for (int j = from; j < to; ++j)
            total += weight(j);
        taps.reach[2 * i] = from;
        taps.reach[2 * i + 1] = to - from;
        for (int j = from; j < to; ++j)
        {
            const double w = weight(j) / total * (1 << kWeightBits);
            taps.weights[static_cast<std::size_t>(i) * taps.stride + j - from] =
                static_cast<std::int32_t>(w < 0 ? w - 0.5 : w + 0.5);
        }
    }
    return taps;
}

// One pass along lines of four channels: output i of line l, at out + (l × outLine + i × outStep)
// × 4, from the source's taps along the line at in + (l × inLine + tap × inStep) × 4. Nothing is
// clipped: where the lobes overshoot, colour and alpha overshoot alike, and their ratio stays.
void Pass(const std::int32_t* in, std::ptrdiff_t inLine, std::ptrdiff_t inStep, int lines,
          const Taps& taps, int outCount, std::int32_t* out, std::ptrdiff_t outLine,
          std::ptrdiff_t outStep)
{
    for (int line = 0; line < lines; ++line)
        for (int i = 0; i < outCount; ++i)
        {
            const std::int32_t* w = &taps.weights[static_cast<std::size_t>(i) * taps.stride];
            const std::int32_t* p = in + (line * inLine + taps.reach[2 * i] * inStep) * 4;
            std::int32_t sum[4] = {};
            for (int k = 0; k < taps.reach[2 * i + 1]; ++k, p += inStep * 4)
                for (int c = 0; c < 4; ++c)
                    sum[c] += w[k] * p[c];
            for (int c = 0; c < 4; ++c)
                out[(line * outLine + i * outStep) * 4 + c] =
                    (sum[c] + (1 << (kWeightBits - 1))) >> kWeightBits;
        }
}

std::int32_t Clip(std::int32_t value, std::int32_t top)
{
    return value < 0 ? 0 : value > top ? top : value;
}
} // namespace

void Resample(const PremultipliedImage& image, const PixelView& view, PixelBox from, int width,
              int height, ResampleFilter filter, std::uint32_t* out, int outStride)
{
    // Across the box's rows, then down the columns of what that gave.
    std::vector<std::int32_t> rows(static_cast<std::size_t>(from.height) * width * 4);
    Pass(image.channels.data() + (view.origin + from.top * view.down + from.left * view.across) * 4,
         view.down, view.across, from.height, ComputeTaps(from.width, width, filter), width,
         rows.data(), width, 1);
    std::vector<std::int32_t> done(static_cast<std::size_t>(width) * height * 4);
    Pass(rows.data(), 1, width, width, ComputeTaps(from.height, height, filter), height,
         done.data(), 1, width);
    // The colour made straight again, and clipped.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const std::int32_t* p = &done[(static_cast<std::size_t>(y) * width + x) * 4];
            std::uint32_t pixel = static_cast<std::uint32_t>(Clip(p[3], kOpaque) + 127) / 255;
            for (int c = 2; c >= 0 && pixel != 0; --c)
                pixel = pixel << 8 |
                        static_cast<std::uint32_t>(Clip((p[c] * 255 + p[3] / 2) / p[3], 255));
            out[static_cast<std::ptrdiff_t>(y) * outStride + x] = pixel;
        }
}
