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
    // thread. Initialised at the first link and kept for the rest of the program.
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    // The addresses are plain ASCII, so the ANSI call loses nothing.
    ShellExecuteA(owner, "Open", ToAnsi(address).c_str(), "", "", SW_SHOWNORMAL);
}

std::wstring SystemHost::BrowseForFolder(HWND owner, const std::wstring& title)
{
    return ::BrowseForFolder(owner, title);
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

Host& TheSystemHost()
{
    static SystemHost host;
    return host;
}
