#pragma once
// Picture files written by the Imaging Component's own encoders.

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Picture // straight 0xAARRGGBB pixels, top row first
{
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

template <typename Interface> struct Com
{
    Interface* p = nullptr;
    ~Com() { p != nullptr ? p->Release() : 0; }
};

// The frames in that container and pixel format: BGRA, BGR, grey or a palette of 8 bits, RGBA
// of 16 bits, or CMYK inverted as Adobe's JPEGs hold it. Empty where the encoder refuses them.
inline std::string EncodePicture(const GUID& container, const GUID& format,
                                 const std::vector<Picture>& frames)
{
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    bool written =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p)) &&
        SUCCEEDED(factory.p->CreateEncoder(container, nullptr, &encoder.p)) &&
        SUCCEEDED(encoder.p->Initialize(stream.p, WICBitmapEncoderNoCache));
    const bool indexed = format == GUID_WICPixelFormat8bppIndexed;
    const bool cmyk = format == GUID_WICPixelFormat32bppCMYK;
    const int bytes = indexed || format == GUID_WICPixelFormat8bppGray ? 1
                      : format == GUID_WICPixelFormat24bppBGR          ? 3
                      : format == GUID_WICPixelFormat64bppRGBA         ? 8
                                                                       : 4;
    for (const Picture& picture : frames)
    {
        const UINT stride = (picture.width * bytes + 3) / 4 * 4;
        std::vector<BYTE> rows(stride * picture.height);
        std::vector<WICColor> palette;
        for (int i = 0; i < picture.width * picture.height; ++i)
        {
            const std::uint32_t p = picture.pixels[i];
            const BYTE b = BYTE(p), g = BYTE(p >> 8), r = BYTE(p >> 16), a = BYTE(p >> 24);
            std::size_t index = 0;
            while (indexed && index < palette.size() && palette[index] != p)
                ++index;
            if (indexed && index == palette.size())
                palette.push_back(p);
            const BYTE pixel[8] = {indexed      ? BYTE(index)
                                   : bytes == 8 ? r
                                   : cmyk       ? r
                                                : b,
                                   bytes == 8 ? r : g,
                                   bytes == 8 ? g
                                   : cmyk     ? b
                                              : r,
                                   bytes == 8 ? g
                                   : cmyk     ? BYTE(255)
                                              : a,
                                   b,
                                   b,
                                   a,
                                   a};
            std::memcpy(&rows[i / picture.width * stride + i % picture.width * bytes], pixel,
                        bytes);
        }
        Com<IWICBitmapFrameEncode> frame;
        Com<IPropertyBag2> options;
        Com<IWICPalette> colours;
        WICPixelFormatGUID taken = format;
        written = written && SUCCEEDED(encoder.p->CreateNewFrame(&frame.p, &options.p)) &&
                  SUCCEEDED(frame.p->Initialize(options.p)) &&
                  SUCCEEDED(frame.p->SetSize(picture.width, picture.height)) &&
                  SUCCEEDED(frame.p->SetPixelFormat(&taken)) && taken == format &&
                  (!indexed ||
                   (SUCCEEDED(factory.p->CreatePalette(&colours.p)) &&
                    SUCCEEDED(colours.p->InitializeCustom(palette.data(), UINT(palette.size()))) &&
                    SUCCEEDED(frame.p->SetPalette(colours.p)))) &&
                  SUCCEEDED(frame.p->WritePixels(picture.height, stride, UINT(rows.size()),
                                                 rows.data())) &&
                  SUCCEEDED(frame.p->Commit());
    }
    HGLOBAL memory = nullptr;
    STATSTG status{};
    written = written && SUCCEEDED(encoder.p->Commit()) &&
              SUCCEEDED(stream.p->Stat(&status, STATFLAG_NONAME)) &&
              SUCCEEDED(GetHGlobalFromStream(stream.p, &memory));
    return written
               ? std::string(static_cast<const char*>(GlobalLock(memory)), status.cbSize.LowPart)
               : std::string();
}
