#include "engine/imaging/IconImages.h"

#include <algorithm>
#include <cstring>

#include "runtime/UniqueAny.h"

namespace
{
using UniqueModule = UniqueAny<handle_traits::NullInvalid<HMODULE, &::FreeLibrary>>;

// One line of an icon group resource (GRPICONDIRENTRY): as in an .ico file, but the image is
// named by its RT_ICON resource id instead of an offset.
#pragma pack(push, 2)
struct GroupEntry
{
    BYTE width; // 0 stands for 256
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
constexpr size_t kGroupHeader = 6; // reserved, type, count
constexpr int kLargest = 256;
constexpr DWORD kIconFormatVersion = 0x00030000; // what CreateIconFromResourceEx requires

struct Bytes
{
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Bytes ResourceBytes(HMODULE module, HRSRC resource)
{
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const BYTE* data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return data != nullptr ? Bytes{data, SizeofResource(module, resource)} : Bytes{};
}

struct GroupSearch
{
    int remaining;
    HRSRC found;
};

// Counts the icon groups in the order ExtractIconEx numbers them, and stops at the one wanted.
BOOL CALLBACK FindNthGroup(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param)
{
    auto* search = reinterpret_cast<GroupSearch*>(param);
    if (search->remaining-- > 0)
        return TRUE;
    search->found = FindResourceW(module, name, type);
    return FALSE;
}

HRSRC FindGroup(HMODULE module, int index)
{
    if (index < 0)
        return FindResourceW(module, MAKEINTRESOURCEW(-index), RT_GROUP_ICON);
    GroupSearch search{index, nullptr};
    EnumResourceNamesW(module, RT_GROUP_ICON, &FindNthGroup, reinterpret_cast<LONG_PTR>(&search));
    return search.found;
}

// Adds the icon's pixels at that size, when it has them, and destroys the icon.
void AddImage(std::vector<IconImage>& images, HICON icon, int size)
{
    UniqueHicon owned(icon);
    IconImage image = owned ? IconPixels(icon, size) : IconImage{};
    if (!image.pixels.empty())
        images.push_back(std::move(image));
}

std::vector<IconImage> ReadGroup(HMODULE module, HRSRC groupResource)
{
    std::vector<IconImage> images;
    const Bytes group = ResourceBytes(module, groupResource);
    if (group.size < kGroupHeader)
        return images;
    WORD count = 0;
    std::memcpy(&count, group.data + 4, sizeof count);
    count =
        static_cast<WORD>(std::min<DWORD>(count, (group.size - kGroupHeader) / sizeof(GroupEntry)));
    const auto* entries = reinterpret_cast<const GroupEntry*>(group.data + kGroupHeader);
    for (WORD i = 0; i < count; ++i)
    {
        // At each size, the first image with the most bits per pixel.
        const GroupEntry entry = entries[i];
        bool best = entry.width == entry.height;
        for (WORD other = 0; other < count && best; ++other)
            best = entries[other].width != entry.width ||
                   entries[other].bitCount < entry.bitCount ||
                   (entries[other].bitCount == entry.bitCount && other >= i);
        Bytes bits =
            best ? ResourceBytes(module, FindResourceW(module, MAKEINTRESOURCEW(entry.id), RT_ICON))
                 : Bytes{};
        if (bits.data == nullptr)
            continue;
        // The system decodes the image (a DIB, or PNG on Vista and later) at exactly its size.
        const int size = entry.width == 0 ? kLargest : entry.width;
        AddImage(images,
                 CreateIconFromResourceEx(const_cast<BYTE*>(bits.data), bits.size, TRUE,
                                          kIconFormatVersion, size, size, LR_DEFAULTCOLOR),
                 size);
    }
    return images;
}

std::vector<IconImage> ExtractStandardSizes(const IconLocation& location)
{
    std::vector<IconImage> images;
    for (int size : {16, 32, 48, kLargest})
    {
        HICON icon = nullptr;
        if (PrivateExtractIconsW(location.path.c_str(), location.index, size, size, &icon, nullptr,
                                 1, LR_DEFAULTCOLOR) == 1)
            AddImage(images, icon, size);
    }
    return images;
}
} // namespace

IconImage IconPixels(HICON icon, int size)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return {};
    UniqueHbitmap colour(info.hbmColor);
    UniqueHbitmap mask(info.hbmMask);
    if (!colour) // a black-and-white icon: nothing to colour
        return {};
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    auto readTopDown = [&](HBITMAP bitmap, std::vector<std::uint32_t>& pixels) {
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = size;
        format.bmiHeader.biHeight = -size;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        return GetDIBits(dc.get(), bitmap, 0, size, pixels.data(), &format, DIB_RGB_COLORS) == size;
    };
    const std::size_t count = static_cast<std::size_t>(size) * size;
    IconImage image{size, std::vector<std::uint32_t>(count)};
    if (!readTopDown(colour.get(), image.pixels))
        return {};
    const bool hasAlpha = std::any_of(image.pixels.begin(), image.pixels.end(),
                                      [](std::uint32_t pixel) { return (pixel >> 24) != 0; });
    if (hasAlpha)
        return image;
    // An icon of fewer than 32 bits: the mask is white where the image is transparent.
    std::vector<std::uint32_t> maskPixels(count);
    if (!readTopDown(mask.get(), maskPixels))
        return {};
    for (std::size_t i = 0; i < count; ++i)
        image.pixels[i] = (maskPixels[i] & 0xFFFFFF) != 0 ? 0 : image.pixels[i] | 0xFF000000;
    return image;
}

std::vector<IconImage> ReadIconImages(const IconLocation& location)
{
    UniqueModule module(LoadLibraryExW(location.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    HRSRC group = module ? FindGroup(module.get(), location.index) : nullptr;
    return group != nullptr ? ReadGroup(module.get(), group) : ExtractStandardSizes(location);
}
