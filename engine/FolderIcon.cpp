#include "engine/FolderIcon.h"

#include <optional>

#include "engine/DesktopIni.h"
#include "engine/DesktopIniMerge.h"
#include "engine/FinalPath.h"
#include "engine/IconEntry.h"
#include "engine/IconLocation.h"
#include "engine/MadeIconFile.h"
#include "engine/ShellNotify.h"
#include "engine/StagedFile.h"
#include "runtime/UniqueAny.h"

namespace
{
constexpr DWORD kIniAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
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

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// Where an open file or folder is, its links followed (Vista and later); empty where the system
// doesn't tell.
std::wstring FinalPath(HANDLE handle)
{
    auto finalPath = reinterpret_cast<FinalPathFunction>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    if (finalPath == nullptr || handle == INVALID_HANDLE_VALUE)
        return std::wstring();
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    if (length >= path.size())
    {
        path.resize(length);
        length = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

UniqueFile OpenAttributes(const std::wstring& path, DWORD flags)
{
    return UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, flags, nullptr));
}

// Why the desktop.ini can't be replaced with everything it is: a symbolic link or another reparse
// point would become a plain file, and the other names of a file with hard links would keep the
// old one. A link that the system doesn't mark (Wine's) shows where it leads: not to the folder's
// own desktop.ini. XP has no links to files.
IniFault LinkFault(const Target& target)
{
    if ((target.iniAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return IniFault::Link;
    const UniqueFile file = OpenAttributes(target.iniPath, 0);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information))
        return IniFault::None; // the write that follows reports it
    if (information.nNumberOfLinks > 1)
        return IniFault::HardLinks;
    const std::wstring leadsTo = FinalPath(file.get());
    const std::wstring folder =
        FinalPath(OpenAttributes(target.folderPath, FILE_FLAG_BACKUP_SEMANTICS).get());
    if (!leadsTo.empty() && !folder.empty() &&
        CaselessPath(leadsTo) != CaselessPath(IniPath(folder)))
        return IniFault::Link;
    return IniFault::None;
}

// Writes the file beside the desktop.ini and puts it in place, so that a failure never leaves a
// half-written file; the file's attributes are put back then. An existing file is replaced with
// its permissions, owner and streams kept, or refused where a replace can't keep what it is. The
// folder keeps its marks throughout: its read-only mark doesn't stop a rename into it, and
// without it the shell would stop reading the file if the process ended midway.
IconResult PutInPlace(const Target& target, const std::string& bytes)
{
    const bool replacing = target.iniAttributes != INVALID_FILE_ATTRIBUTES;
    if (IniFault fault = replacing ? LinkFault(target) : IniFault::None; fault != IniFault::None)
        return NotSettingsFile(fault, target.iniPath);
    StagedFile staged;
    if (DWORD error = staged.Write(target.folderText, bytes))
        return WriteFailed(error, target.iniPath);

    // Windows refuses to write a read-only file; hidden and system stay, on what a failure may
    // leave beside it too.
    if (replacing)
        SetAttributes(target.iniPath, Settable(target.iniAttributes) & ~FILE_ATTRIBUTE_READONLY);
    // A file that appeared meanwhile is someone's: not replaced unseen.
    if (DWORD error = replacing ? staged.ReplaceExisting(target.iniPath)
                                : staged.MoveOnto(target.iniPath, false))
    {
        RestoreAttributes(target.iniPath, target.iniAttributes);
        return WriteFailed(error, target.iniPath);
    }
    return Status(IconStatus::Ok);
}

// The desktop.ini with Tessaline's lines for the icon, and the marks that make the shell read it.
IconResult WriteIconLines(const FolderText& folder, const Target& target, const IconEntry& icon)
{
    const std::optional<std::string>& existing = target.existing;
    PriorMarks before;
    before.folderReadOnly = (Settable(target.folderAttributes) & FILE_ATTRIBUTE_READONLY) != 0;
    before.fileMarks = Settable(target.iniAttributes) & kIniAttributes;
    const AppliedIni applied =
        existing ? AppliedDesktopIni(*existing, icon, before) : AppliedIni{DesktopIniBytes(icon)};
    if (applied.fault != IniFault::None)
        return NotSettingsFile(applied.fault, target.iniPath);
    const std::string& bytes = applied.bytes;
    // Tessaline would refuse to read it again, and the icon it set aside could not come back.
    if (bytes.size() > kMaxIniBytes)
    {
        IconResult result = Status(IconStatus::IniTooLarge);
        result.path = target.iniPath;
        return result;
    }
    // A line ending added after a stray lead byte at the file's end would take it in.
    if (IniFault fault = CheckIniBytes(bytes); fault != IniFault::None)
        return NotSettingsFile(fault, target.iniPath);
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
    const IconEntry icon = MakeIconEntry(folder, iconText);
    if (icon.problem != IconProblem::None)
        return IconRefused(iconText, icon);
    PlacedFile placed;
    if (icon.made.bytes != nullptr)
    {
        result = PutMadeFile(folder, icon.made, own, placed);
        if (result.status != IconStatus::Ok)
            return result;
    }
    result = WriteIconLines(folder, target, icon);
    if (result.status != IconStatus::Ok)
    {
        placed.Undo();
        return result;
    }
    result.leftFiles = DeleteMadeFiles(folder, own, icon.file);
    return result;
}

IconResult RemoveFolderIcon(const FolderText& folder, RemoveScope scope)
{
    // An empty text would name the desktop.ini at the root of the current drive.
    if (folder.Kind() == FolderKind::Empty)
        return Status(IconStatus::EmptyFolder);
    Target target;
    IconResult result = Examine(folder, target);
    if (result.status != IconStatus::Ok)
        return result;
    // Made files left from before go even where no line is left to take out.
    if (!target.existing)
    {
        result.leftFiles = DeleteMadeFiles(folder, {});
        return result;
    }
    const RemovedIni removed = RemovedDesktopIni(*target.existing);
    if (removed.fault != IniFault::None)
        return NotSettingsFile(removed.fault, target.iniPath);
    if (!removed.tessalines && scope == RemoveScope::TessalinesOnly)
        return Status(removed.foreignIcon ? IconStatus::NotTessalines : IconStatus::Ok);
    if (removed.bytes == target.existing)
    {
        result.leftFiles = DeleteMadeFiles(folder, {});
        return result;
    }

    if (removed.bytes)
    {
        result = PutInPlace(target, *removed.bytes);
        if (result.status != IconStatus::Ok)
            return result;
        // The marks the apply gave the file go; the others' stay as they are now.
        if (target.iniAttributes != INVALID_FILE_ATTRIBUTES)
            SetAttributes(target.iniPath, Settable(target.iniAttributes) & ~removed.fileMarksAdded);
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
    result.leftFiles = DeleteMadeFiles(folder, removed.blockFiles);
    NotifyFolderChanged(folder);
    return result;
}

FolderIconShown ReadFolderIcon(const FolderText& folder)
{
    FolderIconShown shown;
    Target target;
    // A name that ends in a dot would read another folder's file.
    if (IconStatus status = FolderTextStatus(folder); status != IconStatus::Ok)
    {
        shown.result = Status(status);
        shown.result.path = folder.Path();
        return shown;
    }
    target.iniPath = IniPath(folder.Path());
    shown.result = ReadExisting(target);
    if (shown.result.status != IconStatus::Ok || !target.existing)
        return shown;
    const ShownIcon icon = ShownDesktopIcon(*target.existing);
    shown.tessalines = icon.tessalines;
    shown.shows = icon.text;
    if (icon.tessalines)
    {
        std::wstring recipe = MadeFileRecipe(folder, icon.text.substr(0, icon.text.rfind(L',')));
        if (!recipe.empty())
            shown.shows = std::move(recipe);
    }
    return shown;
}
