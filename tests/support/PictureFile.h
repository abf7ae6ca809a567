#pragma once
// Picture files written by the Imaging Component's own encoders.

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
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

// The frames in that container and pixel format; empty where the encoder refuses them. Grey and
// a palette are written as bytes (Wine's converter to them changes the colours); other formats
// through the encoder's own conversion from BGRA.
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
    const bool grey = format == GUID_WICPixelFormat8bppGray;
    const bool indexed = format == GUID_WICPixelFormat8bppIndexed;
    for (Picture picture : frames)
    {
        std::vector<BYTE> bytes(picture.pixels.size());
        std::vector<WICColor> palette;
        for (std::size_t i = 0; i < bytes.size(); ++i)
        {
            const auto at = std::find(palette.begin(), palette.end(), picture.pixels[i]);
            bytes[i] = grey ? BYTE(picture.pixels[i]) : BYTE(at - palette.begin());
            if (at == palette.end())
                palette.push_back(picture.pixels[i]);
        }
        const UINT width = picture.width, height = picture.height;
        Com<IWICBitmapFrameEncode> frame;
        Com<IPropertyBag2> options;
        Com<IWICPalette> colours;
        Com<IWICBitmap> source;
        WICPixelFormatGUID taken = format;
        written =
            written && SUCCEEDED(encoder.p->CreateNewFrame(&frame.p, &options.p)) &&
            SUCCEEDED(frame.p->Initialize(options.p)) &&
            SUCCEEDED(frame.p->SetSize(width, height)) &&
            SUCCEEDED(frame.p->SetPixelFormat(&taken)) && taken == format &&
            (!indexed || (SUCCEEDED(factory.p->CreatePalette(&colours.p)) &&
                          SUCCEEDED(colours.p->InitializeCustom(palette.data(), palette.size())) &&
                          SUCCEEDED(frame.p->SetPalette(colours.p)))) &&
            (grey || indexed
                 ? SUCCEEDED(frame.p->WritePixels(height, width, bytes.size(), bytes.data()))
                 : SUCCEEDED(factory.p->CreateBitmapFromMemory(
                       width, height, GUID_WICPixelFormat32bppBGRA, width * 4, width * height * 4,
                       reinterpret_cast<BYTE*>(picture.pixels.data()), &source.p)) &&
                       SUCCEEDED(frame.p->WriteSource(source.p, nullptr))) &&
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
