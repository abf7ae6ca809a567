#include "engine/ShellNotify.h"

#include <windows.h>
#include <shlobj.h>

namespace
{
bool IsRoot(const std::wstring& path)
{
    return path == L"\\" || (path.size() == 3 && path[1] == L':' && path[2] == L'\\');
}

void Notify(LONG event, const std::wstring& path)
{
    SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}
} // namespace

std::wstring ShellFolderPath(const std::wstring& folderText)
{
    std::wstring path = folderText;
    while (path.size() > 1 && path.back() == L'\\' && !IsRoot(path))
        path.pop_back();
    return path;
}

std::wstring ParentFolder(const std::wstring& folderPath)
{
    if (IsRoot(folderPath))
        return std::wstring();
    const size_t slash = folderPath.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    std::wstring parent = folderPath.substr(0, slash + 1);
    // A drive's root keeps its backslash; any other folder is named without one.
    return IsRoot(parent) ? parent : ShellFolderPath(parent);
}

void NotifyFolderChanged(const FolderText& folder)
{
    Notify(SHCNE_ATTRIBUTES, folder.Full());
    Notify(SHCNE_UPDATEITEM, folder.Full());
    const std::wstring parent = ParentFolder(folder.Full());
    if (!parent.empty())
        Notify(SHCNE_UPDATEDIR, parent);
}
