#include "engine/modFunction.h"

#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>

#include "engine/ComApartment.h"
#include "runtime/AsciiText.h"
#include "runtime/UniqueAny.h"

namespace
{
// The XP headers' PROCESS_ALL_ACCESS; newer headers define a wider mask that XP refuses.
constexpr DWORD kProcessAllAccessXp = 0x1F0FFF;
constexpr int kValueBufferSize = 255;
} // namespace

std::wstring TrimNull(const std::wstring& text)
{
    return text.substr(0, text.find(L'\0'));
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& title)
{
    ApartmentScope apartment;
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = nullptr;
    info.lParam = 0;
    info.iImage = 0;
    UniqueCoTaskMem itemList(SHBrowseForFolderW(&info));
    if (!itemList)
        return std::wstring();

    // The buffer is read whatever SHGetPathFromIDListW returns: a failed call leaves the spaces.
    std::wstring path(MAX_PATH, L' ');
    SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(itemList.get()), &path[0]);
    return TrimNull(path);
}

void FreeMemory()
{
    UniqueHandle process(OpenProcess(kProcessAllAccessXp, FALSE, GetCurrentProcessId()));
    EmptyWorkingSet(process.get());
}

std::wstring ReadIni(const std::wstring& section, const std::wstring& key, const std::wstring& file)
{
    // The wide reader takes ANSI files and UTF-16 LE files with a BOM alike, and any path.
    std::wstring value(kValueBufferSize, L'\0');
    DWORD count = GetPrivateProfileStringW(section.c_str(), key.c_str(), nullptr, &value[0],
                                           kValueBufferSize, file.c_str());
    value.resize(count);
    return value;
}

bool IsShortcut(const std::wstring& path)
{
    return HasExtension(path, L".lnk");
}

std::wstring ShortcutTarget(const std::wstring& shortcut)
{
    ApartmentScope apartment;
    IShellLinkW* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&created))))
        return std::wstring();
    UniqueCom<IShellLinkW> link(created);
    IPersistFile* queried = nullptr;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&queried))))
        return std::wstring();
    UniqueCom<IPersistFile> file(queried);
    // A link stores its target within MAX_PATH; no resolving, which may search or show a window.
    wchar_t target[MAX_PATH] = {};
    if (FAILED(file.get()->Load(shortcut.c_str(), STGM_READ)) ||
        link.get()->GetPath(target, MAX_PATH, nullptr, 0) != S_OK)
        return std::wstring();
    return target;
}
