#include "engine/imaging/PictureDecode.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <vector>

#include "runtime/UniqueAny.h"

namespace
{
// The first Imaging Component factory, the one XP (with WIC installed), Vista and 7 have.
constexpr GUID kImagingFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kBgra32 = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
constexpr UINT kStripPixels = 1 << 18;
// Longer sides are refused too: a block of the reduction then sums in 32 bits.
constexpr UINT kLongestSide = 65535;

// Copies the rows into pixels as straight BGRA, stride bytes apart.
using ReadRows = bool (*)(void* source, const WICRect& rows, BYTE* pixels);

// Reads the picture a strip of rows at a time, and averages blocks of factor × factor pixels,
// premultiplied, as they come.
DecodedPicture ReadInStrips(UINT width, UINT height, ReadRows read, void* source)
{
    if (width == 0 || height == 0)
        return {PictureProblem::NoPixels, {}};
    if (std::uint64_t{width} * height > kLargestPicture || width > kLongestSide ||
        height > kLongestSide)
        return {PictureProblem::TooLarge, {}};
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    const int factor = (w > h ? w : h) / kReadSide > 1 ? (w > h ? w : h) / kReadSide : 1;
    const int reducedWidth = (w + factor - 1) / factor, reducedHeight = (h + factor - 1) / factor;
    DecodedPicture decoded{
        PictureProblem::None,
        {reducedWidth, reducedHeight,
         std::vector<std::int32_t>(static_cast<std::size_t>(reducedWidth) * reducedHeight * 4)}};
    PremultipliedImage& image = decoded.image;
    const int rows = kStripPixels / width > 1 ? static_cast<int>(kStripPixels / width) : 1;
    std::vector<std::uint32_t> strip(static_cast<std::size_t>(width) * rows);
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(image.width) * 4);
    for (int top = 0; top < h; top += rows)
    {
        const int count = h - top < rows ? h - top : rows;
        if (!read(source, WICRect{0, top, w, count}, reinterpret_cast<BYTE*>(strip.data())))
            return {PictureProblem::NotAPicture, {}};
        for (int y = top; y < top + count; ++y)
        {
            const std::uint32_t* pixel = &strip[static_cast<std::size_t>(y - top) * width];
            for (int x = 0; x < w; ++x, ++pixel)
            {
                std::uint32_t* sum = &sums[static_cast<std::size_t>(x / factor) * 4];
                const std::uint32_t alpha = *pixel >> 24;
                for (int c = 0; c < 3; ++c)
                    sum[c] += (*pixel >> (8 * c) & 0xFF) * alpha;
                sum[3] += alpha * 255;
            }
            const int blockRows = y % factor + 1;
            if (blockRows < factor && y + 1 < h)
                continue;
            std::int32_t* out =
                &image.channels[static_cast<std::size_t>(y / factor) * image.width * 4];
            for (int i = 0; i < image.width * 4; ++i)
            {
                const int across = w - i / 4 * factor < factor ? w - i / 4 * factor : factor;
                const std::uint32_t pixels = static_cast<std::uint32_t>(across * blockRows);
                out[i] = static_cast<std::int32_t>((sums[i] + pixels / 2) / pixels);
                sums[i] = 0;
            }
        }
    }
    return decoded;
}

template <typename Interface> struct Released
{
    Interface* object = nullptr;
    Released() = default;
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    ~Released()
    {
        if (object != nullptr)
            object->Release();
    }
};

// A stream of the picture's own, which the decoder may read while it lives.
bool MemoryStream(std::string_view picture, Released<IStream>& stream)
{
    const LARGE_INTEGER start{};
    return picture.size() <= MAXDWORD &&
           SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.object)) &&
           SUCCEEDED(
               stream.object->Write(picture.data(), static_cast<ULONG>(picture.size()), nullptr)) &&
           SUCCEEDED(stream.object->Seek(start, STREAM_SEEK_SET, nullptr));
}

bool CopyConverted(void* converter, const WICRect& rows, BYTE* pixels)
{
    const UINT stride = static_cast<UINT>(rows.Width) * 4;
    return SUCCEEDED(static_cast<IWICFormatConverter*>(converter)->CopyPixels(
        &rows, stride, stride * rows.Height, pixels));
}

// The Imaging Component's first frame (an animated GIF's first picture), converted to BGRA
// whatever it holds (a palette, grey, 16 bits a channel, CMYK). False where there is no factory.
bool DecodeWithImagingComponent(std::string_view picture, DecodedPicture& decoded)
{
    Released<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(&factory.object))))
        return false;
    Released<IStream> stream;
    Released<IWICBitmapDecoder> decoder;
    Released<IWICBitmapFrameDecode> frame;
    Released<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    decoded.problem = PictureProblem::NotAPicture;
    if (MemoryStream(picture, stream) &&
        SUCCEEDED(factory.object->CreateDecoderFromStream(
            stream.object, nullptr, WICDecodeMetadataCacheOnDemand, &decoder.object)) &&
        SUCCEEDED(decoder.object->GetFrame(0, &frame.object)) &&
        SUCCEEDED(frame.object->GetSize(&width, &height)) &&
        SUCCEEDED(factory.object->CreateFormatConverter(&converter.object)) &&
        SUCCEEDED(converter.object->Initialize(frame.object, kBgra32, WICBitmapDitherTypeNone,
                                               nullptr, 0, WICBitmapPaletteTypeCustom)))
        decoded = ReadInStrips(width, height, &CopyConverted, converter.object);
    return true;
}

// GDI+'s flat API, as gdiplus.dll exports it on every Windows that has it (XP on).
struct GdiplusStartupInput
{
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};
struct GdiplusBitmapData
{
    UINT width, height;
    INT stride;
    INT format;
    void* scan0;
    UINT_PTR reserved;
};
// ImageLockModeRead | ImageLockModeUserInputBuf: the rows go straight into the strip.
constexpr UINT kGdiplusLockIntoBuffer = 1 | 4;
constexpr INT kGdiplusArgb32 = 0x0026200A; // PixelFormat32bppARGB
enum GdiplusFunction
{
    kStartup,
    kShutdown,
    kCreateBitmap,
    kWidth,
    kHeight,
    kLock,
    kUnlock,
    kDispose,
    kGdiplusFunctions
};
constexpr const char* kGdiplusNames[kGdiplusFunctions] = {
    "GdiplusStartup",     "GdiplusShutdown",    "GdipCreateBitmapFromStream", "GdipGetImageWidth",
    "GdipGetImageHeight", "GdipBitmapLockBits", "GdipBitmapUnlockBits",       "GdipDisposeImage"};

template <typename Function> Function As(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

struct GdiplusBitmap
{
    FARPROC* functions;
    void* bitmap;
};

bool CopyLocked(void* source, const WICRect& rows, BYTE* pixels)
{
    const auto* gdiplus = static_cast<GdiplusBitmap*>(source);
    GdiplusBitmapData data{static_cast<UINT>(rows.Width),
                           static_cast<UINT>(rows.Height),
                           rows.Width * 4,
                           kGdiplusArgb32,
                           pixels,
                           0};
    using Lock = int(WINAPI*)(void*, const WICRect*, UINT, INT, GdiplusBitmapData*);
    using Unlock = int(WINAPI*)(void*, GdiplusBitmapData*);
    return As<Lock>(gdiplus->functions[kLock])(gdiplus->bitmap, &rows, kGdiplusLockIntoBuffer,
                                               kGdiplusArgb32, &data) == 0 &&
           As<Unlock>(gdiplus->functions[kUnlock])(gdiplus->bitmap, &data) == 0;
}

using UniqueModule = UniqueAny<handle_traits::NullInvalid<HMODULE, &::FreeLibrary>>;

DecodedPicture DecodeWithGdiplus(std::string_view picture)
{
    // From the system folder only, so that no DLL of that name beside the exe is loaded.
    constexpr wchar_t kName[] = L"\\gdiplus.dll";
    constexpr UINT kNameLength = sizeof kName / sizeof kName[0];
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH - kNameLength);
    DecodedPicture decoded{PictureProblem::NotAPicture, {}};
    if (length == 0 || length >= MAX_PATH - kNameLength)
        return decoded;
    for (UINT i = 0; i < kNameLength; ++i)
        path[length + i] = kName[i];
    const UniqueModule module(LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    FARPROC functions[kGdiplusFunctions] = {};
    for (int i = 0; i < kGdiplusFunctions; ++i)
        if (!module || (functions[i] = GetProcAddress(module.get(), kGdiplusNames[i])) == nullptr)
            return decoded;
    const GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (As<int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*)>(functions[kStartup])(
            &token, &input, nullptr) != 0)
        return decoded;
    Released<IStream> stream;
    GdiplusBitmap bitmap{functions, nullptr};
    UINT width = 0, height = 0;
    using Size = int(WINAPI*)(void*, UINT*);
    if (MemoryStream(picture, stream) &&
        As<int(WINAPI*)(IStream*, void**)>(functions[kCreateBitmap])(stream.object,
                                                                     &bitmap.bitmap) == 0 &&
        As<Size>(functions[kWidth])(bitmap.bitmap, &width) == 0 &&
        As<Size>(functions[kHeight])(bitmap.bitmap, &height) == 0)
        decoded = ReadInStrips(width, height, &CopyLocked, &bitmap);
    if (bitmap.bitmap != nullptr)
        As<int(WINAPI*)(void*)>(functions[kDispose])(bitmap.bitmap);
    As<void(WINAPI*)(ULONG_PTR)>(functions[kShutdown])(token);
    return decoded;
}
} // namespace

DecodedPicture DecodePicture(std::string_view picture, PictureDecoder decoder)
{
    DecodedPicture decoded;
    if (decoder == PictureDecoder::System && DecodeWithImagingComponent(picture, decoded))
        return decoded;
    return DecodeWithGdiplus(picture);
}
