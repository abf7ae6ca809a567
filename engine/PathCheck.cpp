#include "engine/PathCheck.h"

#include "engine/FolderPath.h"
#include "engine/ShellNotify.h"
#include "runtime/DecimalText.h"
#include "runtime/SystemError.h"

namespace
{
// "\\server" or "\\server\": a UNC path that names no share.
bool IsServerOnly(const std::wstring& path)
{
    if (path.compare(0, 2, L"\\\\") != 0 || path.compare(0, 4, L"\\\\?\\") == 0)
        return false;
    const size_t slash = path.find(L'\\', 2);
    return slash == std::wstring::npos || slash + 1 == path.size();
}
} // namespace

std::wstring FullPath(const std::wstring& text)
{
    const std::wstring full = SystemFullPath(text);
    return full.empty() ? text : ShellFolderPath(full);
}

PathCheck CheckPath(const std::wstring& fullPath)
{
    if (fullPath.size() > kMaxPathLength)
        return {PathKind::TooLong, ERROR_FILENAME_EXCED_RANGE};
    if (IsServerOnly(fullPath))
        return {PathKind::ServerOnly, ERROR_BAD_PATHNAME};
    const DWORD attributes = GetFileAttributesW(fullPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        const DWORD error = GetLastError();
        return {PathKind::Missing, error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND};
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {PathKind::File, ERROR_SUCCESS};
    const bool root = ClassifyFolderPath(fullPath) == FolderPathKind::Root;
    return {root ? PathKind::DriveRoot : PathKind::Folder, ERROR_SUCCESS};
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
        return FailureLine(path,
                           folderWanted ? L"a drive's root takes no folder icon" : L"not a file",
                           folderWanted ? ERROR_NOT_SUPPORTED : ERROR_FILE_NOT_FOUND);
    case PathKind::Missing:
        return FailureLine(path, L"not found", check.error);
    case PathKind::ServerOnly:
        return FailureLine(path, L"a server without a share", check.error);
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
