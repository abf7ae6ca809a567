#include "ui/main/Preview.h"

#include "engine/FolderColour.h"
#include "engine/imaging/IconFileWriter.h"
#include "runtime/Twips.h"
#include "runtime/UniqueAny.h"

#include <shellapi.h>

namespace
{
void Draw(PictureBox& picture, int dpi, HICON handle)
{
    UniqueHicon icon(handle);
    if (!icon)
        return;
    const int at = MulDiv(7, dpi, 96), size = SystemMetricAt(SM_CXICON, dpi);
    DrawIconEx(picture.Hdc(), at, at, icon.get(), size, size, 0, nullptr, DI_NORMAL);
    picture.Refresh();
}
} // namespace

void DrawPreviewIcon(PictureBox& picture, int dpi, const std::wstring& path, int index)
{
    if (path.empty())
        return;
    // The wide call, so that a path the ANSI code page cannot hold still finds its file; the
    // Ex form reads a negative index as a resource id, -1 included.
    HICON large = nullptr;
    const int size = SystemMetricAt(SM_CXICON, dpi);
    if (size == GetSystemMetrics(SM_CXICON))
        ExtractIconExW(path.c_str(), index, &large, nullptr, 1);
    else // the image of that size, where the file has one, rather than a stretched one
        PrivateExtractIconsW(path.c_str(), index, size, size, &large, nullptr, 1, 0);
    Draw(picture, dpi, large);
}

void DrawPreviewColour(PictureBox& picture, int dpi, COLORREF colour)
{
    DrawPreviewMade(picture, dpi, ColouredFolderIconFile(colour));
}

void DrawPreviewMade(PictureBox& picture, int dpi, const std::string& file)
{
    const int size = SystemMetricAt(SM_CXICON, dpi);
    const std::string_view image = IconFileImage(file, size);
    if (image.empty())
        return;
    Draw(picture, dpi,
         CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                                  static_cast<DWORD>(image.size()), TRUE, 0x00030000, size, size,
                                  LR_DEFAULTCOLOR));
}
