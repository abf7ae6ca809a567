#pragma once
// The production host: the system's message boxes, folder picker, icon chooser, common dialogs,
// shell and the folder menu's verb.

#include "runtime/Host.h"

class SystemHost : public Host
{
  public:
    void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                     UINT style) override;
    void EndProgram(UINT exitCode) override;
    void OpenLink(HWND owner, const std::wstring& address) override;
    std::wstring BrowseForFolder(HWND owner, const std::wstring& title) override;
    IconChoice PickIcon(HWND owner, const std::wstring& path, int index) override;
    CommonDialogApi& CommonDialogs() override;
    bool InFolderMenu() override;
    DWORD SetInFolderMenu(bool shown) override;
};

// The one production host of the process.
Host& TheSystemHost();
