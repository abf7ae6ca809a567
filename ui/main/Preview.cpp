#include "ui/main/Preview.h"

#include "engine/FolderColour.h"
#include "runtime/Twips.h"
#include "runtime/UniqueAny.h"

#include <shellapi.h>

#include <cstring>

namespace
{
// The large-icon size at the window's DPI: the system gives it at its own.
int IconSize(int dpi)
{
    return MulDiv(GetSystemMetrics(SM_CXICON), dpi, ScreenDpi());
}

void Draw(PictureBox& picture, int dpi, HICON handle)
{
    UniqueHicon icon(handle);
    if (!icon)
        return;
    const int at = MulDiv(7, dpi, 96), size = IconSize(dpi);
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
    const int size = IconSize(dpi);
    if (size == GetSystemMetrics(SM_CXICON))
        ExtractIconExW(path.c_str(), index, &large, nullptr, 1);
    else // the image of that size, where the file has one, rather than a stretched one
        PrivateExtractIconsW(path.c_str(), index, size, size, &large, nullptr, 1, 0);
    Draw(picture, dpi, large);
}

void DrawPreviewColour(PictureBox& picture, int dpi, COLORREF colour)
{
    // The file's image of the large-icon size, or the next larger one (0 in the file is 256).
    const std::string& file = ColouredFolderIconFile(colour);
    const int size = IconSize(dpi);
    constexpr size_t kHeader = 6, kEntry = 16;
    const size_t count = file.size() >= kHeader ? static_cast<BYTE>(file[4]) : 0;
    size_t best = 0;
    int bestSide = 0;
    for (size_t i = 0; i < count && kHeader + (i + 1) * kEntry <= file.size(); ++i)
    {
        const size_t entry = kHeader + i * kEntry;
        const int side = file[entry] == 0 ? 256 : static_cast<BYTE>(file[entry]);
        if (bestSide == 0 || (side >= size && (bestSide < size || side < bestSide)) ||
            (bestSide < size && side > bestSide))
        {
            best = entry;
            bestSide = side;
        }
    }
    if (bestSide == 0)
        return;
    DWORD bytes = 0, offset = 0;
    std::memcpy(&bytes, &file[best + 8], sizeof bytes);
    std::memcpy(&offset, &file[best + 12], sizeof offset);
    if (offset > file.size() || bytes > file.size() - offset)
        return;
    Draw(picture, dpi,
         CreateIconFromResourceEx(
                      reinterpret_cast<BYTE*>(const_cast<char*>(file.data() + offset)), bytes,
                      TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
}
