#pragma once
// What the windows ask of the world outside them and a test must be able to answer without a
// person: message boxes and the end of the program. Production binds the system; tests bind a
// fake that records and answers.

#include <windows.h>

#include <string>

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
};

class SystemHost : public Host
{
  public:
    void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                     UINT style) override;
    void EndProgram(UINT exitCode) override;
    void OpenLink(HWND owner, const std::wstring& address) override;
};

// The one production host of the process.
Host& TheSystemHost();
