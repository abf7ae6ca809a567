#include "engine/FolderIcon.h"

#include <algorithm>
#include <optional>

#include "engine/DesktopIni.h"
#include "engine/DesktopIniMerge.h"
#include "engine/FinalPath.h"
#include "engine/FolderColour.h"
#include "engine/IconEntry.h"
#include "engine/ShellNotify.h"
#include "engine/StagedFile.h"
#include "runtime/AsciiText.h"
#include "runtime/UniqueAny.h"

namespace
{
constexpr DWORD kIniAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kColourFileMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The folder's desktop.ini and the attributes of the file and the folder, read before anything
// changes: a failure puts them back.
struct Target
{
    std::wstring folderText;
    std::wstring iniPath;
    std::wstring folderPath;
    DWORD iniAttributes = INVALID_FILE_ATTRIBUTES;
    DWORD folderAttributes = INVALID_FILE_ATTRIBUTES;
    std::optional<std::string> existing; // the file's bytes; none when there is no file
};

// The attributes that SetFileAttributesW can set back; none for a path that wasn't there.
DWORD Settable(DWORD attributes)
{
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & kSettableAttributes;
}

void SetAttributes(const std::wstring& path, DWORD attributes)
{
    SetFileAttributesW(path.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

void RestoreAttributes(const std::wstring& path, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetAttributes(path, Settable(attributes));
}

IconResult Status(IconStatus status)
{
    return IconResult{status, ERROR_SUCCESS, std::wstring(), IniFault::None};
}

// Refuses a folder text that would write at a root or where the current folder happens to be.
IconStatus FolderTextStatus(const FolderText& folder)
{
    switch (folder.Kind())
    {
    case FolderKind::ControlCharacter:
        return IconStatus::ControlCharacter;
    case FolderKind::DriveRoot:
    case FolderKind::ShareRoot:
        return IconStatus::DriveRoot;
    case FolderKind::Relative:
    case FolderKind::ServerOnly:
        return IconStatus::RelativeFolder;
    case FolderKind::Empty:
        return IconStatus::MissingInput;
    case FolderKind::DotOrSpaceAtEnd:
        return IconStatus::DotOrSpaceAtEnd;
    case FolderKind::DeviceName:
        return IconStatus::DeviceName;
    case FolderKind::Folder:
    case FolderKind::TooLong: // the write reports it, as for a typed text of that length
        break;
    }
    return IconStatus::Ok;
}

IconResult WriteFailed(DWORD error, const std::wstring& path)
{
    return IconResult{IconStatus::WriteFailed, error, path, IniFault::None};
}

IconResult IconRefused(const std::wstring& iconText, const IconEntry& icon)
{
    IconResult result = Status(IconStatus::IconRefused);
    result.path = iconText;
    result.problem = icon.problem;
    result.iconCount = icon.iconCount;
    return result;
}

IconResult NotSettingsFile(IniFault fault, const std::wstring& path)
{
    return IconResult{IconStatus::NotSettingsFile, ERROR_SUCCESS, path, fault};
}

// Reads the file from its start: up to limit bytes, and one more that tells a larger file.
bool ReadUpTo(HANDLE file, size_t limit, std::string& bytes)
{
    bytes.assign(limit + 1, '\0');
    size_t size = 0;
    DWORD read = 0;
    do
    {
        if (!ReadFile(file, &bytes[size], static_cast<DWORD>(bytes.size() - size), &read, nullptr))
            return false;
        size += read;
    } while (read != 0 && size < bytes.size());
    bytes.resize(size);
    return true;
}

// Reads the desktop.ini's bytes into target.existing, which stays empty when there is none.
IconResult ReadExisting(Target& target)
{
    if (target.iniAttributes != INVALID_FILE_ATTRIBUTES &&
        (target.iniAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return NotSettingsFile(IniFault::Directory, target.iniPath);
    UniqueFile file(CreateFileW(target.iniPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file)
    {
        // No file yet; or no folder, which the write that follows reports.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return Status(IconStatus::Ok);
        return WriteFailed(error, target.iniPath);
    }
    std::string bytes;
    if (!ReadUpTo(file.get(), kMaxIniBytes, bytes))
        return WriteFailed(GetLastError(), target.iniPath);
    if (IniFault fault = CheckIniBytes(bytes); fault != IniFault::None)
        return NotSettingsFile(fault, target.iniPath);
    target.existing = std::move(bytes);
    return Status(IconStatus::Ok);
}

// Refuses a folder text that names no folder to change; otherwise reads what Target holds.
IconResult Examine(const FolderText& folder, Target& target)
{
    if (IconStatus status = FolderTextStatus(folder); status != IconStatus::Ok)
    {
        IconResult refused = Status(status);
        refused.path = folder.Path();
        return refused;
    }
    // A link (a junction, a symbolic link) to a drive's root would give the root the icon; through
    // a link to a folder, the marks that the shell reads are that folder's, not the link's.
    const FinalPlace place = FindFinalPlace(folder.Path());
    if (place.root)
        return Status(IconStatus::DriveRoot);
    target.folderText = folder.Path();
    target.iniPath = IniPath(folder.Path());
    target.folderPath = place.path.empty() ? FolderAttributePath(folder.Path()) : place.path;
    target.iniAttributes = GetFileAttributesW(target.iniPath.c_str());
    target.folderAttributes = GetFileAttributesW(target.folderPath.c_str());
    return ReadExisting(target);
}

// Writes the file beside the desktop.ini and moves it into place, so that a failure never
// leaves a half-written file; the file's attributes are put back then. The folder keeps its marks
// throughout: its read-only mark doesn't stop a rename into it, and without it the shell would
// stop reading the file if the process ended midway.
IconResult PutInPlace(const Target& target, const std::string& bytes)
{
    StagedFile staged;
    if (DWORD error = staged.Write(target.folderText, bytes))
        return WriteFailed(error, target.iniPath);

    // Windows refuses to replace a read-only file.
    if (target.iniAttributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(target.iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DWORD error = staged.MoveOnto(target.iniPath))
    {
        RestoreAttributes(target.iniPath, target.iniAttributes);
        return WriteFailed(error, target.iniPath);
    }
    return Status(IconStatus::Ok);
}

bool Named(const std::vector<std::wstring>& names, const std::wstring& name)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& other) { return SameAsciiText(other, name); });
}

// Whether the file holds exactly these bytes: one that Tessaline wrote and whose name its lines
// lost (deleted by hand, or a delete that failed), which may be named again as it is.
bool HoldsExactly(const std::wstring& path, const std::string& bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
    std::string held;
    return file && ReadUpTo(file.get(), bytes.size(), held) && held == bytes;
}

// Writes the colour's icon file into the folder, unless Tessaline's lines name it already and it
// is there. A file of that name that they don't name is someone else's, and never replaced.
IconResult PutColourFile(const Target& target, COLORREF colour,
                         const std::vector<std::wstring>& own, std::wstring& created)
{
    const std::string& bytes = ColouredFolderIconFile(colour);
    if (bytes.empty())
    {
        IconResult result = Status(IconStatus::IconRefused);
        result.path = ColourText(colour);
        result.problem = IconProblem::NoFolderIcon;
        return result;
    }
    const std::wstring name = ColourFileName(colour);
    const std::wstring path = target.folderText + L"\\" + name;
    // Longer than "desktop.ini": in a folder deep enough, past what Windows and its shell open.
    if (path.size() >= MAX_PATH)
        return WriteFailed(ERROR_FILENAME_EXCED_RANGE, path);
    IconResult taken = Status(IconStatus::ColourFileTaken);
    taken.path = path;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return Named(own, name) || HoldsExactly(path, bytes) ? Status(IconStatus::Ok) : taken;
    // Complete before it has its name, and only where no file has it: one that appears meanwhile
    // is not replaced either.
    StagedFile staged;
    DWORD error = staged.Write(target.folderText, bytes);
    if (error == ERROR_SUCCESS)
        error = staged.MoveOnto(path, false);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return taken;
    if (error != ERROR_SUCCESS)
        return WriteFailed(error, path);
    SetFileAttributesW(path.c_str(), kColourFileMarks);
    created = path;
    return Status(IconStatus::Ok);
}

// Deletes the colour files among the names that Tessaline's lines gave, but the one kept.
void DeleteColourFiles(const Target& target, const std::vector<std::wstring>& names,
                       const std::wstring& kept = std::wstring())
{
    for (const std::wstring& name : names)
    {
        if (!IsColourFileName(name) || SameAsciiText(name, kept))
            continue;
        const std::wstring path = target.folderText + L"\\" + name;
        // Tessaline's are hidden and system from their start: a file without those marks, which
        // an edited desktop.ini may name, is someone else's.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | kColourFileMarks)) != kColourFileMarks)
            continue;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        // Held open elsewhere: it stays, with its marks, and harms nothing.
        if (!DeleteFileW(path.c_str()))
            SetFileAttributesW(path.c_str(), attributes);
    }
}

// The desktop.ini with Tessaline's lines for the icon, and the marks that make the shell read it.
IconResult WriteIconLines(const FolderText& folder, const Target& target, const IconEntry& icon)
{
    const std::optional<std::string>& existing = target.existing;
    const bool folderReadOnly = (Settable(target.folderAttributes) & FILE_ATTRIBUTE_READONLY) != 0;
    const std::string bytes =
        existing ? AppliedDesktopIni(*existing, icon, folderReadOnly) : DesktopIniBytes(icon);
    // Tessaline would refuse to read it again, and the icon it set aside could not come back.
    if (bytes.size() > kMaxIniBytes)
    {
        IconResult result = Status(IconStatus::IniTooLarge);
        result.path = target.iniPath;
        return result;
    }
    IconResult result = PutInPlace(target, bytes);
    if (result.status != IconStatus::Ok)
        return result;

    SetFileAttributesW(target.iniPath.c_str(), kIniAttributes);
    // The shell reads a folder's desktop.ini only when the folder is read-only or system. The
    // user's own marks stay.
    SetAttributes(target.folderPath, Settable(target.folderAttributes) | FILE_ATTRIBUTE_READONLY);
    NotifyFolderChanged(folder);
    return result;
}
} // namespace

IconResult ApplyFolderIcon(const FolderText& folder, const std::wstring& iconText)
{
    if (folder.Kind() == FolderKind::Empty || iconText.empty())
        return Status(IconStatus::MissingInput);
    if (HasControlCharacter(iconText))
        return Status(IconStatus::ControlCharacter);
    Target target;
    IconResult result = Examine(folder, target);
    if (result.status != IconStatus::Ok)
        return result;
    const std::vector<std::wstring> own =
        target.existing ? BlockIconFiles(*target.existing) : std::vector<std::wstring>();
    COLORREF colour = 0;
    IconEntry icon;
    std::wstring created;
    if (ParseColourText(iconText, &colour))
    {
        result = PutColourFile(target, colour, own, created);
        if (result.status != IconStatus::Ok)
            return result;
        icon.file = ColourFileName(colour);
        icon.index = L"0";
        icon.resource = icon.file + L",0";
    }
    else
    {
        icon = MakeIconEntry(folder, iconText);
        if (icon.problem != IconProblem::None)
            return IconRefused(iconText, icon);
    }
    result = WriteIconLines(folder, target, icon);
    if (result.status != IconStatus::Ok)
    {
        if (!created.empty())
            DeleteFileW(created.c_str());
        return result;
    }
    DeleteColourFiles(target, own, icon.file);
    return result;
}

IconResult RemoveFolderIcon(const FolderText& folder, RemoveScope scope)
{
    // An empty text would name the desktop.ini at the root of the current drive.
    if (folder.Kind() == FolderKind::Empty)
        return Status(IconStatus::EmptyFolder);
    Target target;
    IconResult result = Examine(folder, target);
    if (result.status != IconStatus::Ok || !target.existing)
        return result;
    const RemovedIni removed = RemovedDesktopIni(*target.existing);
    if (!removed.tessalines && scope == RemoveScope::TessalinesOnly)
        return Status(removed.foreignIcon ? IconStatus::NotTessalines : IconStatus::Ok);
    if (removed.bytes == target.existing)
        return result;

    if (removed.bytes)
    {
        result = PutInPlace(target, *removed.bytes);
        if (result.status != IconStatus::Ok)
            return result;
        RestoreAttributes(target.iniPath, target.iniAttributes);
    }
    else
    {
        SetFileAttributesW(target.iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(target.iniPath.c_str()))
        {
            const DWORD error = GetLastError();
            RestoreAttributes(target.iniPath, target.iniAttributes);
            return WriteFailed(error, target.iniPath);
        }
    }
    // Read-only was there for the file, unless the folder had it before the apply (settings that
    // stay keep it then); hidden and system are the user's.
    if ((!removed.bytes || !removed.folderReadOnly) &&
        target.folderAttributes != INVALID_FILE_ATTRIBUTES)
        SetAttributes(target.folderPath,
                      Settable(target.folderAttributes) & ~FILE_ATTRIBUTE_READONLY);
    DeleteColourFiles(target, removed.blockFiles);
    NotifyFolderChanged(folder);
    return result;
}
