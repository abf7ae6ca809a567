#pragma once
// The comdlg32 functions that cCommonDialog calls, behind one small interface: each dialog waits
// for a person, so tests bind a fake that plays the user's answer. One virtual function per
// platform function, with the platform's own name and result type; a new dialog method of the
// class adds its function here and to the real binding in CommonDialogApi.cpp. The colour, font,
// print and page-setup dialogs use the ANSI records, whose sizes and 122-byte device mode the
// class keeps.

#include <windows.h>
#include <commdlg.h>

class CommonDialogApi
{
  public:
    virtual ~CommonDialogApi() = default;

    virtual BOOL GetOpenFileNameW(OPENFILENAMEW& record) = 0;
    virtual BOOL GetSaveFileNameW(OPENFILENAMEW& record) = 0;
    virtual short GetFileTitleW(const wchar_t* file, wchar_t* title, WORD titleChars) = 0;
    virtual DWORD CommDlgExtendedError() = 0;
    virtual BOOL ChooseColorA(CHOOSECOLORA& record) = 0;
    virtual BOOL ChooseFontA(CHOOSEFONTA& record) = 0;
    virtual BOOL PrintDlgA(PRINTDLGA& record) = 0;
    virtual BOOL PageSetupDlgA(PAGESETUPDLGA& record) = 0;
};

// The binding to the real comdlg32 functions, shared by every cCommonDialog that is not given
// another one.
CommonDialogApi& RealCommonDialogApi() noexcept;
