// Pictures made into icon files: one table of pictures, written here by the system's encoders,
// made into icons through both decoders, and read back with the system's icon functions.
#include <gtest/gtest.h>

#include <initguid.h>

#include <array>
#include <cmath>
#include <tuple>

#include "engine/ComApartment.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/IconImages.h"
#include "engine/imaging/PictureIcon.h"
#include "runtime/UniqueAny.h"
#include "support/PictureFile.h"
#include "support/TempFolder.h"

namespace
{
// Quadrants: red, green, blue, yellow (greys for a grey format). Disc: one light colour with a
// soft edge, on wide margins of transparent black. Noise: too much for a 256 PNG within the
// limit. Cut: half a PNG. Huge, Empty: a BMP's header alone, of 20,000 × 20,000 and 0 × 0 pixels.
enum class Shape
{
    Quadrants,
    Disc,
    OneColour,
    Noise,
    Clear,
    Text,
    Cut,
    Huge,
    Empty
};
struct Case
{
    const char* name;
    Shape shape;
    int width, height; // as shown
    GUID container, format;
    int orientation; // 2 to 8: written into an APP1 Exif segment; -1: a black frame follows
    PictureProblem problem;
};

std::uint32_t Hash(std::uint32_t n)
{
    n = (n ^ n >> 16) * 0x45D9F3B;
    return (n ^ n >> 16) * 0x45D9F3B ^ n >> 16;
}

// The picture as stored: each stored pixel (x, y) stands where the EXIF orientation's 0th row is
// the top, bottom, left or right side, and its 0th column the left, right, top or bottom.
Picture Draw(const Case& row, int orientation, std::uint32_t only = 0)
{
    const bool turns = orientation >= 5, grey = row.format == GUID_WICPixelFormat8bppGray;
    const int w = turns ? row.height : row.width, h = turns ? row.width : row.height;
    const std::uint32_t quadrants[2][4] = {{0xFFE02020, 0xFF20C040, 0xFF2040E0, 0xFFF0E020},
                                           {0xFF202020, 0xFF606060, 0xFFA0A0A0, 0xFFE0E0E0}};
    Picture picture{w, h, std::vector<std::uint32_t>(std::size_t(w) * h, only)};
    for (int i = 0, x = 0, y = 0; i < w * h && only == 0; ++i, x = i % w, y = i / w)
    {
        const int at[9][2] = {{x, y},         {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y},
                              {x, h - 1 - y}, {y, x}, {h - 1 - y, x}, {h - 1 - y, w - 1 - x},
                              {y, w - 1 - x}};
        const int sx = at[orientation][0], sy = at[orientation][1];
        const double edge =
            row.width / 5.0 - std::hypot(sx + 0.5 - row.width / 2.0, sy + 0.5 - row.height / 2.0);
        const std::uint32_t alpha = edge <= 0 ? 0 : edge >= 4 ? 255 : std::uint32_t(edge * 64);
        picture.pixels[i] = row.shape == Shape::Disc    ? (alpha == 0 ? 0 : alpha << 24 | 0xF0C040)
                            : row.shape == Shape::Clear ? 0x00FFFFFF
                            : row.shape == Shape::Noise ? Hash(i) | 0xFF000000
                            : row.shape == Shape::Quadrants
                                ? quadrants[grey][sy * 2 / row.height * 2 + sx * 2 / row.width]
                                : 0xFF3070B0;
    }
    return picture;
}

// The box of the pixels that aren't fully transparent: left, top, width, height.
std::array<int, 4> Visible(const std::vector<std::uint32_t>& pixels, int width)
{
    int left = width, top = 1 << 30, right = -1, bottom = -1;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if (pixels[i] >> 24 != 0)
            left = std::min(left, int(i % width)), right = std::max(right, int(i % width)),
            top = std::min(top, int(i / width)), bottom = int(i / width);
    return {left, top, right - left + 1, bottom - top + 1};
}

int Gap(std::uint32_t a, std::uint32_t b)
{
    int gap = 0;
    for (int shift = 0; shift < 32; shift += 8)
        gap = std::max(gap, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return gap;
}

// The box of the picture's visible pixels fitted whole and centred; where the picture is of one
// colour all around what a pixel covers, that colour (JPEG's within its blocks' reach); on soft
// edges over transparent black, no other colour in any pixel of some opacity: no halo.
void ExpectShows(const Picture& shown, const IconImage& image, bool jpeg, bool disc)
{
    SCOPED_TRACE(image.size);
    const int size = image.size;
    const auto [left, top, width, height] = Visible(shown.pixels, shown.width);
    const auto [madeLeft, madeTop, madeWidth, madeHeight] = Visible(image.pixels, size);
    EXPECT_NEAR(std::max(madeWidth, madeHeight), size, 1);
    EXPECT_NEAR(std::min(madeWidth, madeHeight),
                size * std::min(width, height) / double(std::max(width, height)), 1);
    EXPECT_EQ(madeWidth >= madeHeight, width >= height);
    EXPECT_NEAR(madeLeft * 2 + madeWidth, size, 2);
    EXPECT_NEAR(madeTop * 2 + madeHeight, size, 2);
    const double scale = double(width) / madeWidth;
    const int reach = int(2 * std::max(scale, 1.0)) + 1 + (jpeg ? 8 : 0);
    int checked = 0;
    for (int y = madeTop; y < madeTop + madeHeight; ++y)
        for (int x = madeLeft; x < madeLeft + madeWidth; ++x)
        {
            const std::uint32_t pixel = image.pixels[std::size_t(y) * size + x];
            ASSERT_TRUE(!disc || pixel >> 24 < 64 || Gap(pixel | 0xFF000000, 0xFFF0C040) <= 3)
                << "a halo at " << x << "," << y;
            const int sx = left + int((x - madeLeft + 0.5) * scale);
            const int sy = top + int((y - madeTop + 0.5) * scale);
            const std::uint32_t want = shown.pixels[std::size_t(sy) * shown.width + sx];
            bool uniform = true;
            for (int v = std::max(sy - reach, 0); v <= std::min(sy + reach, shown.height - 1); ++v)
                for (int u = std::max(sx - reach, 0); u <= std::min(sx + reach, shown.width - 1);
                     ++u)
                    uniform = uniform && shown.pixels[std::size_t(v) * shown.width + u] == want;
            checked += uniform;
            ASSERT_TRUE(!uniform || Gap(pixel, want) <= (jpeg ? 24 : 3))
                << "at " << x << "," << y << ": " << std::hex << pixel << " for " << want;
        }
    EXPECT_TRUE(checked > 0 || size < 256);
}

const GUID kPng = GUID_ContainerFormatPng, kJpeg = GUID_ContainerFormatJpeg,
           kGif = GUID_ContainerFormatGif, kBgra = GUID_WICPixelFormat32bppBGRA,
           kBgr = GUID_WICPixelFormat24bppBGR, kIndexed = GUID_WICPixelFormat8bppIndexed;
constexpr PictureProblem kFine = PictureProblem::None;
const Case kCases[] = {
    {"opaque", Shape::Quadrants, 40, 40, kPng, kBgra, 1, kFine},
    {"soft_edges_wide_margins", Shape::Disc, 100, 100, kPng, kBgra, 1, kFine},
    {"wide", Shape::Quadrants, 60, 20, kPng, kBgra, 1, kFine},
    {"tall", Shape::Quadrants, 20, 60, kPng, kBgra, 1, kFine},
    {"tiny", Shape::OneColour, 3, 2, kPng, kBgra, 1, kFine},
    {"palette", Shape::Quadrants, 40, 40, kGif, kIndexed, 1, kFine},
    {"grey", Shape::Quadrants, 48, 32, kPng, GUID_WICPixelFormat8bppGray, 1, kFine},
    {"sixteen_bits", Shape::Quadrants, 48, 32, kPng, GUID_WICPixelFormat64bppRGBA, 1, kFine},
    {"cmyk", Shape::Quadrants, 96, 64, kJpeg, GUID_WICPixelFormat32bppCMYK, 1, kFine},
    {"animated", Shape::Quadrants, 40, 40, kGif, kIndexed, -1, kFine},
    {"text", Shape::Text, 0, 0, kPng, kBgra, 1, PictureProblem::NotAPicture},
    {"cut_short", Shape::Cut, 40, 40, kPng, kBgra, 1, PictureProblem::NotAPicture},
    {"noise", Shape::Noise, 256, 256, kPng, kBgra, 1, kFine},
    {"transparent", Shape::Clear, 40, 40, kPng, kBgra, 1, PictureProblem::NoPixels},
    {"empty", Shape::Empty, 0, 0, kPng, kBgra, 1, PictureProblem::NoPixels},
    {"huge", Shape::Huge, 0, 0, kPng, kBgra, 1, PictureProblem::TooLarge},
    {"exif2", Shape::Quadrants, 96, 64, kJpeg, kBgr, 2, kFine},
    {"exif3", Shape::Quadrants, 96, 64, kJpeg, kBgr, 3, kFine},
    {"exif4", Shape::Quadrants, 96, 64, kJpeg, kBgr, 4, kFine},
    {"exif5", Shape::Quadrants, 96, 64, kJpeg, kBgr, 5, kFine},
    {"exif6", Shape::Quadrants, 96, 64, kJpeg, kBgr, 6, kFine},
    {"exif7", Shape::Quadrants, 96, 64, kJpeg, kBgr, 7, kFine},
    {"exif8", Shape::Quadrants, 96, 64, kJpeg, kBgr, 8, kFine},
};

class PictureIconTable : public testing::TestWithParam<std::tuple<Case, PictureDecoder>>
{
};

TEST_P(PictureIconTable, TheIconShowsThePictureWholeInItsColoursAtEverySize)
{
    const auto [row, decoder] = GetParam();
    ApartmentScope apartment;
    const LONG side = row.shape == Shape::Huge ? 20000 : 0;
    const BITMAPINFOHEADER bmp{40, side, side, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    // An APP1 Exif segment with the orientation alone, in either of TIFF's byte orders.
    const bool big = row.orientation % 2 == 0;
    const std::string exif =
        (big ? std::string("\xFF\xE1\0\x22"
                           "Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0",
                           29)
             : std::string("\xFF\xE1\0\x22"
                           "Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0",
                           28)) +
        char(row.orientation) + std::string(big ? 6 : 7, '\0');
    std::vector<Picture> frames = {Draw(row, std::max(row.orientation, 1))};
    if (row.orientation < 0)
        frames.push_back(Draw(row, 1, 0xFF000000));
    std::string bytes = row.shape == Shape::Text ? "A text file, named as a picture.\r\n"
                        : row.shape >= Shape::Huge
                            ? std::string("BM\x36\0\0\0\0\0\0\0\x36\0\0\0", 14) +
                                  std::string(reinterpret_cast<const char*>(&bmp), sizeof bmp)
                            : EncodePicture(row.container, row.format, frames);
    if (bytes.empty())
        GTEST_SKIP() << "this Imaging Component's encoder doesn't write " << row.name;
    bytes.resize(row.shape == Shape::Cut ? bytes.size() / 2 : bytes.size());
    if (row.orientation > 1)
        bytes.insert(2, exif);

    const PictureIcon icon = PictureIconFile(bytes, "picture.png", decoder);
    // GDI+ reads a whole picture when it opens it: a header alone is no picture to it.
    const PictureProblem problem = decoder == PictureDecoder::GdiPlus && row.shape >= Shape::Huge
                                       ? PictureProblem::NotAPicture
                                       : row.problem;
    ASSERT_EQ(int(icon.problem), int(problem));
    ASSERT_EQ(icon.file.empty(), problem != kFine);
    if (problem != kFine)
        return;
    EXPECT_LE(icon.file.size(), kPictureIconFileLimit);
    EXPECT_EQ(ReadMadeIcon(icon.file).recipe, "picture.png");
    const bool noise = row.shape == Shape::Noise;
    std::string directory; // every size, DIBs up to 64 and the 256 as PNG
    for (std::size_t i = 0; i < BYTE(icon.file[4]) && 22 + i * 16 <= icon.file.size(); ++i)
        directory += std::to_string(BYTE(icon.file[6 + i * 16])) +
                     icon.file[*reinterpret_cast<const DWORD*>(&icon.file[18 + i * 16])] + " ";
    EXPECT_EQ(icon.file.substr(0, 6), std::string("\0\0\1\0", 4) + char(noise ? 7 : 8) + '\0');
    // Where the 256 PNG would pass the limit, it is left out: the small ones always fit.
    EXPECT_EQ(directory,
              noise ? "16( 20( 24( 32( 40( 48( 64( " : "16( 20( 24( 32( 40( 48( 64( 0\x89 ");
    TempFolder folder;
    const std::wstring path = folder.WriteFile(L"made.ico", icon.file);
    for (int size : {16, 20, 24, 32, 40, 48, 64, noise ? 64 : 256})
    {
        UniqueHicon loaded(static_cast<HICON>(
            LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
        ASSERT_TRUE(loaded);
        ExpectShows(Draw(row, 1), IconPixels(loaded.get(), size), row.container == kJpeg,
                    row.shape == Shape::Disc);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureIconTable,
    testing::Combine(testing::ValuesIn(kCases),
                     testing::Values(PictureDecoder::System, PictureDecoder::GdiPlus)),
    [](const auto& info) {
        return std::get<0>(info.param).name +
               std::string(std::get<1>(info.param) == PictureDecoder::GdiPlus ? "_gdiplus" : "");
    });
} // namespace
