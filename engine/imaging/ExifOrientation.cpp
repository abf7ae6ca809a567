#include "engine/imaging/ExifOrientation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{
constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kShortType = 3;

// The number of size bytes at the offset, big-endian or little-endian; 0 past the end.
std::uint32_t Number(std::string_view bytes, std::size_t at, int size, bool bigEndian)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size && at < bytes.size() && size <= static_cast<int>(bytes.size() - at);
         ++i)
        value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])}
                 << (8 * (bigEndian ? size - 1 - i : i));
    return value;
}

bool Holds(std::string_view bytes, std::size_t at, const char* what, std::size_t size)
{
    return at <= bytes.size() && size <= bytes.size() - at &&
           std::memcmp(bytes.data() + at, what, size) == 0;
}
} // namespace

int ExifOrientation(std::string_view picture)
{
    // In a JPEG, the TIFF structure follows "Exif\0\0" in an APP1 segment: the segments before
    // the scan are each a marker and a big-endian length that counts itself.
    std::size_t at = 0;
    while (Holds(picture, 0, "\xFF\xD8", 2))
    {
        at += at == 0 ? 2 : 2 + Number(picture, at + 2, 2, true);
        if (at + 10 > picture.size() || picture[at] != '\xFF' || picture[at + 1] == '\xDA')
            return 1;
        if (picture[at + 1] == '\xE1' && Holds(picture, at + 4, "Exif\0", 6))
        {
            picture.remove_prefix(at + 10);
            break;
        }
    }
    const bool big = Holds(picture, 0, "MM\0*", 4);
    if (!big && !Holds(picture, 0, "II*\0", 4))
        return 1;
    // The first image file directory: a count, then entries of tag, type, count and value.
    const std::size_t directory = Number(picture, 4, 4, big);
    const std::uint32_t entries = Number(picture, directory, 2, big);
    for (std::uint32_t i = 0; i < entries && directory + 14 + i * 12 <= picture.size(); ++i)
    {
        const std::size_t entry = directory + 2 + i * 12;
        const std::uint32_t value = Number(picture, entry + 8, 2, big);
        if (Number(picture, entry, 2, big) == kOrientationTag)
            return Number(picture, entry + 2, 2, big) == kShortType && value >= 1 && value <= 8
                       ? static_cast<int>(value)
                       : 1;
    }
    return 1;
}
