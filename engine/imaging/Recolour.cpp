#include "engine/imaging/Recolour.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{
// Oklab (Björn Ottosson, 2020), from linear sRGB through the cone responses and back: a space in
// which a step in lightness or chroma looks alike wherever it is taken. Floats are precise enough
// and half the size; one table, aligned once.
constexpr float kOklab[4][9] = {
    {0.4122214708f, 0.5363325363f, 0.0514459929f, 0.2119034982f, 0.6806995451f, 0.1073969566f,
     0.0883024619f, 0.2817188376f, 0.6299787005f},
    {0.2104542553f, 0.7936177850f, -0.0040720468f, 1.9779984951f, -2.4285922050f, 0.4505937099f,
     0.0259040371f, 0.7827717662f, -0.8086757660f},
    {1, 0.3963377774f, 0.2158037573f, 1, -0.1055613458f, -0.0638541728f, 1, -0.0894841775f,
     -1.2914855480f},
    {4.0767416621f, -3.3077115913f, 0.2309699292f, -1.2684380046f, 2.6097574011f, -0.3413193965f,
     -0.0041960863f, -0.7034186147f, 1.7076147010f}};
constexpr const float* kLinearToCones = kOklab[0];
constexpr const float* kConesToLab = kOklab[1];
constexpr const float* kLabToCones = kOklab[2];
constexpr const float* kConesToLinear = kOklab[3];

// How far the face of a colour near black, and of one near white, is kept from it (Oklab
// lightness): enough for the shading on either side to show, little enough to stay that colour.
constexpr double kBlackRoom = 0.22;
constexpr double kWhiteRoom = 0.05;
// A face with less chroma than this is grey: every pixel then takes the colour's chroma.
constexpr double kGreyFace = 0.02;
constexpr int kBins = 256;

using Colour = double[3];

void Multiply(const float* matrix, double* v)
{
    const double x = v[0], y = v[1], z = v[2];
    for (int row = 0; row < 3; ++row, matrix += 3)
        v[row] = matrix[0] * x + matrix[1] * y + matrix[2] * z;
}

// y with y^n = x (x >= 0): Newton's method from the guess that the float's bits give (exponent
// and mantissa divided by n), five steps to double precision. The C library's pow and cbrt would
// bring large objects into the exe.
double Root(double x, int n)
{
    constexpr std::int32_t kOne = 0x3F800000; // 1.0f
    float guess = static_cast<float>(x);
    std::int32_t bits = 0;
    std::memcpy(&bits, &guess, sizeof bits);
    bits = (bits - kOne) / n + kOne;
    std::memcpy(&guess, &bits, sizeof bits);
    double root = guess;
    for (int step = 0; step < 5; ++step)
    {
        double power = 1;
        for (int i = 1; i < n; ++i)
            power *= root;
        root += (x / power - root) / n;
    }
    return root;
}

// Oklab of an sRGB pixel (0x..RRGGBB), through the sRGB curve's table.
void ToLab(const double* linear, std::uint32_t pixel, double* lab)
{
    for (int i = 0; i < 3; ++i)
        lab[i] = linear[pixel >> (16 - 8 * i) & 0xFF];
    Multiply(kLinearToCones, lab);
    for (int i = 0; i < 3; ++i)
        lab[i] = Root(lab[i], 3);
    Multiply(kConesToLab, lab);
}

// Linear sRGB of an Oklab colour, and where it lies beyond the screen's colours, the colour
// between it and the grey of its lightness (whose linear value is its cube) that lies on their
// edge.
void ToLinear(const double* lab, double* rgb)
{
    std::memcpy(rgb, lab, sizeof(Colour));
    Multiply(kLabToCones, rgb);
    for (int i = 0; i < 3; ++i)
        rgb[i] *= rgb[i] * rgb[i];
    Multiply(kConesToLinear, rgb);
    const double grey = lab[0] * lab[0] * lab[0];
    double kept = 1;
    for (int i = 0; i < 3; ++i)
        kept = std::min(kept, rgb[i] > 1   ? (1 - grey) / (rgb[i] - grey)
                              : rgb[i] < 0 ? grey / (grey - rgb[i])
                                           : 1);
    for (int i = 0; i < 3; ++i)
        rgb[i] = grey + kept * (rgb[i] - grey);
}

// The sRGB value (0..255) nearest to a linear one, found in the sRGB curve's table.
std::uint32_t Encode(const double* linear, double c)
{
    std::uint32_t code = 0;
    for (std::uint32_t step = 128; step != 0; step >>= 1)
        if (linear[code + step] <= c)
            code += step;
    return code + (code < 255 && linear[code + 1] - c < c - linear[code]);
}

double Chroma(const double* lab)
{
    return Root(lab[1] * lab[1] + lab[2] * lab[2], 2);
}

// The histogram's bin of a value in 0..1.
int Bin(double value)
{
    return std::clamp(static_cast<int>(value * kBins), 0, kBins - 1);
}

// The middle of the bin that holds the weighted median.
double Median(const std::uint32_t* histogram, std::uint32_t total)
{
    int bin = 0;
    for (std::uint32_t below = histogram[0]; below < total - below;)
        below += histogram[++bin];
    return (bin + 0.5) / kBins;
}

// How far from black (or white) a face at that distance from it is kept: along a parabola that
// starts at room and joins the distance itself at twice the room, so that neighbouring colours
// never give folders far apart.
double KeptOff(double distance, double room)
{
    const double rest = 1 - distance / (2 * room);
    return distance < 2 * room ? distance + room * rest * rest : distance;
}
} // namespace

void RecolourImage(IconImage& image, COLORREF colour)
{
    double linear[256];
    for (int c = 0; c < 256; ++c)
    {
        // The sRGB curve, c ^ 2.4 as c² times the fifth root of c².
        const double v = c / 255.0, t = (v + 0.055) / 1.055;
        linear[c] = v <= 0.04045 ? v / 12.92 : t * t * Root(t * t, 5);
    }
    Colour chosen;
    ToLab(linear, GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour), chosen);
    // The face: the median lightness and chroma of the image, each pixel counted by its alpha and
    // its chroma, so that the coloured part of an icon tells more than its grey parts. sRGB's
    // chroma stays below 0.33, so the counts stay below 256 × 256 × 255 × 171 and fit.
    std::uint32_t lightness[kBins] = {}, chroma[kBins] = {}, total = 0;
    for (std::uint32_t pixel : image.pixels)
    {
        Colour lab;
        ToLab(linear, pixel, lab);
        const int bin = Bin(Chroma(lab) * 2);
        const std::uint32_t weight = (pixel >> 24) * (bin + 2);
        lightness[Bin(lab[0])] += weight;
        chroma[bin] += weight;
        total += weight;
    }
    if (total == 0)
        return;
    const double sourceLightness = Median(lightness, total);
    const double sourceChroma = Median(chroma, total) / 2;
    // A face made lighter or darker keeps the colour's saturation: a colour near black shows no
    // tint that it hardly has.
    const double face = 1 - KeptOff(1 - KeptOff(chosen[0], kBlackRoom), kWhiteRoom);
    for (int i = 1; i < 3; ++i)
        chosen[i] *= chosen[0] / face;
    for (std::uint32_t& pixel : image.pixels)
    {
        if (pixel >> 24 == 0)
            continue;
        Colour lab, rgb;
        ToLab(linear, pixel, lab);
        // The difference from the face, pressed into the room there is towards black or white:
        // unchanged close to the face, never past either end.
        const double shade = lab[0] - sourceLightness;
        const double room = shade < 0 ? face : 1 - face;
        const double moved = room * room / (room + std::abs(shade));
        const double scale = sourceChroma < kGreyFace ? 1 : Chroma(lab) / sourceChroma;
        const Colour out = {shade < 0 ? moved : 1 - moved, chosen[1] * scale, chosen[2] * scale};
        ToLinear(out, rgb);
        pixel = (pixel & 0xFF000000) | Encode(linear, rgb[0]) << 16 | Encode(linear, rgb[1]) << 8 |
                Encode(linear, rgb[2]);
    }
}

std::uint32_t EarlierRecolourPixel(std::uint32_t pixel, COLORREF colour)
{
    // HSL in closed form, on whole numbers. At lightness L (0..255) a channel is
    // L + room(L) * S * (p - 1/2), where room(L) = 255 - |2L - 255| is the widest spread of the
    // channels HSL allows there and p (0..1) places the channel within the colour's own spread. The
    // colour's saturation S is its spread over its own room, so S * (p - 1/2) is
    // (2 * channel - max - min) / (2 * its room): hue and saturation come from the colour alone.
    int high = 0, low = 255, top = 0, bottom = 255;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int p = pixel >> shift & 0xFF, c = colour >> shift & 0xFF;
        high = std::max(high, p);
        low = std::min(low, p);
        top = std::max(top, c);
        bottom = std::min(bottom, c);
    }
    const int lightness2 = high + low; // 2L
    const int room = 255 - std::abs(lightness2 - 255);
    // Black and white have no room, and no spread either: they give grey like any grey.
    const int colourRoom = std::max(255 - std::abs(top + bottom - 255), 1);
    std::uint32_t result = pixel & 0xFF000000;
    for (int shift = 0; shift < 24;
         shift += 8) // the pixel's blue, green, red: the colour's b, g, r
    {
        const int c = colour >> (16 - shift) & 0xFF;
        const int twice = lightness2 * colourRoom + room * (2 * c - top - bottom);
        result |= static_cast<std::uint32_t>((twice + colourRoom) / (2 * colourRoom)) << shift;
    }
    return result;
}
