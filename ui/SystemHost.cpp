#include "ui/SystemHost.h"

#include "dialogs/CommonDialogApi.h"
#include "engine/modFunction.h"
#include "runtime/TextOutput.h"
#include "ui/FolderMenuVerb.h"

#include <objbase.h>
#include <shellapi.h>

namespace
{
// This program's full path, however long.
std::wstring ThisExe()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size())
        {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
} // namespace

void SystemHost::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                             UINT style)
{
    MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

void SystemHost::EndProgram(UINT exitCode)
{
    ExitProcess(exitCode);
}

void SystemHost::OpenLink(HWND owner, const std::wstring& address)
{
    // Handlers reached through COM (the web-address handlers of 8 and 8.1) need it on this
    // thread. Joined at each link and kept for the rest of the program: a join that finds the
    // apartment only counts once more.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The addresses are plain ASCII, so the ANSI call loses nothing.
    ShellExecuteA(owner, "Open", ToAnsi(address).c_str(), "", "", SW_SHOWNORMAL);
}

std::wstring SystemHost::BrowseForFolder(HWND owner, const std::wstring& title)
{
    return ::BrowseForFolder(owner, title);
}

IconChoice SystemHost::PickIcon(HWND owner, const std::wstring& path, int index)
{
    // Windows XP exports PickIconDlg from shell32 by its ordinal alone. shell32 is loaded at its
    // first use (it is delay-loaded), which this may be; it stays loaded, as it would anyway.
    using PickIconDlgFunction = int(WINAPI*)(HWND, PWSTR, UINT, int*);
    constexpr WORD kPickIconDlgOrdinal = 62;
    FARPROC address =
        GetProcAddress(LoadLibraryW(L"shell32.dll"), MAKEINTRESOURCEA(kPickIconDlgOrdinal));
    IconChoice choice{IconChoice::Outcome::Unavailable, path, index};
    if (address == nullptr)
        return choice;
    auto pickIconDlg = reinterpret_cast<PickIconDlgFunction>(reinterpret_cast<void (*)()>(address));
    std::wstring buffer(MAX_PATH, L'\0');
    path.copy(&buffer[0], MAX_PATH - 1);
    // 1 is a choice and 0 a cancel; Wine's stub answers anything else without showing a window.
    switch (pickIconDlg(owner, &buffer[0], MAX_PATH, &choice.index))
    {
    case 1:
        choice.outcome = IconChoice::Outcome::Chosen;
        choice.path = TrimNull(buffer);
        break;
    case 0:
        choice.outcome = IconChoice::Outcome::Cancelled;
        break;
    default:
        choice.index = index;
        break;
    }
    return choice;
}

CommonDialogApi& SystemHost::CommonDialogs()
{
    return RealCommonDialogApi();
}

bool SystemHost::InFolderMenu()
{
    return FolderMenuVerbRuns(ThisExe());
}

DWORD SystemHost::SetInFolderMenu(bool shown)
{
    return shown ? AddFolderMenuVerb(ThisExe()) : RemoveFolderMenuVerb();
}

namespace
{
// At namespace scope, not in the function: a function's static brings the library's guard.
SystemHost g_host;
} // namespace

Host& TheSystemHost()
{
    return g_host;
}
