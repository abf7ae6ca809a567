#include "engine/IconEntry.h"

#include "engine/FolderColour.h"

#include "runtime/DecimalText.h"
#include "runtime/UniqueAny.h"

#include <windows.h>
#include <shellapi.h>

#include <limits>

namespace
{
bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Programs and libraries, 32-bit and 16-bit (.icl) alike, begin with the DOS header's "MZ".
bool IsProgramFile(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    char magic[2] = {};
    DWORD read = 0;
    return file && ReadFile(file.get(), magic, sizeof magic, &read, nullptr) &&
           read == sizeof magic && magic[0] == 'M' && magic[1] == 'Z';
}

// The split, unless a file exists under the whole text: that file is what the text names. A
// relative path counts from base.
IconTextSplit Split(const std::wstring& base, const std::wstring& iconText)
{
    IconTextSplit split = SplitIconText(iconText);
    if (split.kind != IndexKind::None && IsFile(ResolveIconPath(iconText, base)))
        return IconTextSplit{{iconText, 0}, IndexKind::None};
    return split;
}

IconProblem Examine(const std::wstring& path, int index, int* count)
{
    if (!IsFile(path))
        return IconProblem::FileMissing;
    *count = IconCount(path);
    if (*count == 0)
        return IsProgramFile(path) ? IconProblem::NoIcons : IconProblem::NotAnIconFile;
    if (index >= 0)
        return index < *count ? IconProblem::None : IconProblem::IndexPastEnd;
    HICON large = nullptr;
    ExtractIconExW(path.c_str(), index, &large, nullptr, 1);
    UniqueHicon icon(large);
    return icon ? IconProblem::None : IconProblem::NoSuchResource;
}

// The path as written: relative to the folder for a file inside it (XP and 7 to 8.1 resolve
// both forms against the folder), so the icon survives a new drive letter, a move or a share.
std::wstring WrittenPath(const FolderText& target, const std::wstring& path)
{
    // Environment variables name the file on any installation: they stay as typed.
    if (path.find(L'%') != std::wstring::npos)
        return path;
    const std::wstring resolved = ResolveIconPath(path, target.Full());
    if (!IsFile(resolved))
        return path;
    const std::wstring icon = LongPath(SystemFullPath(resolved));
    std::wstring folder = LongPath(target.Full());
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty() || icon.size() <= folder.size() + 1 || icon[folder.size()] != L'\\' ||
        CaselessPath(icon.substr(0, folder.size())) != CaselessPath(folder))
        return path;
    return icon.substr(folder.size() + 1);
}

// The entry of an icon Tessaline makes: its file, put into the folder, named without a path.
IconEntry MadeEntry(const std::wstring& name, const std::string& bytes, IconProblem failure)
{
    IconEntry entry;
    if (bytes.empty())
    {
        entry.problem = failure;
        return entry;
    }
    entry.made = MadeFile{name, &bytes};
    entry.file = name;
    entry.index = L"0";
    entry.resource = name + L",0";
    return entry;
}
} // namespace

IconEntry MakeIconEntry(const FolderText& folder, const std::wstring& iconText)
{
    if (COLORREF colour = 0; IconTextColour(folder, iconText, &colour))
        return MadeEntry(ColourFileName(colour), ColouredFolderIconFile(colour),
                         IconProblem::NoFolderIcon);
    IconEntry entry;
    const IconTextSplit split = Split(folder.Full(), iconText);
    switch (split.kind)
    {
    case IndexKind::Empty:
        entry.problem = IconProblem::IndexMissing;
        return entry;
    case IndexKind::Overflow:
        entry.problem = IconProblem::IndexTooLarge;
        return entry;
    case IndexKind::Integer:
        entry.problem = Examine(ResolveIconPath(split.location.path, folder.Full()),
                                split.location.index, &entry.iconCount);
        if (entry.problem != IconProblem::None)
            return entry;
        break;
    case IndexKind::None:
        break;
    }
    entry.file = WrittenPath(folder, split.location.path);
    entry.index = DecimalText(split.location.index);
    entry.resource = entry.file + L"," + entry.index;
    return entry;
}

IconLocation IconTextLocation(const FolderText& folder, const std::wstring& iconText)
{
    IconLocation location = Split(folder.Full(), iconText).location;
    location.path = ResolveIconPath(location.path, folder.Full());
    return location;
}

std::wstring FullIconText(const std::wstring& iconText)
{
    const std::wstring path = Split(SystemFullPath(L"."), iconText).location.path;
    // As in the window: environment variables name the file on any installation.
    if (path.find(L'%') != std::wstring::npos)
        return iconText;
    return SystemFullPath(path) + iconText.substr(path.size());
}

int IconCount(const std::wstring& path)
{
    if (path.empty())
        return 0;
    // A file that can't be opened gives UINT_MAX.
    const UINT count = ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0);
    return count > static_cast<UINT>(std::numeric_limits<int>::max()) ? 0 : static_cast<int>(count);
}
