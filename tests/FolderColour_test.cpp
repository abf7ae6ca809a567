// Coloured folders: the colour text, and the .ico file made from the system's folder icon, read
// back with the system's own icon functions and measured in CIELAB against the colour.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <tuple>

#include "engine/FolderColour.h"
#include "engine/FolderIcon.h"
#include "engine/FolderPicture.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/IconImages.h"
#include "engine/imaging/Recolour.h"
#include "engine/IconMessages.h"
#include "engine/IniText.h"
#include "runtime/DecimalText.h"
#include "runtime/UniqueAny.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/TempFolder.h"

namespace
{
std::uint32_t Pixel(COLORREF colour)
{
    return GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

// CIELAB (D65) of an sRGB pixel (0x..RRGGBB), and CIEDE2000 (Sharma, Wu and Dalal 2005).
using Lab = std::array<double, 3>;
Lab CieLab(std::uint32_t pixel)
{
    auto linear = [&](int shift) {
        const double c = (pixel >> shift & 0xFF) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double r = linear(16), g = linear(8), b = linear(0);
    auto f = [](double t) {
        return t > 216 / 24389. ? std::cbrt(t) : (24389 / 27. * t + 16) / 116;
    };
    const double fy = f(0.2126729 * r + 0.7151522 * g + 0.0721750 * b);
    return {116 * fy - 16,
            500 * (f((0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047) - fy),
            200 * (fy - f((0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883))};
}

double DeltaE(const Lab& x, const Lab& y)
{
    const double deg = 3.14159265358979323846 / 180;
    auto g = [](double c) { return 0.5 - 0.5 * std::sqrt(1 / (1 + std::pow(25 / c, 7))); };
    const double gain = 1 + g((std::hypot(x[1], x[2]) + std::hypot(y[1], y[2])) / 2);
    const double c1 = std::hypot(gain * x[1], x[2]), c2 = std::hypot(gain * y[1], y[2]);
    auto hue = [&](const Lab& v) {
        return std::fmod(std::atan2(v[2], gain * v[1]) / deg + 360, 360);
    };
    const double h1 = hue(x), h2 = hue(y), dh = std::remainder(h2 - h1, 360);
    const double h = c1 * c2 == 0 ? h1 + h2 : std::fmod(h1 + dh / 2 + 360, 360);
    const double l = (x[0] + y[0]) / 2 - 50, c = (c1 + c2) / 2;
    const double t = 1 - 0.17 * std::cos((h - 30) * deg) + 0.24 * std::cos(2 * h * deg) +
                     0.32 * std::cos((3 * h + 6) * deg) - 0.20 * std::cos((4 * h - 63) * deg);
    const double rt = -std::sin(60 * std::exp(-std::pow((h - 275) / 25, 2)) * deg) * (2 - 4 * g(c));
    const double dl = (y[0] - x[0]) / (1 + 0.015 * l * l / std::sqrt(20 + l * l));
    const double dc = (c2 - c1) / (1 + 0.045 * c);
    const double dH = 2 * std::sqrt(c1 * c2) * std::sin(dh / 2 * deg) / (1 + 0.015 * c * t);
    return std::sqrt(dl * dl + dc * dc + dH * dH + rt * dc * dH);
}

// The median of L*, a* and b* each, over the pixels at those places.
Lab MedianLab(const std::vector<std::uint32_t>& pixels, const std::vector<size_t>& places)
{
    Lab median;
    for (int i = 0; i < 3; ++i)
    {
        std::vector<double> values;
        for (size_t place : places)
            values.push_back(CieLab(pixels[place])[i]);
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        median[i] = values[values.size() / 2];
    }
    return median;
}

// The pixels as the system reads the file at exactly that size: the colour, or the mask.
std::vector<std::uint32_t> LoadedPixels(const std::wstring& file, int size, bool mask = false)
{
    UniqueHicon icon(static_cast<HICON>(
        LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon.get(), &info))
        return {};
    UniqueHbitmap colourBitmap(info.hbmColor), maskBitmap(info.hbmMask);
    BITMAPINFO format{{sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::vector<std::uint32_t> pixels(static_cast<size_t>(size) * size);
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    GetDIBits(dc.get(), mask ? maskBitmap.get() : colourBitmap.get(), 0, size, pixels.data(),
              &format, DIB_RGB_COLORS);
    return pixels;
}

// Each image of the file as its directory lists it: size, bits per pixel, bytes.
std::vector<std::tuple<int, int, std::string>> Directory(const std::string& file)
{
    auto read = [&](size_t at, size_t bytes) {
        std::uint32_t value = 0;
        std::memcpy(&value, file.data() + at, bytes);
        return value;
    };
    std::vector<std::tuple<int, int, std::string>> entries;
    for (size_t at = 6; at < 6 + 16 * read(4, 2); at += 16)
        entries.emplace_back(read(at, 1) == 0 ? 256 : read(at, 1), read(at + 6, 2),
                             file.substr(read(at + 12, 4), read(at + 8, 4)));
    return entries;
}

bool IsPng(const std::string& image)
{
    return image.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0;
}

constexpr DWORD kColourFileMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

DWORD Marks(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_READONLY | kColourFileMarks);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The colour's file as the release before the made icon's trailer wrote it: the images alone.
std::string EarlierColourFile(COLORREF colour)
{
    std::vector<IconImage> images = ReadIconImages(SystemFolderIcon());
    for (IconImage& image : images)
        for (std::uint32_t& pixel : image.pixels)
            pixel = EarlierRecolourPixel(pixel, colour);
    const std::string file = IconFileBytes(images, "x");
    return file.substr(0, ReadMadeIcon(file).imagesEnd);
}

// Grey, black, white, a very dark and a very light colour, pure red, green and blue, mid orange.
const COLORREF kColours[] = {RGB(0x80, 0x80, 0x80), RGB(0x00, 0x00, 0x00), RGB(0xFF, 0xFF, 0xFF),
                             RGB(0x14, 0x06, 0x28), RGB(0xF0, 0xFF, 0xF4), RGB(0xFF, 0x00, 0x00),
                             RGB(0x00, 0xFF, 0x00), RGB(0x00, 0x00, 0xFF), RGB(0xFF, 0x88, 0x00)};
} // namespace

TEST(FolderColour, ColourTextIsExactlyHashAndSixHexDigits)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"#ff8800", L"#FF8800"}, {L"#FF8800", L"#FF8800"}, {L"#0aF9b1", L"#0AF9B1"},
        {L"FF8800", nullptr},     {L"0ff8800", nullptr},    {L"#F80", nullptr},
        {L"#ff880", nullptr},     {L"#ff88000", nullptr},   {L"#gg0000", nullptr},
        {L" #ff8800", nullptr},   {L"#ff8800 ", nullptr},   {L"", nullptr}};
    for (const auto& [text, canonical] : cases)
    {
        COLORREF colour = 0x12345678; // untouched by a refusal
        EXPECT_EQ(ParseColourText(text, &colour), canonical != nullptr) << text;
        EXPECT_EQ(canonical ? ColourText(colour) : DecimalText(colour),
                  canonical ? canonical : DecimalText(0x12345678))
            << text;
    }
    COLORREF colour = 0;
    ASSERT_TRUE(ParseColourText(L"#FF8800", &colour));
    EXPECT_EQ(colour, RGB(0xFF, 0x88, 0x00));
}

TEST(FolderColour, TheFoldersFaceIsTheColourAndItsShadingStays)
{
    // Rows 1 and 17 of Sharma's published test data.
    EXPECT_NEAR(DeltaE({50, 2.6772, -79.7751}, {50, 0, -82.7485}), 2.0425, 1e-4);
    EXPECT_NEAR(DeltaE({50, 2.5, 0}, {73, 25, -18}), 27.1492, 1e-4);
    // The folder menu's nine, then dark, light, grey, saturated and pastel ones, then the cube's.
    std::vector<std::uint32_t> colours = {
        0xD9433B, 0xEE8A2A, 0xE8C21F, 0x43A047, 0x1E9E98, 0x3A7BD5, 0x8E4EC6, 0xD9508F, 0x8A8F98,
        0x000000, 0x000001, 0x010101, 0x140628, 0x000080, 0x800000, 0x808000, 0x202020, 0xFFFFFF,
        0xF0FFF4, 0xFFFACD, 0xE0E0E0, 0x808080, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFD1DC, 0xC7CEEA};
    for (unsigned seed = 5; colours.size() < 45;)
        colours.push_back((seed = seed * 1103515245 + 12345) >> 8 & 0xFFFFFF);
    TempFolder temp;
    for (const IconImage& source : ReadIconImages(SystemFolderIcon()))
    {
        // Found without the program: the face (opaque, within 10 of their median), edges (20
        // darker).
        std::vector<size_t> opaque, face, edge;
        for (size_t p = 0; p < source.pixels.size(); ++p)
            if (source.pixels[p] >> 24 == 0xFF)
                opaque.push_back(p);
        const Lab middle = MedianLab(source.pixels, opaque);
        for (size_t p : opaque)
            if (const Lab lab = CieLab(source.pixels[p]); lab[0] <= middle[0] - 20)
                edge.push_back(p);
            else if (DeltaE(lab, middle) <= 10)
                face.push_back(p);
        ASSERT_TRUE(face.size() > opaque.size() / 4 && !edge.empty()) << source.size;
        std::vector<Lab> faces;
        for (size_t i = 0; i < colours.size() && (source.size == 48 || source.size == 256); ++i)
        {
            const std::uint32_t rgb = colours[i],
                                colour = RGB(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF);
            const std::wstring path = temp.WriteFile(L"f.ico", ColouredFolderIconFile(colour));
            const auto loaded = LoadedPixels(path, source.size);
            faces.push_back(MedianLab(loaded, face));
            const double error = DeltaE(faces[i], CieLab(rgb));
            EXPECT_LE(error, 10) << ColourText(colour) << " at " << source.size;
            std::printf("%06X at %d: %.2f\n", rgb, source.size, error);
            if (rgb != 0 && rgb != 0xFFFFFF)
                continue;
            // Pressed together, not clipped: the shape shows; no black or white where none was.
            EXPECT_GE(std::abs(faces[i][0] - MedianLab(loaded, edge)[0]), 5) << rgb;
            for (size_t p : opaque)
                ASSERT_FALSE((loaded[p] & 0xFFFFFF) == rgb && (source.pixels[p] & 0xFFFFFF) != rgb);
        }
        // Black, the blue and the grey next to it give nearly the same folder.
        EXPECT_TRUE(faces.empty() ||
                    (DeltaE(faces[9], faces[10]) <= 2 && DeltaE(faces[9], faces[11]) <= 2));
    }
}

TEST(FolderColour, TheFileHoldsTheSystemFolderIconInTheColour)
{
    // The icon the shell itself gives a folder: Wine 8's stock icon function answers with the
    // document icon for every kind, so this is what tells the folder icon apart.
    TempFolder temp;
    SHFILEINFOW shown{};
    ASSERT_NE(SHGetFileInfoW(temp.Path().c_str(), 0, &shown, sizeof shown, SHGFI_ICONLOCATION), 0u);
    const std::vector<IconImage> source = ReadIconImages(SystemFolderIcon());
    const std::vector<IconImage> folder = ReadIconImages({shown.szDisplayName, shown.iIcon});
    ASSERT_EQ(source.size(), folder.size());
    std::vector<int> sizes;
    for (size_t i = 0; i < source.size(); ++i)
    {
        sizes.push_back(source[i].size);
        EXPECT_EQ(source[i].pixels, folder[i].pixels) << source[i].size;
        // The image with alpha, not one of those of fewer colours beside it, with a mask alone.
        EXPECT_TRUE(std::any_of(source[i].pixels.begin(), source[i].pixels.end(),
                                [](std::uint32_t pixel) { return (pixel >> 24) % 255 != 0; }));
    }
    // Wine 8's shell32 folder icon: 256 as PNG; 48, 32 and 16 each at 32, 8 and 4 bits.
    EXPECT_EQ(sizes, (std::vector<int>{256, 48, 32, 16}));

    for (COLORREF colour : kColours)
    {
        SCOPED_TRACE(ColourText(colour));
        const std::string file = ColouredFolderIconFile(colour);
        EXPECT_LT(file.size(), 128u * 1024);
        const std::wstring path = temp.WriteFile(ColourText(colour) + L".ico", file);
        const auto entries = Directory(file);
        ASSERT_EQ(entries.size(), source.size());
        for (size_t i = 0; i < source.size(); ++i)
        {
            const int size = source[i].size;
            EXPECT_EQ(entries[i], std::make_tuple(size, 32, std::get<2>(entries[i])));
            EXPECT_EQ(IsPng(std::get<2>(entries[i])), size == 256);
            const auto loaded = LoadedPixels(path, size), mask = LoadedPixels(path, size, true);
            ASSERT_EQ(loaded.size(), source[i].pixels.size());
            IconImage made = source[i];
            RecolourImage(made, colour);
            std::string why;
            for (size_t p = 0; p < loaded.size() && why.empty(); ++p)
            {
                // Where the source is transparent, what the loader keeps of the colour is moot.
                const std::uint32_t from = source[i].pixels[p], to = loaded[p];
                const auto [low, high] = std::minmax({to >> 16 & 0xFF, to >> 8 & 0xFF, to & 0xFF});
                why = (to ^ from) >> 24                                              ? "alpha"
                      : from >> 24 && to != made.pixels[p]                           ? "not as made"
                      : from >> 24 && Pixel(colour) % 0x10101 == 0 && high - low > 1 ? "not grey"
                                                                                     : "";
                if (why.empty() && size < 256 && (mask[p] != 0) != (from >> 24 < 0x80))
                    why = "mask";
            }
            EXPECT_EQ(why, "") << size;
        }
        // The trailer holds the recipe, and the system reads the file as it reads it without:
        // LoadImageW above, PrivateExtractIconsW (ReadIconImages) and ExtractIconExW here.
        const std::wstring text = ColourText(colour);
        EXPECT_EQ(ReadMadeIcon(file).recipe, std::string(text.begin(), text.end()));
        const std::wstring bare =
            temp.WriteFile(text + L"bare.ico", file.substr(0, ReadMadeIcon(file).imagesEnd));
        EXPECT_EQ(ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0), 1u);
        const auto read = ReadIconImages({path, 0}), readBare = ReadIconImages({bare, 0});
        ASSERT_EQ(read.size(), 4u);
        for (size_t i = 0; i < read.size() && i < readBare.size(); ++i)
            EXPECT_EQ(read[i].pixels, readBare[i].pixels) << read[i].size;
    }
}

TEST(FolderColour, ImagesAboveFortyEightArePngAndTheFileStaysUnderItsLimit)
{
    // Smooth shades at every size a folder icon has on some Windows: all as DIBs they would pass
    // the limit.
    std::vector<IconImage> images;
    for (int size : {16, 24, 32, 48, 64, 96, 128, 256})
    {
        images.push_back({size, {}});
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                images.back().pixels.push_back(0xFF000040 | (x * 255 / size) << 16 |
                                               (y * 255 / size) << 8);
    }
    const std::string file = IconFileBytes(images, "shades");
    EXPECT_LT(file.size(), kIconFileLimit);
    const auto entries = Directory(file);
    ASSERT_EQ(entries.size(), images.size());
    for (size_t i = 0; i < images.size(); ++i)
        EXPECT_EQ(std::make_pair(std::get<0>(entries[i]), IsPng(std::get<2>(entries[i]))),
                  std::make_pair(images[i].size, images[i].size > 48));
    // An .ico file has no icon directory for ReadIconImages: the system extracts its sizes.
    TempFolder temp;
    std::vector<int> sizes;
    for (const IconImage& image : ReadIconImages({temp.WriteFile(L"shades.ico", file), 0}))
    {
        sizes.push_back(image.size);
        EXPECT_TRUE(std::any_of(images.begin(), images.end(), [&](const IconImage& made) {
            return made.size == image.size && made.pixels == image.pixels;
        })) << image.size;
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
}

TEST(FolderColour, AnIconWithoutAlphaTakesItFromItsMask)
{
    // 16 × 16 without alpha; the mask (rows of 16 bits) is white, transparent, on the right half.
    const std::vector<std::uint32_t> colour(16 * 16, 0x336699);
    const std::vector<WORD> mask(16, 0xFF00);
    UniqueHbitmap colourBitmap(CreateBitmap(16, 16, 1, 32, colour.data()));
    UniqueHbitmap maskBitmap(CreateBitmap(16, 16, 1, 1, mask.data()));
    ICONINFO info{TRUE, 0, 0, maskBitmap.get(), colourBitmap.get()};
    UniqueHicon icon(CreateIconIndirect(&info));
    const IconImage image = IconPixels(icon.get(), 16);
    ASSERT_EQ(image.pixels.size(), colour.size());
    for (int i = 0; i < 16 * 16; ++i)
        ASSERT_EQ(image.pixels[i], i % 16 < 8 ? 0xFF336699 : 0) << i;
}

TEST(FolderColour, AnIconIsFoundByIndexAndByResourceId)
{
    for (int i = 0; i < kLibraryIcons; ++i)
        for (int index : {i, -(kLibraryFirstResourceId + i)})
        {
            const std::vector<IconImage> images = ReadIconImages({IconLibraryPath(), index});
            ASSERT_EQ(images.size(), 1u) << index;
            EXPECT_EQ(images[0].size, 32);
            EXPECT_EQ(images[0].pixels,
                      std::vector<std::uint32_t>(32 * 32, 0xFF000000 | Pixel(kLibraryColours[i])))
                << index;
        }
}

std::wstring IconResource(const std::wstring& folder)
{
    wchar_t named[MAX_PATH] = {};
    GetPrivateProfileStringW(L".ShellClassInfo", L"IconResource", L"", named, MAX_PATH,
                             (folder + L"\\desktop.ini").c_str());
    return named;
}

// Applies and removals of colours and pictures in a generated order, against a model of which
// made file the folder should hold: exactly the one its desktop.ini names, hidden and system, one
// name for one picture's bytes and a new one for an edited picture, beside files of a colour's
// and a picture's name that Tessaline didn't write, which are never touched and refuse theirs. A
// folder coloured by the release before the new colour names keeps its file until the next change.
TEST(FolderColour, AFolderHoldsOnlyTheMadeFileItsDesktopIniNames)
{
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"Coloured");
    const FolderText text = FolderText::FromOutside(folder);
    const std::wstring plain = temp.WriteFile(L"plain.ico", ColouredFolderIconFile(kColours[0]));
    const std::wstring picture = temp / L"\u0444\u043e\u0442\u043e.bmp"; // "photo" in Russian
    const std::wstring taken = temp.WriteFile(L"taken.bmp", SolidBmpFile(RGB(1, 2, 3)));
    const FolderText elsewhere = FolderText::FromOutside(temp.MakeFolder(L"Elsewhere"));
    ASSERT_EQ(ApplyFolderIcon(elsewhere, taken).status, IconStatus::Ok);
    const std::wstring foreign[] = {ColourFileName(kColours[5]),
                                    IconResource(elsewhere.Path()).substr(0, 30)};
    ASSERT_TRUE(IsPictureFileName(foreign[1])) << foreign[1];
    for (const std::wstring& name : foreign)
        temp.WriteFile(L"Coloured\\" + name, "someone's");
    temp.WriteFile(L"Coloured\\notes.txt", "mine");
    std::wstring expected; // the made file that the folder should hold
    std::map<std::string, std::wstring> pictureNames;
    std::string pictureBytes = SolidBmpFile(RGB(9, 9, 9));
    unsigned seed = 7;
    for (int step = 0; step < 90; ++step)
    {
        seed = seed * 1103515245 + 12345;
        const unsigned pick = (seed >> 16) % (std::size(kColours) + 6);
        const unsigned other = pick - std::size(kColours);
        IconResult result;
        bool unmarked = false;
        if (pick < std::size(kColours) || other == 5)
        {
            // Any case: the colour's file is one name.
            const COLORREF colour = kColours[other == 5 ? step % 5 : pick];
            std::wstring colourText = ColourText(colour);
            if (step % 2)
                CharLowerW(&colourText[0]);
            result = ApplyFolderIcon(text, colourText);
            if (ColourFileName(colour) == foreign[0])
                ASSERT_EQ(result.status, IconStatus::MadeFileTaken) << step;
            else
                expected = ColourFileName(colour);
            if (other == 5 && result.status == IconStatus::Ok)
            {
                // As the release before wrote it: the name of the first look, with its recipe, or
                // without it from before the recipe and copied without its marks.
                expected = L"Tessaline-colour-" + ColourText(colour).substr(1) + L".ico";
                const std::wstring ini = folder + L"\\desktop.ini", old = folder + L"\\" + expected;
                ASSERT_TRUE(
                    MoveFileW((folder + L"\\" + ColourFileName(colour)).c_str(), old.c_str()));
                std::string bytes = ReadFileBytes(ini);
                for (size_t at; (at = bytes.find("colour2-")) != std::string::npos;)
                    bytes.erase(at + 6, 1);
                SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
                temp.WriteFile(L"Coloured\\desktop.ini", bytes);
                SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY | kColourFileMarks);
                if ((unmarked = step % 2 != 0))
                {
                    SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_NORMAL);
                    temp.WriteFile(L"Coloured\\" + expected, EarlierColourFile(colour));
                }
            }
        }
        else if (other == 0)
            result = ApplyFolderIcon(text, plain), expected.clear();
        else if (other == 1)
            result = RemoveFolderIcon(text), expected.clear();
        else if (other == 4)
            ASSERT_EQ(ApplyFolderIcon(text, taken).status, IconStatus::MadeFileTaken) << step;
        else
        {
            // The picture as it is, or edited since; named with its index or without.
            if (other == 3)
                pictureBytes = SolidBmpFile(RGB(step, 255 - step, 7));
            SetFileAttributesW(picture.c_str(), FILE_ATTRIBUTE_NORMAL);
            temp.WriteFile(picture.substr(temp.Path().size() + 1), pictureBytes);
            result = ApplyFolderIcon(text, step % 2 ? picture + L",0" : picture);
            expected = IconResource(folder).substr(0, 30);
            ASSERT_TRUE(IsPictureFileName(expected)) << step;
            auto [known, added] = pictureNames.emplace(pictureBytes, expected);
            ASSERT_EQ(known->second, expected) << step << ": one picture, one name";
            for (const auto& [bytes, name] : pictureNames)
                ASSERT_TRUE(bytes == pictureBytes || name != expected) << step;
            // The picture isn't needed afterwards: the folder's own file holds the icon, and its
            // recipe says what it was made of.
            EXPECT_EQ(ExtractIconExW((folder + L"\\" + expected).c_str(), -1, nullptr, nullptr, 0),
                      1u);
            EXPECT_EQ(ReadMadeIcon(ReadFileBytes(folder + L"\\" + expected)).recipe,
                      "picture " + std::string(expected.begin() + 18, expected.begin() + 26) +
                          " \xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.bmp");
        }
        if (result.status != IconStatus::MadeFileTaken)
        {
            ASSERT_EQ(result.status, IconStatus::Ok) << step << " " << pick;
        }

        std::vector<std::wstring> found;
        WIN32_FIND_DATAW entry{};
        HANDLE search = FindFirstFileW((folder + L"\\Tessaline-*").c_str(), &entry);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry))
            if (foreign[0] != entry.cFileName && foreign[1] != entry.cFileName)
            {
                found.push_back(entry.cFileName);
                EXPECT_EQ(entry.dwFileAttributes & kColourFileMarks,
                          unmarked ? 0 : kColourFileMarks)
                    << step;
            }
        FindClose(search);
        ASSERT_EQ(found, expected.empty() ? std::vector<std::wstring>()
                                          : std::vector<std::wstring>{expected})
            << step << " " << pick;
        if (!expected.empty())
        {
            ASSERT_EQ(IconResource(folder), expected + L",0") << step;
        }
        for (const std::wstring& name : foreign)
            ASSERT_EQ(ReadFileBytes(folder + L"\\" + name), "someone's");
        ASSERT_EQ(ReadFileBytes(folder + L"\\notes.txt"), "mine");
    }

    // A failed apply leaves no colour file: here the desktop.ini would pass its limit.
    RemoveFolderIcon(FolderText::FromOutside(folder));
    const std::string full = "[x]\r\n" + std::string(kMaxIniBytes - 40, 'a') + "\r\n";
    temp.WriteFile(L"Coloured\\desktop.ini", full);
    EXPECT_EQ(ApplyFolderIcon(FolderText::FromOutside(folder), L"#123456").status,
              IconStatus::IniTooLarge);
    EXPECT_EQ(GetFileAttributesW((folder + L"\\" + ColourFileName(RGB(0x12, 0x34, 0x56))).c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(folder + L"\\desktop.ini"), full);
}

TEST(FolderColour, AFileThatAnEditedDesktopIniNamesIsDeletedOnlyWithTessalinesMarks)
{
    // Someone rewrote the names in Tessaline's lines to a file of their own that has a colour
    // file's name: neither the next apply nor a removal deletes it.
    TempFolder temp;
    const std::wstring mine = ColourFileName(RGB(0x00, 0xFF, 0x00));
    for (bool remove : {false, true})
    {
        const std::wstring name = remove ? L"Removed" : L"Applied";
        const std::wstring folder = temp.MakeFolder(name);
        const FolderText text = FolderText::FromOutside(folder);
        ASSERT_EQ(ApplyFolderIcon(text, L"#FF0000").status, IconStatus::Ok);
        const std::wstring ini = folder + L"\\desktop.ini";
        std::string bytes = ReadFileBytes(ini);
        for (size_t at; (at = bytes.find("FF0000")) != std::string::npos;)
            bytes.replace(at, 6, "00FF00");
        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        temp.WriteFile(name + L"\\desktop.ini", bytes);
        temp.WriteFile(name + L"\\" + mine, "mine");
        const IconResult result =
            remove ? RemoveFolderIcon(text) : ApplyFolderIcon(text, L"#0000FF");
        EXPECT_EQ(result.status, IconStatus::Ok) << remove;
        EXPECT_EQ(ReadFileBytes(folder + L"\\" + mine), "mine") << remove;
    }
}

TEST(FolderColour, AColourFileThatTessalineMadeIsTakenUpWithItsMarks)
{
    // Left in the folder by Tessaline (its desktop.ini deleted by hand), copied by a tool that
    // drops marks, or made on another Windows, whose folder icon differs: the same colour takes it
    // up as it is, with Tessaline's marks, and a removal deletes it. A file of the first look's
    // name, as the releases before the recipe or today's wrote it, goes at the next apply. Another
    // recipe, none, or one byte off is someone else's.
    TempFolder temp;
    const COLORREF colour = RGB(0x12, 0x34, 0x56);
    const std::string made = ColouredFolderIconFile(colour), earlier = EarlierColourFile(colour);
    const std::vector<IconImage> otherWindows{{16, std::vector<std::uint32_t>(256, 0xFF204060)}};
    const std::string other = IconFileBytes(otherWindows, "#123456");
    std::string oneOff = earlier;
    oneOff.back() ^= 1;
    const std::wstring firstLook = L"Tessaline-colour-123456.ico";
    const std::tuple<std::string, DWORD, bool, bool> cases[] = {
        {made, kColourFileMarks, true, false},
        {made, 0, true, false},
        {other, 0, true, false},
        {IconFileBytes(otherWindows, "#654321"), kColourFileMarks, false, false},
        {other.substr(0, ReadMadeIcon(other).imagesEnd), 0, false, false},
        {earlier, kColourFileMarks, true, true},
        {earlier, 0, false, true}, // unmarked and named by nothing: not known as Tessaline's
        {oneOff, kColourFileMarks, false, true},
    };
    // A pixel of the earlier files, as those releases coloured it.
    EXPECT_EQ(EarlierRecolourPixel(0x80336699, RGB(0x12, 0x34, 0x56)), 0x802366A9u);
    for (const auto& [bytes, marks, tessalines, old] : cases)
    {
        const std::wstring name = L"F" + DecimalText(&bytes - &std::get<0>(cases[0]));
        const FolderText text = FolderText::FromOutside(temp.MakeFolder(name));
        const std::wstring file =
            temp.WriteFile(name + L"\\" + (old ? firstLook : ColourFileName(colour)), bytes);
        SetFileAttributesW(file.c_str(), marks != 0 ? marks : FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ApplyFolderIcon(text, L"#123456").status,
                  tessalines || old ? IconStatus::Ok : IconStatus::MadeFileTaken)
            << name;
        if (old)
        {
            EXPECT_EQ(Exists(file), !tessalines) << name << ": gone at the next apply";
            continue;
        }
        EXPECT_TRUE(ReadFileBytes(file) == bytes) << name << ": never replaced";
        EXPECT_EQ(Marks(file), tessalines ? kColourFileMarks : marks) << name;
        EXPECT_EQ(RemoveFolderIcon(text).status, IconStatus::Ok);
        EXPECT_EQ(Exists(file), !tessalines) << name;
    }
}

TEST(FolderColour, AColourFileHeldOpenGoesWhenFreeOrIsToldOfAndGoesLater)
{
    // An indexer or a scanner holds the last colour's file without delete sharing: for a moment,
    // and it goes; all through, and it stays, is named in the result, and goes at the next apply
    // or removal, although no desktop.ini names it any more.
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"Held");
    const FolderText text = FolderText::FromOutside(folder);
    const auto path = [&](int grey) {
        return folder + L"\\" + ColourFileName(RGB(grey, grey, grey));
    };
    const auto open = [&](int grey) {
        return CreateFileW(path(grey).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    };
    ASSERT_EQ(ApplyFolderIcon(text, L"#010101").status, IconStatus::Ok);
    UniqueFile held(open(1));
    std::thread release([&] { Sleep(300), held.reset(); });
    const IconResult moment = ApplyFolderIcon(text, L"#020202");
    release.join();
    held.reset(open(2));
    const IconResult applied = ApplyFolderIcon(text, L"#030303");
    held.reset(open(3));
    const IconResult removed = RemoveFolderIcon(text);
    held.reset();
    EXPECT_TRUE(moment.leftFiles.empty());
    EXPECT_FALSE(Exists(path(1)));
    EXPECT_EQ(applied.status, IconStatus::Ok);
    EXPECT_EQ(applied.leftFiles, std::vector<std::wstring>{path(2)});
    EXPECT_EQ(ApplyMessage(applied, L"").text, L"Success change icon\n\n" + LeftFileLine(path(2)));
    EXPECT_FALSE(Exists(path(2))) << "the removal deletes what the apply left";
    EXPECT_EQ(removed.leftFiles, std::vector<std::wstring>{path(3)});
    EXPECT_EQ(RemoveMessage(removed, L"")->text, LeftFileLine(path(3)));
    EXPECT_TRUE(RemoveFolderIcon(text).leftFiles.empty());
    EXPECT_FALSE(Exists(path(3))) << "a removal without desktop.ini deletes it too";
}

TEST(FolderColour, TessalinesLinesNameTheColourFileAsWindowsReadsThem)
{
    // Someone rewrote the names in Tessaline's lines to other spellings of the folder's colour
    // file (one of the release before the recipe, so that only the name tells): the next apply
    // and a removal delete it. Another folder's, named by its path, stays.
    TempFolder temp;
    const std::wstring other = temp.MakeFolder(L"Other");
    const std::wstring name = ColourFileName(RGB(0xFF, 0x00, 0x00));
    for (size_t row = 0; row < 14; ++row)
    {
        const std::wstring folder = temp.MakeFolder(L"F" + DecimalText(row));
        const std::wstring mine = folder + L"\\" + name, theirs = other + L"\\" + name;
        for (const std::wstring& file : {mine, theirs})
        {
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            temp.WriteFile(file.substr(temp.Path().size() + 1), EarlierColourFile(RGB(255, 0, 0)));
            SetFileAttributesW(file.c_str(), kColourFileMarks);
        }
        wchar_t shortFile[MAX_PATH] = {};
        GetShortPathNameW(mine.c_str(), shortFile, MAX_PATH);
        std::wstring upper = mine;
        CharUpperW(&upper[0]);
        const std::pair<std::wstring, bool> spellings[] = {
            {mine, true},
            {upper, true},
            {shortFile, true},
            {L"\\\\?\\" + mine, true},
            {L".\\" + name + L". .", true},
            {folder + L"\\..\\Other\\" + name, false},
            {theirs, false}};
        const auto& [value, own] = spellings[row / 2];
        const std::string spelt(value.begin(), value.end());
        temp.WriteFile(L"F" + DecimalText(row) + L"\\desktop.ini",
                       "[.ShellClassInfo]\r\n;for Windows 7/8/8.1\r\nIconResource=" + spelt +
                           ",0\r\nIconFile=" + spelt + "\r\n; TESL (Tessaline) 1.0.0\r\n");
        const FolderText text = FolderText::FromOutside(folder);
        const IconResult result =
            row % 2 ? RemoveFolderIcon(text) : ApplyFolderIcon(text, L"#0000FF");
        EXPECT_EQ(result.status, IconStatus::Ok) << value;
        EXPECT_EQ(Exists(mine), !own) << value << (row % 2 ? " removed" : " applied");
        EXPECT_TRUE(Exists(theirs)) << value;
    }
}

TEST(FolderColour, AFolderTooDeepForTheColourFilesNameIsRefusedUntouched)
{
    // Windows keeps a folder path short enough for "\desktop.ini" (kMaxPathLength), not for the
    // colour file's longer name: past MAX_PATH neither Windows nor its shell opens it.
    TempFolder temp;
    const size_t fits = MAX_PATH - 2 - ColourFileName(0).size(); // the backslash, the NUL
    for (size_t length : {fits, fits + 1, size_t{kMaxPathLength}})
    {
        const std::wstring deep =
            temp.Path() + L"\\" + std::wstring(length - temp.Path().size() - 1, L'd');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
        const IconResult result = ApplyFolderIcon(FolderText::FromOutside(deep), L"#ABCDEF");
        WIN32_FIND_DATAW entry{};
        const HANDLE search = FindFirstFileW((deep + L"\\*.ic*").c_str(), &entry);
        const bool found = search != INVALID_HANDLE_VALUE;
        if (found)
            FindClose(search);
        if (length == fits)
        {
            EXPECT_EQ(result.status, IconStatus::Ok);
            EXPECT_TRUE(found);
            RemoveFolderIcon(FolderText::FromOutside(deep));
            continue;
        }
        EXPECT_EQ(result.status, IconStatus::WriteFailed) << length;
        EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
        EXPECT_FALSE(found);
        EXPECT_EQ(GetFileAttributesW((deep + L"\\desktop.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(FolderColour, AnotherFoldersColourFileGivesThisFolderItsOwn)
{
    // "/apply C:\a\Tessaline-colour2-FF0000.ico C:\b": b gets a colour file of its own, named
    // without a path, and keeps it when a's colour changes, however the path is spelt.
    TempFolder temp;
    const std::wstring a = temp.MakeFolder(L"a");
    ASSERT_EQ(ApplyFolderIcon(FolderText::FromOutside(a), L"#FF0000").status, IconStatus::Ok);
    const std::wstring name = ColourFileName(RGB(0xFF, 0x00, 0x00)), file = a + L"\\" + name;
    wchar_t shortFile[MAX_PATH] = {};
    GetShortPathNameW(file.c_str(), shortFile, MAX_PATH);
    const std::wstring texts[] = {file, shortFile, file + L".", file + L" ,0 ", L"..\\a\\" + name};
    std::vector<std::wstring> others;
    for (const std::wstring& text : texts)
    {
        const std::wstring b = temp.MakeFolder(L"b" + DecimalText(others.size()));
        others.push_back(b + L"\\" + name);
        EXPECT_EQ(ApplyFolderIcon(FolderText::FromOutside(b), text).status, IconStatus::Ok);
        wchar_t named[MAX_PATH] = {};
        GetPrivateProfileStringW(L".ShellClassInfo", L"IconResource", L"", named, MAX_PATH,
                                 (b + L"\\desktop.ini").c_str());
        EXPECT_EQ(named, name + L",0") << text;
    }
    ASSERT_EQ(ApplyFolderIcon(FolderText::FromOutside(a), L"#00FF00").status, IconStatus::Ok);
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::wstring& other : others)
        EXPECT_TRUE(ReadFileBytes(other) == ColouredFolderIconFile(RGB(0xFF, 0x00, 0x00))) << other;

    // So for a picture's file: c gets a copy of a's, which stays when a's icon changes.
    const std::wstring photo = temp.WriteFile(L"photo.bmp", SolidBmpFile(RGB(0, 0, 255)));
    ASSERT_EQ(ApplyFolderIcon(FolderText::FromOutside(a), photo).status, IconStatus::Ok);
    const std::wstring picture = IconResource(a).substr(0, 30);
    const std::string made = ReadFileBytes(a + L"\\" + picture);
    const std::wstring c = temp.MakeFolder(L"c");
    ASSERT_EQ(ApplyFolderIcon(FolderText::FromOutside(c), a + L"\\" + picture).status,
              IconStatus::Ok);
    EXPECT_EQ(IconResource(c), picture + L",0");
    ASSERT_EQ(ApplyFolderIcon(FolderText::FromOutside(a), L"#00FF00").status, IconStatus::Ok);
    EXPECT_FALSE(Exists(a + L"\\" + picture));
    EXPECT_TRUE(!made.empty() && ReadFileBytes(c + L"\\" + picture) == made);
}
