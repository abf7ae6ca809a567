#include "runtime/Host.h"

void SystemHost::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                             UINT style)
{
    MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

void SystemHost::EndProgram(UINT exitCode) { ExitProcess(exitCode); }

Host& TheSystemHost()
{
    static SystemHost host;
    return host;
}
