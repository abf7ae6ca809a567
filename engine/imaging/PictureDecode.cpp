#include "engine/imaging/PictureDecode.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/UniqueAny.h"

namespace
{
// The first Imaging Component factory, the one XP (with WIC installed), Vista and 7 have.
constexpr GUID kImagingFactory = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kBgra32 = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f}};
constexpr std::size_t kStripBytes = 1 << 20;
// Longer sides are refused too: a block of the reduction then sums in 32 bits.
constexpr UINT kLongestSide = 65535;

// Averages rows of straight BGRA pixels into blocks of factor × factor, premultiplied.
class Reducer
{
  public:
    Reducer(UINT width, UINT height)
        : m_width(static_cast<int>(width)), m_height(static_cast<int>(height))
    {
        const int side = m_width > m_height ? m_width : m_height;
        m_factor = side / kReadSide > 1 ? side / kReadSide : 1;
        m_image.width = (m_width + m_factor - 1) / m_factor;
        m_image.height = (m_height + m_factor - 1) / m_factor;
        m_image.channels.resize(static_cast<std::size_t>(m_image.width) * m_image.height * 4);
        m_sums.resize(static_cast<std::size_t>(m_image.width) * 4);
    }

    void AddRow(const BYTE* bgra)
    {
        for (int x = 0; x < m_width; ++x, bgra += 4)
        {
            std::uint32_t* sum = &m_sums[static_cast<std::size_t>(x / m_factor) * 4];
            const std::uint32_t alpha = bgra[3];
            for (int c = 0; c < 3; ++c)
                sum[c] += bgra[c] * alpha;
            sum[3] += alpha * 255;
        }
        const int blockRow = m_row % m_factor;
        if (++m_row < m_height && blockRow + 1 < m_factor)
            return;
        std::uint16_t* out =
            &m_image.channels[static_cast<std::size_t>((m_row - 1) / m_factor) * m_image.width * 4];
        for (int x = 0; x < m_image.width; ++x)
        {
            const int across =
                m_width - x * m_factor < m_factor ? m_width - x * m_factor : m_factor;
            const std::uint32_t count = static_cast<std::uint32_t>(across) * (blockRow + 1);
            for (int c = 0; c < 4; ++c)
                out[x * 4 + c] =
                    static_cast<std::uint16_t>((m_sums[x * 4 + c] + count / 2) / count);
        }
        std::fill(m_sums.begin(), m_sums.end(), 0);
    }

    PremultipliedImage Take() { return std::move(m_image); }

  private:
    int m_width, m_height, m_factor = 1, m_row = 0;
    PremultipliedImage m_image;
    std::vector<std::uint32_t> m_sums;
};

// Reads the picture's rows through read(top, count, pixels, stride), a strip at a time.
template <typename ReadRows> DecodedPicture ReadInStrips(UINT width, UINT height, ReadRows read)
{
    if (width == 0 || height == 0)
        return {PictureProblem::NoPixels, {}};
    if (std::uint64_t{width} * height > kLargestPicture || width > kLongestSide ||
        height > kLongestSide)
        return {PictureProblem::TooLarge, {}};
    const UINT stride = width * 4;
    const UINT rows = kStripBytes / stride > 1 ? static_cast<UINT>(kStripBytes / stride) : 1;
    std::vector<BYTE> strip(static_cast<std::size_t>(stride) * rows);
    Reducer reducer(width, height);
    for (UINT top = 0; top < height; top += rows)
    {
        const UINT count = height - top < rows ? height - top : rows;
        if (!read(top, count, strip.data(), stride))
            return {PictureProblem::NotAPicture, {}};
        for (UINT row = 0; row < count; ++row)
            reducer.AddRow(&strip[static_cast<std::size_t>(row) * stride]);
    }
    return {PictureProblem::None, reducer.Take()};
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
    Interface** operator&() { return &object; }
    Interface* operator->() const { return object; }
};

// The Imaging Component's first frame (an animated GIF's first picture), converted to BGRA
// whatever it holds (a palette, grey, 16 bits a channel, CMYK). False where there is no factory.
bool DecodeWithImagingComponent(std::string_view picture, DecodedPicture& decoded)
{
    Released<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory), reinterpret_cast<void**>(&factory))))
        return false;
    Released<IWICStream> stream;
    Released<IWICBitmapDecoder> decoder;
    Released<IWICBitmapFrameDecode> frame;
    Released<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    decoded.problem = PictureProblem::NotAPicture;
    if (picture.size() > MAXDWORD || FAILED(factory->CreateStream(&stream)) ||
        FAILED(
            stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(picture.data())),
                                         static_cast<DWORD>(picture.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.object, nullptr,
                                                WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) ||
        FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.object, kBgra32, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)))
        return true;
    decoded = ReadInStrips(width, height, [&](UINT top, UINT count, BYTE* pixels, UINT stride) {
        const WICRect rows{0, static_cast<INT>(top), static_cast<INT>(width),
                           static_cast<INT>(count)};
        return SUCCEEDED(converter->CopyPixels(&rows, stride, stride * count, pixels));
    });
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
struct GdiplusRect
{
    INT x, y, width, height;
};
struct GdiplusBitmapData
{
    UINT width, height;
    INT stride;
    INT format;
    void* scan0;
    UINT_PTR reserved;
};
constexpr INT kGdiplusArgb32 = 0x0026200A; // PixelFormat32bppARGB
constexpr UINT kGdiplusLockRead = 1;       // ImageLockModeRead
using GdiplusStartupFunction = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFunction = void(WINAPI*)(ULONG_PTR);
using CreateBitmapFunction = int(WINAPI*)(IStream*, void**);
using ImageSizeFunction = int(WINAPI*)(void*, UINT*);
using LockBitsFunction = int(WINAPI*)(void*, const GdiplusRect*, UINT, INT, GdiplusBitmapData*);
using UnlockBitsFunction = int(WINAPI*)(void*, GdiplusBitmapData*);
using DisposeImageFunction = int(WINAPI*)(void*);

using UniqueModule = UniqueAny<handle_traits::NullInvalid<HMODULE, &::FreeLibrary>>;

template <typename Function> Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// From the system folder only, so that no DLL of that name beside the exe is loaded.
UniqueModule LoadGdiplus()
{
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH - 13);
    if (length == 0 || length >= MAX_PATH - 13)
        return UniqueModule();
    std::memcpy(path + length, L"\\gdiplus.dll", 13 * sizeof(wchar_t));
    return UniqueModule(LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

DecodedPicture DecodeWithGdiplus(std::string_view picture)
{
    const UniqueModule gdiplus = LoadGdiplus();
    const HMODULE module = gdiplus.get();
    const auto startup = Export<GdiplusStartupFunction>(module, "GdiplusStartup");
    const auto shutdown = Export<GdiplusShutdownFunction>(module, "GdiplusShutdown");
    const auto create = Export<CreateBitmapFunction>(module, "GdipCreateBitmapFromStream");
    const auto getWidth = Export<ImageSizeFunction>(module, "GdipGetImageWidth");
    const auto getHeight = Export<ImageSizeFunction>(module, "GdipGetImageHeight");
    const auto lock = Export<LockBitsFunction>(module, "GdipBitmapLockBits");
    const auto unlock = Export<UnlockBitsFunction>(module, "GdipBitmapUnlockBits");
    const auto dispose = Export<DisposeImageFunction>(module, "GdipDisposeImage");
    DecodedPicture decoded{PictureProblem::NotAPicture, {}};
    const GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (!startup || !shutdown || !create || !getWidth || !getHeight || !lock || !unlock ||
        !dispose || picture.size() > MAXDWORD || startup(&token, &input, nullptr) != 0)
        return decoded;
    // GDI+ reads the stream while the bitmap lives: it gets its own copy of the bytes.
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, picture.size());
    void* bytes = memory != nullptr ? GlobalLock(memory) : nullptr;
    Released<IStream> stream;
    if (bytes != nullptr)
    {
        std::memcpy(bytes, picture.data(), picture.size());
        GlobalUnlock(memory);
    }
    if (bytes == nullptr || FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)))
        GlobalFree(memory);
    void* bitmap = nullptr;
    UINT width = 0, height = 0;
    if (stream.object != nullptr && create(stream.object, &bitmap) == 0 &&
        getWidth(bitmap, &width) == 0 && getHeight(bitmap, &height) == 0)
        decoded = ReadInStrips(width, height, [&](UINT top, UINT count, BYTE* pixels, UINT stride) {
            const GdiplusRect rows{0, static_cast<INT>(top), static_cast<INT>(width),
                                   static_cast<INT>(count)};
            GdiplusBitmapData data{};
            if (lock(bitmap, &rows, kGdiplusLockRead, kGdiplusArgb32, &data) != 0)
                return false;
            for (UINT row = 0; row < count; ++row)
                std::memcpy(pixels + row * stride,
                            static_cast<const BYTE*>(data.scan0) + INT_PTR{data.stride} * row,
                            stride);
            unlock(bitmap, &data);
            return true;
        });
    if (bitmap != nullptr)
        dispose(bitmap);
    shutdown(token);
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
