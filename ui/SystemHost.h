#pragma once
// The production host: the system's message boxes, folder picker, icon chooser, common dialogs,
// shell, the folder menu's verb and the accessibility layer's annotations.

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
    FolderMenuChange SetInFolderMenu(bool shown) override;
    void SetAccessibleName(HWND control, const wchar_t* name) override;
};

// The one production host of the process.
Host& TheSystemHost();
