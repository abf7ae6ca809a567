#pragma once
// A host that records what the windows ask of it and plays the person's answers instead of
// showing a message box, a folder picker, an icon chooser or an open-file dialog, or ending the
// process.

#include "dialogs/CommonDialogApi.h"
#include "runtime/Host.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct ShownMessage
{
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT style;
};

struct IconPickCall
{
    HWND owner;
    std::wstring path;
    int index;
};

// The open-file dialog as a person answers it: confirm with a file, or cancel (file "").
class FakeOpenDialog : public CommonDialogApi
{
  public:
    std::wstring answer;
    int shown = 0;
    OPENFILENAMEW seen{};
    std::wstring filter;
    std::function<void()> whileOpen; // runs while the dialog would be on screen

    BOOL GetOpenFileNameW(OPENFILENAMEW& record) override
    {
        ++shown;
        if (whileOpen)
            whileOpen();
        seen = record;
        size_t end = 0; // the filter list ends at its first pair of NULs
        while (record.lpstrFilter[end] != L'\0' || record.lpstrFilter[end + 1] != L'\0')
            ++end;
        filter.assign(record.lpstrFilter, end + 2);
        std::fill_n(record.lpstrFile, record.nMaxFile, L'\0');
        answer.copy(record.lpstrFile, record.nMaxFile - 1);
        record.nFilterIndex = 1;
        return answer.empty() ? FALSE : TRUE;
    }
    BOOL GetSaveFileNameW(OPENFILENAMEW&) override { return FALSE; }
    short GetFileTitleW(const wchar_t*, wchar_t*, WORD) override { return -1; }
    DWORD CommDlgExtendedError() override { return 0; }
    // The colour dialog: confirmed with colourAnswer, or cancelled while it is -1.
    long colourAnswer = -1;
    CHOOSECOLORA colourSeen{};
    BOOL ChooseColorA(CHOOSECOLORA& record) override
    {
        colourSeen = record;
        record.rgbResult = static_cast<COLORREF>(colourAnswer);
        return colourAnswer >= 0;
    }
    // The window shows no other dialog: each is cancelled.
    BOOL ChooseFontA(CHOOSEFONTA&) override { return FALSE; }
    BOOL PrintDlgA(PRINTDLGA&) override { return FALSE; }
    BOOL PageSetupDlgA(PAGESETUPDLGA&) override { return FALSE; }
};

class FakeHost : public Host
{
  public:
    void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                     UINT style) override
    {
        messages.push_back({owner, text, title, style});
        if (onMessage)
            onMessage();
    }
    void EndProgram(UINT exitCode) override { endedWith.push_back(exitCode); }
    void OpenLink(HWND owner, const std::wstring& address) override
    {
        links.push_back({owner, address});
    }
    std::wstring BrowseForFolder(HWND owner, const std::wstring& title) override
    {
        pickerCalls.push_back({owner, title});
        if (whilePicking)
            whilePicking();
        return folderAnswer;
    }
    IconChoice PickIcon(HWND owner, const std::wstring& path, int index) override
    {
        iconPicks.push_back({owner, path, index});
        return iconAnswer;
    }
    CommonDialogApi& CommonDialogs() override { return openDialog; }
    bool InFolderMenu() override { return false; }
    FolderMenuChange SetInFolderMenu(bool) override { return folderMenuAnswer; }
    void SetAccessibleName(HWND control, const wchar_t* name) override
    {
        accessibleNames.push_back({control, name != nullptr ? name : L"<none>"});
    }

    std::vector<ShownMessage> messages;
    std::function<void()> onMessage; // runs while the message would be on screen
    std::vector<UINT> endedWith;
    std::vector<std::pair<HWND, std::wstring>> links;
    std::wstring folderAnswer;
    std::vector<std::pair<HWND, std::wstring>> pickerCalls;
    std::function<void()> whilePicking;
    FakeOpenDialog openDialog;
    FolderMenuChange folderMenuAnswer;
    IconChoice iconAnswer; // what the chooser answers; by default there is no chooser
    std::vector<IconPickCall> iconPicks;
    std::vector<std::pair<HWND, std::wstring>> accessibleNames; // "<none>": taken away
};
