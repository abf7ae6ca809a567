#include "engine/imaging/IconFileWriter.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstring>

#include "engine/ComApartment.h"

namespace
{
// The first Imaging Component factory, the one XP (with WIC installed), Vista and 7 have.
constexpr GUID kImagingFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kPngContainer = {
    0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
constexpr GUID kBgra32 = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};

constexpr int kLargest = 256;
// The made icon's trailer ends in these: the recipe's length (one byte), then the magic.
constexpr std::string_view kMadeIconMagic = "TESLmade";
constexpr std::size_t kMadeIconTail = 1 + kMadeIconMagic.size();

// ICONDIR and ICONDIRENTRY, as the file holds them (Windows is little-endian throughout).
#pragma pack(push, 2)
struct DirectoryHeader
{
    WORD reserved, type, count;
};
struct DirectoryEntry
{
    BYTE width, height, colourCount, reserved; // 0 for 256
    WORD planes, bitCount;
    DWORD bytes, offset;
};
#pragma pack(pop)

template <typename Record> void AppendRecord(std::string& bytes, const Record& record)
{
    bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
}

// BITMAPINFOHEADER with the height of colour and mask together, the colour rows bottom-up, then
// the AND mask rows bottom-up, each padded to 32 bits.
std::string DibBytes(const IconImage& image)
{
    const std::size_t size = static_cast<std::size_t>(image.size);
    const std::size_t rowBytes = size * 4, maskRow = (size + 31) / 32 * 4;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = image.size;
    header.biHeight = image.size * 2;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>((rowBytes + maskRow) * size);
    std::string bytes(sizeof header + header.biSizeImage, '\0');
    std::memcpy(&bytes[0], &header, sizeof header);
    char* colour = &bytes[sizeof header];
    char* mask = colour + rowBytes * size;
    for (std::size_t row = 0; row < size; ++row)
    {
        const std::size_t flipped = size - 1 - row;
        std::memcpy(colour + flipped * rowBytes, &image.pixels[row * size], rowBytes);
        // Where the image is drawn without its alpha, a pixel shows when it is at least half
        // opaque.
        for (std::size_t x = 0; x < size; ++x)
            if ((image.pixels[row * size + x] >> 24) < 0x80)
                mask[flipped * maskRow + x / 8] |= static_cast<char>(0x80 >> (x % 8));
    }
    return bytes;
}

// The encoder's objects, released together.
struct PngEncoder
{
    IWICImagingFactory* factory = nullptr;
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    PngEncoder() = default;
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;
    ~PngEncoder()
    {
        for (IUnknown* object : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(encoder),
                                 static_cast<IUnknown*>(stream), static_cast<IUnknown*>(factory)})
            if (object != nullptr)
                object->Release();
    }
};

// Printable ASCII, or the bytes of UTF-8's other characters (a picture's file name): no control
// characters.
bool IsRecipe(std::string_view recipe)
{
    return !recipe.empty() && recipe.size() <= kLargestRecipe &&
           std::all_of(recipe.begin(), recipe.end(), [](char c) {
               const unsigned char byte = static_cast<unsigned char>(c);
               return byte >= ' ' && byte != 0x7F;
           });
}
} // namespace

std::string PngBytes(const IconImage& image)
{
    PngEncoder com;
    WICPixelFormatGUID format = kBgra32;
    const UINT size = static_cast<UINT>(image.size), stride = size * 4;
    STATSTG status{};
    HGLOBAL memory = nullptr;
    const bool encoded =
        SUCCEEDED(CoCreateInstance(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IWICImagingFactory),
                                   reinterpret_cast<void**>(&com.factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &com.stream)) &&
        SUCCEEDED(com.factory->CreateEncoder(kPngContainer, nullptr, &com.encoder)) &&
        SUCCEEDED(com.encoder->Initialize(com.stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(com.encoder->CreateNewFrame(&com.frame, nullptr)) &&
        SUCCEEDED(com.frame->Initialize(nullptr)) && SUCCEEDED(com.frame->SetSize(size, size)) &&
        SUCCEEDED(com.frame->SetPixelFormat(&format)) && format == kBgra32 &&
        SUCCEEDED(com.frame->WritePixels(
            size, stride, stride * size,
            reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(image.pixels.data())))) &&
        SUCCEEDED(com.frame->Commit()) && SUCCEEDED(com.encoder->Commit()) &&
        // The stream's memory may be larger than what was written: its length is what counts.
        SUCCEEDED(com.stream->Stat(&status, STATFLAG_NONAME)) &&
        SUCCEEDED(GetHGlobalFromStream(com.stream, &memory));
    const char* data = encoded ? static_cast<const char*>(GlobalLock(memory)) : nullptr;
    if (data == nullptr)
        return {};
    std::string bytes(data, status.cbSize.LowPart);
    GlobalUnlock(memory);
    return bytes;
}

std::string IconFileBytes(const std::vector<IconImage>& images, std::string_view recipe,
                          std::size_t limit, int largestDib)
{
    if (!IsRecipe(recipe))
        return {};
    ApartmentScope apartment; // the PNG encoder is a COM object
    // The directory's offsets count from the first image until the directory's size is known.
    std::string directory, data;
    WORD count = 0;
    for (const IconImage& image : images)
    {
        const int size = image.size;
        if (size <= 0 || size > kLargest ||
            image.pixels.size() != static_cast<std::size_t>(size) * size)
            continue;
        // XP reads DIBs; larger ones are PNG, which keeps the file
        // small, or left out where there is no encoder.
        const std::string bytes = size > largestDib ? PngBytes(image) : DibBytes(image);
        if (bytes.empty())
            continue;
        const BYTE side = static_cast<BYTE>(size); // 256 is written as 0
        AppendRecord(directory,
                     DirectoryEntry{side, side, 0, 0, 1, 32, static_cast<DWORD>(bytes.size()),
                                    static_cast<DWORD>(data.size())});
        data += bytes;
        ++count;
    }
    const DWORD start = static_cast<DWORD>(sizeof(DirectoryHeader) + directory.size());
    data.append(recipe.data(), recipe.size());
    data += static_cast<char>(recipe.size());
    data.append(kMadeIconMagic.data(), kMadeIconMagic.size());
    if (count == 0 || start + data.size() >= limit)
        return {};
    for (WORD i = 0; i < count; ++i)
    {
        char* offset = &directory[i * sizeof(DirectoryEntry) + offsetof(DirectoryEntry, offset)];
        DWORD value = 0;
        std::memcpy(&value, offset, sizeof value);
        value += start;
        std::memcpy(offset, &value, sizeof value);
    }
    std::string file;
    AppendRecord(file, DirectoryHeader{0, 1, count}); // an icon, not a cursor
    return file + directory + data;
}

std::string_view IconFileImage(const std::string& file, int size)
{
    DirectoryHeader header{};
    if (file.size() < sizeof header)
        return {};
    std::memcpy(&header, file.data(), sizeof header);
    DirectoryEntry best{};
    int bestSide = 0;
    for (size_t i = 0; i < header.count; ++i)
    {
        const size_t at = sizeof header + i * sizeof(DirectoryEntry);
        if (at + sizeof(DirectoryEntry) > file.size())
            break;
        DirectoryEntry entry{};
        std::memcpy(&entry, file.data() + at, sizeof entry);
        const int side = entry.width == 0 ? kLargest : entry.width;
        if (bestSide == 0 || (side >= size && (bestSide < size || side < bestSide)) ||
            (bestSide < size && side > bestSide))
        {
            best = entry;
            bestSide = side;
        }
    }
    if (bestSide == 0 || best.offset > file.size() || best.bytes > file.size() - best.offset)
        return {};
    return std::string_view(file).substr(best.offset, best.bytes);
}

MadeIcon ReadMadeIcon(std::string_view file)
{
    DirectoryHeader header{};
    if (file.size() < sizeof header + kMadeIconTail ||
        file.substr(file.size() - kMadeIconMagic.size()) != kMadeIconMagic)
        return {};
    std::memcpy(&header, file.data(), sizeof header);
    // In 64 bits: two offsets of 32 bits may pass 4 GB together.
    std::uint64_t imagesEnd = sizeof header + std::uint64_t{header.count} * sizeof(DirectoryEntry);
    for (std::size_t i = 0; i < header.count && imagesEnd <= file.size(); ++i)
    {
        DirectoryEntry entry{};
        std::memcpy(&entry, file.data() + sizeof header + i * sizeof entry, sizeof entry);
        imagesEnd = std::max(imagesEnd, std::uint64_t{entry.offset} + entry.bytes);
    }
    const std::size_t length = static_cast<unsigned char>(file[file.size() - kMadeIconTail]);
    const std::string_view withRecipe = file.substr(0, file.size() - kMadeIconTail);
    if (header.reserved != 0 || header.type != 1 || header.count == 0 ||
        imagesEnd + length != withRecipe.size())
        return {};
    const std::size_t end = static_cast<std::size_t>(imagesEnd);
    const std::string_view recipe = withRecipe.substr(end);
    return IsRecipe(recipe) ? MadeIcon{std::string(recipe), end} : MadeIcon{};
}
