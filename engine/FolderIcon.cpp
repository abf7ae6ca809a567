#include "engine/FolderIcon.h"

#include <algorithm>

#include "engine/DesktopIni.h"
#include "engine/FolderPath.h"
#include "engine/IconEntry.h"
#include "engine/ShellNotify.h"
#include "engine/StagedFile.h"

namespace
{
constexpr DWORD kIniAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The shell reads a folder's desktop.ini only when the folder is read-only or system.
constexpr DWORD kFolderAttributes = FILE_ATTRIBUTE_READONLY;
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// A pasted tab, CR or LF would add lines or keys to the file.
bool HasControlCharacter(const std::wstring& text)
{
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c < L' '; });
}

void RestoreAttributes(const std::wstring& path, DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    const DWORD settable = attributes & kSettableAttributes;
    SetFileAttributesW(path.c_str(), settable != 0 ? settable : FILE_ATTRIBUTE_NORMAL);
}

IconResult Status(IconStatus status)
{
    return IconResult{status, ERROR_SUCCESS, std::wstring()};
}

// Refuses a folder text that would write at a root or where the current folder happens to be.
IconStatus FolderTextStatus(const std::wstring& folderText)
{
    if (HasControlCharacter(folderText))
        return IconStatus::ControlCharacter;
    switch (ClassifyFolderPath(folderText))
    {
    case FolderPathKind::Root:
        return IconStatus::DriveRoot;
    case FolderPathKind::Relative:
        return IconStatus::RelativeFolder;
    case FolderPathKind::Folder:
        break;
    }
    return IconStatus::Ok;
}

IconResult WriteFailed(DWORD error, const std::wstring& path)
{
    return IconResult{IconStatus::WriteFailed, error, path};
}
} // namespace

IconResult ApplyFolderIcon(const std::wstring& folderText, const std::wstring& iconText)
{
    if (folderText.empty() || iconText.empty())
        return Status(IconStatus::MissingInput);
    if (HasControlCharacter(iconText))
        return Status(IconStatus::ControlCharacter);
    if (IconStatus status = FolderTextStatus(folderText); status != IconStatus::Ok)
        return Status(status);
    const IconEntry icon = MakeIconEntry(folderText, iconText);
    if (icon.status != IconStatus::Ok)
        return IconResult{icon.status, ERROR_SUCCESS, iconText, icon.iconCount};

    const std::wstring iniPath = IniPath(folderText);
    const std::wstring folderPath = FolderAttributePath(folderText);
    // Read before anything changes: a failure puts them back.
    const DWORD iniAttributes = GetFileAttributesW(iniPath.c_str());
    const DWORD folderAttributes = GetFileAttributesW(folderPath.c_str());

    StagedFile staged;
    if (DWORD error = staged.Write(folderText, DesktopIniBytes(icon)))
        return WriteFailed(error, iniPath);

    // Windows refuses to replace a read-only file.
    const bool iniExisted = iniAttributes != INVALID_FILE_ATTRIBUTES;
    if (iniExisted)
    {
        SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesW(folderPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    if (DWORD error = staged.MoveOnto(iniPath))
    {
        if (iniExisted)
        {
            RestoreAttributes(iniPath, iniAttributes);
            RestoreAttributes(folderPath, folderAttributes);
        }
        return WriteFailed(error, iniPath);
    }

    SetFileAttributesW(iniPath.c_str(), kIniAttributes);
    SetFileAttributesW(folderPath.c_str(), kFolderAttributes);
    NotifyFolderChanged(folderText);
    return Status(IconStatus::Ok);
}

IconResult RemoveFolderIcon(const std::wstring& folderText)
{
    // An empty text would name the desktop.ini at the root of the current drive.
    if (folderText.empty())
        return Status(IconStatus::EmptyFolder);
    if (IconStatus status = FolderTextStatus(folderText); status != IconStatus::Ok)
        return Status(status);

    const std::wstring iniPath = IniPath(folderText);
    SetFileAttributesW(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(iniPath.c_str());
    SetFileAttributesW(FolderAttributePath(folderText).c_str(), FILE_ATTRIBUTE_NORMAL);
    NotifyFolderChanged(folderText);
    return Status(IconStatus::Ok);
}
