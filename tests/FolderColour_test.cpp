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
#include <string>
#include <thread>
#include <tuple>

#include "engine/FolderColour.h"
#include "engine/FolderIcon.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/IconImages.h"
#include "engine/imaging/Recolour.h"
#include "engine/IconMessages.h"
#include "engine/IniText.h"
#include "runtime/DecimalText.h"
#include "runtime/UniqueAny.h"
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
    return EarlierColourFileBytes(colour);
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

// Applies and removals in a generated order, against a model of which colour file the folder
// should hold: exactly the one its desktop.ini names, hidden and system, beside a file of a
// colour's name that Tessaline didn't write, which is never touched and refuses that colour.
TEST(FolderColour, AFolderHoldsOnlyTheColourFileItsDesktopIniNames)
{
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"Coloured");
    const std::wstring plain = temp.WriteFile(L"plain.ico", ColouredFolderIconFile(kColours[0]));
    const std::wstring foreign = ColourFileName(kColours[5]);
    temp.WriteFile(L"Coloured\\" + foreign, "someone's");
    temp.WriteFile(L"Coloured\\notes.txt", "mine");
    std::wstring expected; // the colour file that the folder should hold
    unsigned seed = 7;
    for (int step = 0; step < 60; ++step)
    {
        seed = seed * 1103515245 + 12345;
        const unsigned pick = (seed >> 16) % (std::size(kColours) + 2);
        const FolderText text = FolderText::FromOutside(folder);
        IconResult result;
        if (pick < std::size(kColours))
        {
            // Any case: the colour's file is one name.
            std::wstring colour = ColourText(kColours[pick]);
            if (step % 2)
                CharLowerW(&colour[0]);
            result = ApplyFolderIcon(text, colour);
            if (ColourFileName(kColours[pick]) == foreign)
                ASSERT_EQ(result.status, IconStatus::ColourFileTaken) << step;
            else
                expected = ColourFileName(kColours[pick]);
        }
        else if (pick == std::size(kColours))
            result = ApplyFolderIcon(text, plain), expected.clear();
        else
            result = RemoveFolderIcon(text), expected.clear();
        if (result.status != IconStatus::ColourFileTaken)
        {
            ASSERT_EQ(result.status, IconStatus::Ok) << step << " " << pick;
        }

        std::vector<std::wstring> found;
        WIN32_FIND_DATAW entry{};
        HANDLE search = FindFirstFileW((folder + L"\\Tessaline-colour-*").c_str(), &entry);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry))
            if (foreign != entry.cFileName)
            {
                found.push_back(entry.cFileName);
                EXPECT_EQ(entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                          static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
            }
        FindClose(search);
        ASSERT_EQ(found, expected.empty() ? std::vector<std::wstring>()
                                          : std::vector<std::wstring>{expected})
            << step;
        wchar_t named[MAX_PATH] = {};
        GetPrivateProfileStringW(L".ShellClassInfo", L"IconResource", L"", named, MAX_PATH,
                                 (folder + L"\\desktop.ini").c_str());
        if (!expected.empty())
        {
            ASSERT_EQ(std::wstring(named), expected + L",0") << step;
        }
        ASSERT_EQ(ReadFileBytes(folder + L"\\" + foreign), "someone's");
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
    // drops marks, made by the release before the recipe or on another Windows, whose folder icon
    // differs: the same colour takes it up as it is, with Tessaline's marks, and a removal deletes
    // it. Another recipe, none, or one byte off is someone else's.
    TempFolder temp;
    const COLORREF colour = RGB(0x12, 0x34, 0x56);
    const std::string made = ColouredFolderIconFile(colour), earlier = EarlierColourFile(colour);
    const std::vector<IconImage> otherWindows{{16, std::vector<std::uint32_t>(256, 0xFF204060)}};
    const std::string other = IconFileBytes(otherWindows, "#123456");
    std::string oneOff = earlier;
    oneOff.back() ^= 1;
    const std::tuple<std::string, DWORD, bool> cases[] = {
        {made, kColourFileMarks, true},
        {made, 0, true},
        {earlier, kColourFileMarks, true},
        {earlier, 0, true},
        {other, 0, true},
        {IconFileBytes(otherWindows, "#654321"), kColourFileMarks, false},
        {other.substr(0, ReadMadeIcon(other).imagesEnd), 0, false},
        {oneOff, kColourFileMarks, false},
        {made.substr(0, ReadMadeIcon(made).imagesEnd), 0, false}, // no release wrote it
    };
    // A pixel of the earlier files, as those releases coloured it.
    EXPECT_EQ(EarlierRecolourPixel(0x80336699, RGB(0x12, 0x34, 0x56)), 0x802366A9u);
    for (const auto& [bytes, marks, tessalines] : cases)
    {
        const std::wstring name = L"F" + DecimalText(&bytes - &std::get<0>(cases[0]));
        const FolderText text = FolderText::FromOutside(temp.MakeFolder(name));
        const std::wstring file = temp.WriteFile(name + L"\\" + ColourFileName(colour), bytes);
        SetFileAttributesW(file.c_str(), marks != 0 ? marks : FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ApplyFolderIcon(text, L"#123456").status,
                  tessalines ? IconStatus::Ok : IconStatus::ColourFileTaken)
            << name;
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
    // "/apply C:\a\Tessaline-colour-FF0000.ico C:\b": b gets a colour file of its own, named
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
}
