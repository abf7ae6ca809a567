// Pictures made into icon files: one table of pictures, encoded here by the system's own encoders,
// made into icons through both decoders, and read back with the system's icon functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <initguid.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ComApartment.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/IconImages.h"
#include "engine/imaging/PictureIcon.h"
#include "runtime/UniqueAny.h"
#include "support/TempFolder.h"

namespace
{
using Pixels = std::vector<std::uint32_t>; // straight 0xAARRGGBB, top row first
struct Picture
{
    int width = 0, height = 0;
    Pixels pixels;
};

enum class Shape
{
    Quadrants, // red, green, blue, yellow (greys for a grey format); an animated GIF's later frame
               // is black
    Disc,      // one light colour with a soft edge, on wide transparent margins of black
    OneColour,
    Clear,    // fully transparent
    Text,     // not a picture
    Cut,      // the first half of a PNG
    Huge,     // a BMP's header of 20,000 × 20,000
    NoPixels, // a BMP's header of 0 × 0
};

struct Case
{
    const char* name;
    Shape shape;
    int width, height;
    GUID container, format;
    int orientation; // above 0: written into an APP1 Exif segment; -1: a black frame follows
    PictureProblem problem;
    int tolerance; // per channel, where the picture is of one colour all around
    int margin;    // source pixels around that must be of that colour too (JPEG's blocks)
};

Picture Draw(Shape shape, int width, int height, bool grey)
{
    Picture picture{width, height, Pixels(static_cast<std::size_t>(width) * height)};
    const std::uint32_t quadrants[2][4] = {{0xFFE02020, 0xFF20C040, 0xFF2040E0, 0xFFF0E020},
                                           {0xFF202020, 0xFF606060, 0xFFA0A0A0, 0xFFE0E0E0}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            std::uint32_t& pixel = picture.pixels[static_cast<std::size_t>(y) * width + x];
            const double dx = x + 0.5 - width / 2.0, dy = y + 0.5 - height / 2.0;
            const double edge = (width / 5.0 - std::sqrt(dx * dx + dy * dy)) / 4;
            const int alpha = edge <= 0 ? 0 : edge >= 1 ? 255 : static_cast<int>(edge * 255);
            pixel = shape == Shape::Quadrants
                        ? quadrants[grey][(y * 2 / height) * 2 + x * 2 / width]
                    : shape == Shape::Disc  ? (alpha == 0 ? 0 : alpha << 24 | 0xF0C040)
                    : shape == Shape::Clear ? 0x00FFFFFF
                                            : 0xFF3070B0;
        }
    return picture;
}

// Where the stored pixel (x, y) stands once turned as the EXIF orientation says: its 0th row is
// the top, bottom, left or right side, its 0th column the left, right, top or bottom.
Picture Stored(const Picture& shown, int orientation)
{
    const bool turns = orientation >= 5;
    const int w = turns ? shown.height : shown.width, h = turns ? shown.width : shown.height;
    Picture stored{w, h, Pixels(shown.pixels.size())};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const int at[9][2] = {{x, y},         {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y},
                                  {x, h - 1 - y}, {y, x}, {h - 1 - y, x}, {h - 1 - y, w - 1 - x},
                                  {y, w - 1 - x}};
            const int* to = at[orientation < 1 ? 1 : orientation];
            stored.pixels[static_cast<std::size_t>(y) * w + x] =
                shown.pixels[static_cast<std::size_t>(to[1]) * shown.width + to[0]];
        }
    return stored;
}

template <typename Interface> struct Com
{
    Interface* p = nullptr;
    ~Com()
    {
        if (p != nullptr)
            p->Release();
    }
};

// The frames encoded by the Imaging Component in that container and pixel format; empty where
// its encoder doesn't take that format.
std::string Encode(const GUID& container, const GUID& format, const std::vector<Picture>& frames)
{
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p)) ||
        FAILED(factory.p->CreateEncoder(container, nullptr, &encoder.p)) ||
        FAILED(encoder.p->Initialize(stream.p, WICBitmapEncoderNoCache)))
        return {};
    for (const Picture& picture : frames)
    {
        Com<IWICBitmapFrameEncode> frame;
        Com<IPropertyBag2> options;
        WICPixelFormatGUID taken = format;
        std::vector<WICColor> palette;
        const bool indexed = format == GUID_WICPixelFormat8bppIndexed;
        const int bits = indexed || format == GUID_WICPixelFormat8bppGray ? 8
                         : format == GUID_WICPixelFormat24bppBGR          ? 24
                         : format == GUID_WICPixelFormat64bppRGBA         ? 64
                                                                          : 32;
        const UINT stride = (picture.width * bits + 31) / 32 * 4;
        std::vector<BYTE> bytes(stride * picture.height);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
            {
                const std::uint32_t p =
                    picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
                const BYTE argb[4] = {BYTE(p >> 24), BYTE(p >> 16), BYTE(p >> 8), BYTE(p)};
                BYTE* to = &bytes[y * stride + x * bits / 8];
                if (indexed)
                {
                    std::size_t i = 0;
                    while (i < palette.size() && palette[i] != p)
                        ++i;
                    if (i == palette.size())
                        palette.push_back(p);
                    to[0] = static_cast<BYTE>(i);
                }
                else if (bits == 8)
                    to[0] = argb[1];
                else if (bits == 24)
                    to[0] = argb[3], to[1] = argb[2], to[2] = argb[1];
                else if (bits == 64)
                    for (int c = 0; c < 4; ++c) // R, G, B, A of 16 bits
                        to[c * 2] = to[c * 2 + 1] = argb[(c + 1) % 4];
                else if (format == GUID_WICPixelFormat32bppCMYK)
                    to[0] = argb[1], to[1] = argb[2], to[2] = argb[3], to[3] = 255;
                else
                    std::memcpy(to, &p, 4);
            }
        Com<IWICPalette> colours;
        if (FAILED(encoder.p->CreateNewFrame(&frame.p, &options.p)) ||
            FAILED(frame.p->Initialize(options.p)) ||
            FAILED(frame.p->SetSize(picture.width, picture.height)) ||
            FAILED(frame.p->SetPixelFormat(&taken)) || taken != format)
            return {};
        if (indexed && (FAILED(factory.p->CreatePalette(&colours.p)) ||
                        FAILED(colours.p->InitializeCustom(palette.data(), palette.size())) ||
                        FAILED(frame.p->SetPalette(colours.p))))
            return {};
        if (FAILED(frame.p->WritePixels(picture.height, stride, bytes.size(), bytes.data())) ||
            FAILED(frame.p->Commit()))
            return {};
    }
    HGLOBAL memory = nullptr;
    STATSTG status{};
    if (FAILED(encoder.p->Commit()) || FAILED(stream.p->Stat(&status, STATFLAG_NONAME)) ||
        FAILED(GetHGlobalFromStream(stream.p, &memory)))
        return {};
    std::string file(static_cast<const char*>(GlobalLock(memory)), status.cbSize.LowPart);
    GlobalUnlock(memory);
    return file;
}

// An APP1 Exif segment with the orientation alone, right after the JPEG's start, in either byte
// order of TIFF.
std::string WithOrientation(const std::string& jpeg, int orientation)
{
    const bool big = orientation % 2 == 0;
    std::string tiff = big ? std::string("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 18)
                           : std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
    tiff += big ? std::string{'\0', char(orientation), '\0', '\0'}
                : std::string{char(orientation), '\0', '\0', '\0'};
    tiff.append(4, '\0'); // no next directory
    const std::string segment = std::string("Exif\0\0", 6) + tiff;
    const std::size_t length = segment.size() + 2;
    return jpeg.substr(0, 2) + "\xFF\xE1" + char(length >> 8) + char(length & 0xFF) + segment +
           jpeg.substr(2);
}

std::string BmpHeader(int width, int height)
{
    BITMAPFILEHEADER file{0x4D42, 54, 0, 0, 54};
    BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
           std::string(reinterpret_cast<const char*>(&info), sizeof info);
}

struct Box
{
    int left, top, width, height;
};

// The box around every pixel that isn't fully transparent.
Box Visible(const Pixels& pixels, int width, int height)
{
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pixels[static_cast<std::size_t>(y) * width + x] >> 24 != 0)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                bottom = y;
    return {left, top, right - left + 1, bottom - top + 1};
}

int ChannelGap(std::uint32_t a, std::uint32_t b)
{
    int gap = 0;
    for (int shift = 0; shift < 32; shift += 8)
        gap = std::max(gap, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return gap;
}

// What each size of the icon must show of the picture: the box of its visible pixels fitted
// whole and centred; where the picture is of one colour all around what a pixel covers, that
// colour; where all the picture is of one colour, no pixel of another (no halo).
void ExpectShows(const Picture& shown, const IconImage& image, const Case& row)
{
    const int size = image.size;
    SCOPED_TRACE(size);
    const Box from = Visible(shown.pixels, shown.width, shown.height);
    const Box made = Visible(image.pixels, size, size);
    const bool wide = from.width >= from.height;
    const double across =
        double(size) * (wide ? from.height : from.width) / (wide ? from.width : from.height);
    EXPECT_NEAR(wide ? made.width : made.height, size, 1);
    EXPECT_NEAR(wide ? made.height : made.width, across, 1);
    EXPECT_NEAR(made.left * 2 + made.width, size, 2); // centred
    EXPECT_NEAR(made.top * 2 + made.height, size, 2);
    std::uint32_t one = 0;
    bool oneColour = true;
    for (std::uint32_t p : shown.pixels)
        if (p >> 24 != 0)
            oneColour = oneColour && (one == 0 || ((p ^ one) & 0xFFFFFF) == 0), one = p;
    const double scale = double(from.width) / made.width;
    const int reach = int(2 * std::max(scale, 1.0)) + 1 + row.margin;
    int checked = 0;
    for (int y = made.top; y < made.top + made.height; ++y)
        for (int x = made.left; x < made.left + made.width; ++x)
        {
            const std::uint32_t pixel = image.pixels[static_cast<std::size_t>(y) * size + x];
            if (oneColour && pixel >> 24 >= 64)
            {
                ASSERT_LE(ChannelGap(pixel | 0xFF000000, one | 0xFF000000),
                          std::max(row.tolerance, 2))
                    << "a halo at " << x << "," << y << " " << std::hex << pixel;
            }
            const int sx = from.left + int((x - made.left + 0.5) * scale);
            const int sy = from.top + int((y - made.top + 0.5) * scale);
            const std::uint32_t want =
                shown.pixels[static_cast<std::size_t>(sy) * shown.width + sx];
            bool uniform = true;
            for (int v = std::max(sy - reach, 0);
                 uniform && v <= std::min(sy + reach, shown.height - 1); ++v)
                for (int u = std::max(sx - reach, 0);
                     uniform && u <= std::min(sx + reach, shown.width - 1); ++u)
                    uniform = shown.pixels[static_cast<std::size_t>(v) * shown.width + u] == want;
            if (!uniform)
                continue;
            ++checked;
            ASSERT_LE(ChannelGap(pixel, want), row.tolerance) << "at " << x << "," << y;
        }
    if (size == 256)
    {
        EXPECT_GT(checked, 0);
    }
}

const GUID kPng = GUID_ContainerFormatPng, kJpeg = GUID_ContainerFormatJpeg,
           kGif = GUID_ContainerFormatGif, kTiff = GUID_ContainerFormatTiff,
           kBmp = GUID_ContainerFormatBmp;
const GUID kBgra = GUID_WICPixelFormat32bppBGRA, kBgr = GUID_WICPixelFormat24bppBGR;
constexpr PictureProblem kFine = PictureProblem::None;

std::vector<Case> Cases()
{
    std::vector<Case> cases = {
        {"opaque", Shape::Quadrants, 40, 40, kPng, kBgra, 0, kFine, 3, 0},
        {"soft_edges_wide_margins", Shape::Disc, 100, 100, kPng, kBgra, 0, kFine, 3, 0},
        {"wide", Shape::Quadrants, 60, 20, kPng, kBgra, 0, kFine, 3, 0},
        {"tall", Shape::Quadrants, 20, 60, kPng, kBgra, 0, kFine, 3, 0},
        {"tiny", Shape::OneColour, 3, 2, kPng, kBgra, 0, kFine, 3, 0},
        {"palette", Shape::Quadrants, 40, 40, kGif, GUID_WICPixelFormat8bppIndexed, 0, kFine, 3, 0},
        {"grey", Shape::Quadrants, 48, 32, kPng, GUID_WICPixelFormat8bppGray, 0, kFine, 3, 0},
        {"sixteen_bits", Shape::Quadrants, 48, 32, kPng, GUID_WICPixelFormat64bppRGBA, 0, kFine, 3,
         0},
        {"cmyk", Shape::Quadrants, 96, 64, kJpeg, GUID_WICPixelFormat32bppCMYK, 0, kFine, 24, 8},
        {"animated", Shape::Quadrants, 40, 40, kGif, GUID_WICPixelFormat8bppIndexed, -1, kFine, 3,
         0},
        {"text", Shape::Text, 0, 0, kPng, kBgra, 0, PictureProblem::NotAPicture, 0, 0},
        {"cut_short", Shape::Cut, 40, 40, kPng, kBgra, 0, PictureProblem::NotAPicture, 0, 0},
        {"transparent", Shape::Clear, 40, 40, kPng, kBgra, 0, PictureProblem::NoPixels, 0, 0},
        {"no_pixels", Shape::NoPixels, 0, 0, kBmp, kBgr, 0, PictureProblem::NoPixels, 0, 0},
        {"huge", Shape::Huge, 20000, 20000, kBmp, kBgr, 0, PictureProblem::TooLarge, 0, 0},
    };
    const char* turned[] = {"",      "exif1", "exif2", "exif3", "exif4",
                            "exif5", "exif6", "exif7", "exif8"};
    for (int orientation = 1; orientation <= 8; ++orientation)
        cases.push_back({turned[orientation], Shape::Quadrants, 96, 64, kJpeg, kBgr, orientation,
                         kFine, 24, 8});
    return cases;
}

class PictureIconTable : public testing::TestWithParam<std::tuple<Case, PictureDecoder>>
{
};

TEST_P(PictureIconTable, TheIconShowsThePictureWholeInItsColoursAtEverySize)
{
    const Case row = std::get<0>(GetParam());
    const PictureDecoder decoder = std::get<1>(GetParam());
    ApartmentScope apartment;
    const bool grey = row.format == GUID_WICPixelFormat8bppGray;
    const bool drawn = row.shape != Shape::Huge; // only its header is written
    const Picture shown = Draw(row.shape, drawn ? row.width : 0, drawn ? row.height : 0, grey);
    std::vector<Picture> frames = {Stored(shown, row.orientation)};
    if (row.orientation < 0)
        frames.push_back(Draw(Shape::OneColour, row.width, row.height, false));
    std::string bytes = row.shape == Shape::Text       ? "A text file, named as a picture.\r\n"
                        : row.shape == Shape::Huge     ? BmpHeader(row.width, row.height)
                        : row.shape == Shape::NoPixels ? BmpHeader(0, 0)
                                                       : Encode(row.container, row.format, frames);
    if (bytes.empty())
        GTEST_SKIP() << "this Imaging Component's encoder doesn't write " << row.name;
    if (row.shape == Shape::Cut)
        bytes.resize(bytes.size() / 2);
    if (row.orientation > 0)
        bytes = WithOrientation(bytes, row.orientation);

    const PictureIcon icon = PictureIconFile(bytes, "picture.png", decoder);
    // GDI+ reads a whole picture when it opens it: a header alone is no picture to it, nor is
    // one of 0 × 0 pixels.
    const bool headerOnly = row.shape == Shape::Huge || row.shape == Shape::NoPixels;
    const PictureProblem problem = decoder == PictureDecoder::GdiPlus && headerOnly
                                       ? PictureProblem::NotAPicture
                                       : row.problem;
    ASSERT_EQ(int(icon.problem), int(problem));
    EXPECT_EQ(icon.file.empty(), problem != kFine);
    if (problem != kFine)
        return;
    ASSERT_FALSE(icon.file.empty());
    EXPECT_LE(icon.file.size(), kPictureIconFileLimit);
    EXPECT_EQ(ReadMadeIcon(icon.file).recipe, "picture.png");
    // The directory: every size, 32 bits, DIBs up to 64 and the 256 as PNG.
    WORD count = 0;
    std::memcpy(&count, &icon.file[4], 2);
    const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
    ASSERT_EQ(count, 8);
    for (int i = 0; i < 8; ++i)
    {
        const char* entry = &icon.file[6 + i * 16];
        DWORD offset = 0;
        std::memcpy(&offset, entry + 12, 4);
        EXPECT_EQ(BYTE(entry[0]), BYTE(sizes[i]));
        EXPECT_EQ(icon.file.compare(offset, 4, sizes[i] > 64 ? "\x89PNG" : "\x28\0\0\0", 4), 0);
    }
    TempFolder folder;
    const std::wstring path = folder.WriteFile(L"made.ico", icon.file);
    for (int size : sizes)
    {
        UniqueHicon loaded(static_cast<HICON>(
            LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
        ASSERT_TRUE(loaded);
        ExpectShows(shown, IconPixels(loaded.get(), size), row);
    }
}

std::string RowName(const testing::TestParamInfo<std::tuple<Case, PictureDecoder>>& info)
{
    return std::string(std::get<0>(info.param).name) +
           (std::get<1>(info.param) == PictureDecoder::GdiPlus ? "_gdiplus" : "");
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureIconTable,
                         testing::Combine(testing::ValuesIn(Cases()),
                                          testing::Values(PictureDecoder::System,
                                                          PictureDecoder::GdiPlus)),
                         RowName);
} // namespace
