#pragma once
// What the windows and batch mode ask of the world outside them and a test must be able to answer
// without a person: message boxes, the folder picker, the icon chooser, the common dialogs, the
// web browser, the folder menu, the names screen readers read and the end of the program.
// Production binds the system (ui/SystemHost.h); tests bind a fake that records and answers.

#include <windows.h>

#include <string>

class CommonDialogApi;

// The answer of the system's icon chooser.
struct IconChoice
{
    enum class Outcome
    {
        Chosen,
        Cancelled,
        Unavailable, // the system has no working chooser: nothing was shown
    };
    Outcome outcome = Outcome::Unavailable;
    std::wstring path; // the chosen file: the chooser can browse to another one
    int index = 0;     // the chosen icon's index in it
};

// What became of a change of the folder menu.
struct FolderMenuChange
{
    DWORD error = ERROR_SUCCESS; // the first failure; ERROR_SUCCESS when the change was made
    std::wstring line;           // after a failure: where and why, and what is left
    bool leftChanged = false;    // what was there could not all be put back
};

class Host
{
  public:
    virtual ~Host() = default;
    // A modal message box with a single OK button; returns when it is dismissed.
    virtual void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                             UINT style) = 0;
    // Ends the program at once, after an untrapped error has been reported.
    virtual void EndProgram(UINT exitCode) = 0;
    // Opens a web address with the handler the user has for it ("Open"); the result is not
    // examined: without a handler the click has no visible effect.
    virtual void OpenLink(HWND owner, const std::wstring& address) = 0;
    // The shell's folder picker, modal to owner: the chosen folder's path, or "" on cancel.
    virtual std::wstring BrowseForFolder(HWND owner, const std::wstring& title) = 0;
    // The shell's icon chooser on the icons of path, modal to owner, starting at index.
    virtual IconChoice PickIcon(HWND owner, const std::wstring& path, int index) = 0;
    // The functions through which a cCommonDialog shows its dialogs.
    virtual CommonDialogApi& CommonDialogs() = 0;
    // Whether the menu of every folder offers "Change folder icon..." with this copy of the
    // program, for the current user.
    virtual bool InFolderMenu() = 0;
    // Puts that entry into the folder menu or takes it out, whole or not at all.
    virtual FolderMenuChange SetInFolderMenu(bool shown) = 0;
    // Gives a control the name that screen readers and other assistive technology read for it,
    // in place of its caption; nullptr takes that name away again.
    virtual void SetAccessibleName(HWND control, const wchar_t* name) = 0;
};
