#include "ui/SystemHost.h"

#include "dialogs/CommonDialogApi.h"
#include "engine/modFunction.h"
#include "runtime/TextOutput.h"
#include "ui/FolderMenuVerb.h"

#include <objbase.h>
#include <oleacc.h>
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

FolderMenuChange SystemHost::SetInFolderMenu(bool shown)
{
    return shown ? AddFolderMenuVerb(ThisExe()) : RemoveFolderMenuVerb();
}

namespace
{
// oleacc's identifiers, here rather than from initguid.h, which would define every GUID of the
// headers included after it.
constexpr CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kAccName = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
} // namespace

void SystemHost::SetAccessibleName(HWND control, const wchar_t* name)
{
    // Dynamic annotation (oleacc's property service, XP and later): the system's accessible
    // object of the control keeps its role, state and actions and answers with this name, in any
    // process that asks. The service is in-process, on this thread's apartment, joined and kept as
    // for links; where it is missing the control keeps its caption as its name.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                                reinterpret_cast<void**>(&services))))
        return;
    if (name != nullptr)
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kAccName,
                                 name);
    else
        services->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kAccName,
                                 1);
    services->Release();
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
