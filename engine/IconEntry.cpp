#include "engine/IconEntry.h"

#include "engine/FolderColour.h"
#include "engine/FolderPicture.h"

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

// The file's first four bytes, fewer for a shorter file.
std::string Magic(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    char magic[4] = {};
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), magic, sizeof magic, &read, nullptr))
        read = 0;
    return std::string(magic, read);
}

// Programs and libraries, 32-bit and 16-bit (.icl) alike, begin with the DOS header's "MZ".
bool IsProgramFile(const std::wstring& path)
{
    return Magic(path).compare(0, 2, "MZ") == 0;
}

// Icon files and cursors begin with their directory's header, programs with "MZ": neither is
// taken as a picture.
bool MayBePicture(const std::wstring& path)
{
    const std::string magic = Magic(path);
    return magic.compare(0, 2, "MZ") != 0 && magic != std::string("\0\0\1\0", 4) &&
           magic != std::string("\0\0\2\0", 4);
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

// A picture's icon file that Tessaline made, copied here from another folder (or named again in
// its own): a folder never names another folder's made file, which goes when that folder's icon
// does.
std::string g_copiedFile;

// The entry of the picture at path, where it is a picture: its icon made, or why it can't be.
bool PictureEntry(const std::wstring& path, int index, IconEntry* entry)
{
    const PictureFile& picture = MadePictureFile(path);
    if (!picture.picture)
        return false;
    if (picture.problem != IconProblem::None)
        entry->problem = picture.problem;
    else if (index != 0) // one image, as one icon
        entry->problem = IconProblem::IndexPastEnd, entry->iconCount = 1;
    else
        *entry = MadeEntry(PictureFileName(picture.digest), *picture.bytes, IconProblem::None);
    return true;
}

// The entry of a picture's icon file that Tessaline made, named by the text without an index or
// with 0, in this folder or another: known by its name and its recipe.
bool MadePictureEntry(const FolderText& folder, const std::wstring& iconText, IconEntry* entry)
{
    const IconLocation location = IconTextLocation(folder, iconText);
    if (location.index != 0 || location.path.empty())
        return false;
    // The name as Windows opens it: a short name made long, the dots and blanks at the end gone.
    const std::wstring path = LongPath(SystemFullPath(location.path));
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    if (!IsPictureFileName(name))
        return false;
    std::string bytes = ReadMadeFile(path);
    if (!IsMadePictureFile(bytes, name))
        return false;
    g_copiedFile = std::move(bytes);
    *entry = MadeEntry(name, g_copiedFile, IconProblem::None);
    return true;
}
} // namespace

IconEntry MakeIconEntry(const FolderText& folder, const std::wstring& iconText)
{
    if (COLORREF colour = 0; IconTextColour(folder, iconText, &colour))
        return MadeEntry(ColourFileName(colour), ColouredFolderIconFile(colour),
                         IconProblem::NoFolderIcon);
    IconEntry entry;
    if (MadePictureEntry(folder, iconText, &entry))
        return entry;
    const IconTextSplit split = Split(folder.Full(), iconText);
    switch (split.kind)
    {
    case IndexKind::Empty:
        entry.problem = IconProblem::IndexMissing;
        return entry;
    case IndexKind::Overflow:
        entry.problem = IconProblem::IndexTooLarge;
        return entry;
    case IndexKind::Integer: {
        const std::wstring path = ResolveIconPath(split.location.path, folder.Full());
        entry.problem = Examine(path, split.location.index, &entry.iconCount);
        if (entry.problem == IconProblem::NotAnIconFile)
            PictureEntry(path, split.location.index, &entry);
        if (entry.problem != IconProblem::None || entry.made.bytes != nullptr)
            return entry;
        break;
    }
    case IndexKind::None: {
        // A picture is made into an icon; any other file is written as given, as it always was.
        const std::wstring path = ResolveIconPath(split.location.path, folder.Full());
        if (IsFile(path) && MayBePicture(path) && PictureEntry(path, 0, &entry))
            return entry;
        break;
    }
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
