#include "ui/main/Preview.h"

#include "engine/FolderColour.h"
#include "runtime/UniqueAny.h"

#include <shellapi.h>

#include <cstring>

namespace
{
void Draw(PictureBox& picture, HICON handle)
{
    UniqueHicon icon(handle);
    if (!icon)
        return;
    DrawIcon(picture.Hdc(), 7, 7, icon.get());
    picture.Refresh();
}
} // namespace

void DrawPreviewIcon(PictureBox& picture, const std::wstring& path, int index)
{
    if (path.empty())
        return;
    // The wide call, so that a path the ANSI code page cannot hold still finds its file; the
    // Ex form reads a negative index as a resource id, -1 included.
    HICON large = nullptr;
    ExtractIconExW(path.c_str(), index, &large, nullptr, 1);
    Draw(picture, large);
}

void DrawPreviewColour(PictureBox& picture, COLORREF colour)
{
    // The file's image of the large-icon size, or the next larger one (0 in the file is 256).
    const std::string& file = ColouredFolderIconFile(colour);
    const int size = GetSystemMetrics(SM_CXICON);
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
    Draw(picture, CreateIconFromResourceEx(
                      reinterpret_cast<BYTE*>(const_cast<char*>(file.data() + offset)), bytes,
                      TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
}
