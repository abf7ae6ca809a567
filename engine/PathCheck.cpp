#include "engine/PathCheck.h"

#include "engine/FinalPath.h"
#include "runtime/DecimalText.h"
#include "runtime/SystemError.h"

PathCheck CheckPath(const FolderText& path)
{
    switch (path.Kind())
    {
    case FolderKind::TooLong:
        return {PathKind::TooLong, ERROR_FILENAME_EXCED_RANGE};
    case FolderKind::ServerOnly:
        return {PathKind::ServerOnly, ERROR_BAD_PATHNAME};
    case FolderKind::DriveRoot:
    case FolderKind::ShareRoot:
        // Refused whether it is there or not: a drive or a share that is offline takes no icon
        // either.
        return {PathKind::DriveRoot, ERROR_SUCCESS};
    case FolderKind::Relative:
        // From outside, only a text that names no folder ("...").
        return {PathKind::Missing, ERROR_BAD_PATHNAME};
    case FolderKind::DotOrSpaceAtEnd:
        return {PathKind::DotOrSpaceAtEnd, ERROR_INVALID_NAME};
    case FolderKind::DeviceName:
        return {PathKind::DeviceName, ERROR_DIRECTORY};
    case FolderKind::Empty:
    case FolderKind::Folder:
    case FolderKind::ControlCharacter:
        break;
    }
    const DWORD attributes = GetFileAttributesW(path.Path().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        const DWORD error = GetLastError();
        return {PathKind::Missing, error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND};
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return {PathKind::File, ERROR_SUCCESS};
    return {FindFinalPlace(path.Path()).root ? PathKind::DriveRoot : PathKind::Folder,
            ERROR_SUCCESS};
}

std::wstring RefusalLine(const std::wstring& path, const PathCheck& check, PathRole role)
{
    const bool folderWanted = role == PathRole::Folder;
    switch (check.kind)
    {
    case PathKind::Folder:
        return folderWanted ? L"" : FailureLine(path, L"not a file", ERROR_FILE_NOT_FOUND);
    case PathKind::File:
        return folderWanted ? FailureLine(path, L"not a folder", ERROR_DIRECTORY) : L"";
    case PathKind::DriveRoot:
        return FailureLine(
            path, folderWanted ? L"a drive's or share's root takes no folder icon" : L"not a file",
            folderWanted ? ERROR_NOT_SUPPORTED : ERROR_FILE_NOT_FOUND);
    case PathKind::Missing:
        return FailureLine(path, L"not found", check.error);
    case PathKind::ServerOnly:
        return FailureLine(path, L"a server without a share", check.error);
    case PathKind::DotOrSpaceAtEnd:
        return FailureLine(path,
                           std::wstring(L"a name in it ends in a dot or a space, which Windows "
                                        L"leaves out: ") +
                               (folderWanted ? L"the icon would go to another folder"
                                             : L"it would name another file"),
                           check.error);
    case PathKind::DeviceName:
        return FailureLine(path,
                           folderWanted ? L"the name of a device, not a folder"
                                        : L"the name of a device, not a file",
                           check.error);
    case PathKind::TooLong:
        return FailureLine(path,
                           L"longer than the " + DecimalText(kMaxPathLength) +
                               L" characters that Tessaline takes",
                           check.error);
    }
    return L"";
}

std::wstring FailureLine(const std::wstring& path, const std::wstring& reason, DWORD error)
{
    return path + L": " + reason + L" (error " + DecimalText(error) + L": " +
           SystemErrorText(error) + L")";
}
