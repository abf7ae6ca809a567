#include "ui/main/Preview.h"

#include "runtime/UniqueAny.h"

#include <shellapi.h>

void DrawPreviewIcon(PictureBox& picture, const std::wstring& path, int index)
{
    if (path.empty())
        return;
    // The wide call, so that a path the ANSI code page cannot hold still finds its file; the
    // Ex form reads a negative index as a resource id, -1 included.
    HICON large = nullptr;
    ExtractIconExW(path.c_str(), index, &large, nullptr, 1);
    UniqueHicon icon(large);
    if (!icon)
        return;
    DrawIcon(picture.Hdc(), 7, 7, icon.get());
    picture.Refresh();
}
