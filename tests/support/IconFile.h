#pragma once
// A minimal .ico file in memory: one 32 × 32 image, 32 bits per pixel, every pixel one opaque
// colour, so that a test can tell exactly which pixels an icon covers.

#include <windows.h>

#include <string>

inline std::string SolidIconFile(COLORREF color)
{
    const int size = 32;
    std::string ico;
    auto put16 = [&](unsigned v) {
        ico.push_back(static_cast<char>(v & 0xFF));
        ico.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    auto put32 = [&](unsigned v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const unsigned pixels = size * size * 4, mask = size * 4;
    const unsigned imageBytes = 40 + pixels + mask;
    put16(0), put16(1), put16(1); // reserved, icon, one image
    ico.push_back(static_cast<char>(size)), ico.push_back(static_cast<char>(size));
    ico.push_back(0), ico.push_back(0);
    put16(1), put16(32), put32(imageBytes), put32(6 + 16);
    put32(40), put32(size), put32(size * 2), put16(1), put16(32), put32(0), put32(pixels);
    put32(0), put32(0), put32(0), put32(0);
    for (int i = 0; i < size * size; ++i)
    {
        ico.push_back(static_cast<char>(GetBValue(color)));
        ico.push_back(static_cast<char>(GetGValue(color)));
        ico.push_back(static_cast<char>(GetRValue(color)));
        ico.push_back(static_cast<char>(0xFF));
    }
    ico.append(mask, '\0');
    return ico;
}

// A small picture as a BMP file, every pixel one colour: another colour is another picture.
inline std::string SolidBmpFile(COLORREF colour)
{
    const int side = 8; // rows of 24 bytes, no padding
    BITMAPFILEHEADER file{0x4D42, 54 + side * side * 3, 0, 0, 54};
    BITMAPINFOHEADER info{sizeof info, side, side, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int i = 0; i < side * side; ++i)
        bytes += {char(GetBValue(colour)), char(GetGValue(colour)), char(GetRValue(colour))};
    return bytes;
}
