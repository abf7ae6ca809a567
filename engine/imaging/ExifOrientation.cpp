#include "engine/imaging/ExifOrientation.h"

#include <cstddef>
#include <cstdint>

namespace
{
constexpr int kAsStored = 1;
constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kShortType = 3;

// The number of that many bytes at the offset, in the file's byte order; 0 past the end.
std::uint32_t Number(std::string_view bytes, std::size_t at, int size, bool bigEndian)
{
    if (at > bytes.size() || static_cast<std::size_t>(size) > bytes.size() - at)
        return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
    {
        const std::uint32_t byte = static_cast<unsigned char>(bytes[at + i]);
        value |= bigEndian ? byte << (8 * (size - 1 - i)) : byte << (8 * i);
    }
    return value;
}

// The orientation in the first image file directory of a TIFF structure.
int TiffOrientation(std::string_view tiff)
{
    const bool bigEndian = tiff.substr(0, 4) == std::string_view("MM\0*", 4);
    if (!bigEndian && tiff.substr(0, 4) != std::string_view("II*\0", 4))
        return kAsStored;
    const std::size_t directory = Number(tiff, 4, 4, bigEndian);
    const std::uint32_t entries = Number(tiff, directory, 2, bigEndian);
    for (std::uint32_t i = 0; i < entries; ++i)
    {
        const std::size_t entry = directory + 2 + i * 12;
        if (entry + 12 > tiff.size())
            break;
        if (Number(tiff, entry, 2, bigEndian) != kOrientationTag)
            continue;
        const std::uint32_t value = Number(tiff, entry + 8, 2, bigEndian);
        return Number(tiff, entry + 2, 2, bigEndian) == kShortType && value >= 1 && value <= 8
                   ? static_cast<int>(value)
                   : kAsStored;
    }
    return kAsStored;
}
} // namespace

int ExifOrientation(std::string_view picture)
{
    if (picture.substr(0, 2) != "\xFF\xD8")
        return TiffOrientation(picture);
    // The JPEG's segments up to the scan: each a marker and a big-endian length that counts itself.
    std::size_t at = 2;
    while (at + 4 <= picture.size() && picture[at] == '\xFF')
    {
        const unsigned char marker = static_cast<unsigned char>(picture[at + 1]);
        if (marker == 0xFF) // fill before a marker
        {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // the scan, or the end
            break;
        const std::size_t length = Number(picture, at + 2, 2, true);
        const std::string_view segment = picture.substr(at + 4, length >= 2 ? length - 2 : 0);
        if (marker == 0xE1 && segment.substr(0, 6) == std::string_view("Exif\0\0", 6))
            return TiffOrientation(segment.substr(6));
        at += 2 + length;
    }
    return kAsStored;
}
