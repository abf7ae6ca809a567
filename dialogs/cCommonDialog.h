#pragma once
// cCommonDialog: the Windows common dialogs behind methods with plain parameters. Each dialog is
// one call that fills the platform's record from an arguments struct, shows the dialog modally,
// writes the user's choices back into the struct and returns true when the user confirmed. The
// raw result and the extended error code of the last dialog call stay readable on the object.

#include "dialogs/CommonDialogApi.h"

#include <olectl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One entry: a description and its pattern, separated by "|" (or ":"), as further entries are.
inline constexpr wchar_t kDefaultFilter[] = L"All (*.*)| *.*";

// The parameters of VBGetOpenFileName in order, with their defaults; "in/out" ones are written
// back by the call.
struct OpenFileNameArgs
{
    std::wstring FileName;                // in/out: offered first / chosen path or ""
    std::wstring FileTitle;               // in/out: start of the title buffer / title or ""
    bool FileMustExist = true;            // in
    bool MultiSelect = false;             // in: the selection comes back unsplit
    bool ReadOnly = false;                // in/out: set when the box was ticked, never cleared
    bool HideReadOnly = false;            // in
    std::wstring Filter = kDefaultFilter; // in/out: filter text / chosen entry or ""
    long FilterIndex = 1;                 // in/out: 1-based entry / entry in use or -1
    std::wstring InitDir;                 // in: "" lets the dialog choose
    std::wstring DlgTitle;                // in: "" keeps the dialog's own caption
    std::wstring DefaultExt;              // in: "" adds none
    std::intptr_t Owner = -1;             // in: owner window handle; -1 or 0 for none
    long flags = 0;                       // in/out: further OFN_ bits / flags returned or 0
};

// The parameters of VBGetSaveFileName in order, with their defaults.
struct SaveFileNameArgs
{
    std::wstring FileName;                // in/out: offered first / chosen path or ""
    std::wstring FileTitle;               // in/out: start of the title buffer / title or ""
    bool OverWritePrompt = true;          // in
    std::wstring Filter = kDefaultFilter; // in/out: filter text / chosen entry or ""
    long FilterIndex = 1;                 // in/out: 1-based entry / entry in use or 0
    std::wstring InitDir;                 // in: "" lets the dialog choose
    std::wstring DlgTitle;                // in: "" keeps the dialog's own caption
    std::wstring DefaultExt;              // in: "" adds none
    std::intptr_t Owner = -1;             // in: owner window handle; -1 or 0 for none
    long flags = 0;                       // in/out: further OFN_ bits / flags returned or 0
};

// The parameters of VBChooseColor in order, with their defaults.
struct ChooseColorArgs
{
    long Color = 0;               // in/out, required: selected first / chosen colour or -1
    bool AnyColor = true;         // in: CC_ANYCOLOR when true, CC_SOLIDCOLOR when false
    bool FullOpen = false;        // in: opens with the custom colours shown
    bool DisableFullOpen = false; // in
    std::intptr_t Owner = -1;     // in: owner window handle; -1 or 0 for none
    long flags = 0;               // in: accepted and not used
};

// The parameters of VBChooseFont in order, with their defaults.
struct ChooseFontArgs
{
    IFontDisp* CurFont = nullptr; // in/out, required: shown first / receives the chosen font
    std::intptr_t PrinterDC = -1; // in/out: printer whose fonts are listed, -1 for none / the
                                  // device context used; one made for the default printer
                                  // belongs to the caller (DeleteDC)
    std::intptr_t Owner = -1;     // in: owner window handle; -1 or 0 for none
    long Color = 0;               // in/out: text colour shown first, nonzero adds CF_EFFECTS
    long MinSize = 0;             // in: smallest point size offered, 0 for no limit
    long MaxSize = 0;             // in: largest point size offered, 0 for no limit
    long flags = 0;               // in/out: further CF_ bits / the composed flags, and after a
                                  // confirmed dialog the flags it returned
};

// The parameters of VBPrintDlg in order, with their defaults.
struct PrintDlgArgs
{
    std::intptr_t hdc = 0;           // out, required: the chosen printer's device context, which
                                     // then belongs to the caller (DeleteDC)
    long PrintRange = 0;             // in/out: 0 all pages, 1 page range, 2 selection
    bool DisablePageNumbers = false; // in
    long FromPage = 1;               // in/out: first page of the range; must fit 16 bits
    long ToPage = -1;                // in/out: last page of the range; must fit 16 bits
    bool DisableSelection = false;   // in
    short Copies = 0;                // out: number of copies chosen
    bool ShowPrintToFile = false;    // in: false hides the box
    bool DisablePrintToFile = true;  // in
    bool PrintToFile = false;        // in/out: box ticked first / whether it was ticked
    bool Collate = false;            // in/out: collated first / whether collated copies were chosen
    bool PreventWarning = false;     // in: no warning when there is no default printer
    std::intptr_t Owner = 0;         // in: owner window handle; 0 for none
    IDispatch* Printer = nullptr;    // in: receives "Copies", "Orientation", "PaperSize" and
                                     // "PrintQuality" when given
    long flags = 0;                  // in: accepted and not used
};

// The parameters of VBPageSetupDlg in order, with their defaults. Margins are whole inches when
// Units is 0, whole millimetres otherwise.
struct PageSetupDlgArgs
{
    std::intptr_t Owner = 0;         // in: owner window handle; 0 for none
    bool DisableMargins = false;     // in
    bool DisableOrientation = false; // in
    bool DisablePaper = false;       // in
    bool DisablePrinter = false;     // in
    long LeftMargin = 0;             // in/out
    long MinLeftMargin = 0;          // in/out: the smallest the dialog allows
    long RightMargin = 0;            // in/out
    long MinRightMargin = 0;         // in/out
    long TopMargin = 0;              // in/out
    long MinTopMargin = 0;           // in/out
    long BottomMargin = 0;           // in/out
    long MinBottomMargin = 0;        // in/out
    long PaperSize = 1;              // out: the device mode's dmPaperSize code
    long Orientation = 1;            // out: its dmOrientation code
    long PrintQuality = -1;          // out: its dmPrintQuality code
    long Units = 0;                  // in: 0 inches, anything else millimetres
    IDispatch* Printer = nullptr;    // in: receives the chosen settings when given
    long flags = 0;                  // in: accepted and not used
};

class cCommonDialog
{
  public:
    explicit cCommonDialog(CommonDialogApi& api = RealCommonDialogApi()) noexcept;

    // Raw result of the last dialog call; for the file dialogs nonzero when the user confirmed.
    long APIReturn() const noexcept { return m_apiReturn; }
    // The platform's extended error code when the last dialog call failed, else 0.
    long ExtendedError() const noexcept { return m_extendedError; }

    // Both return true when the user chose a file. A Filter of 32,767 characters or more throws
    // Error::Overflow(), a FileName or FileTitle over 260 characters Error::InvalidArgument();
    // either before any dialog shows, with args unchanged and both result values 0.
    bool VBGetOpenFileName(OpenFileNameArgs& args);
    bool VBGetSaveFileName(SaveFileNameArgs& args);
    // The file's title as the system shows it, or "" when the system gives none. Shows no dialog
    // and leaves APIReturn and ExtendedError alone.
    std::wstring VBGetFileTitle(const std::wstring& sFile);

    // True when the user confirmed a colour. Unlike the other dialogs it keeps ExtendedError from
    // an earlier call unless this one fails. The dialog works on the object's own custom colours.
    bool VBChooseColor(ChooseColorArgs& args);
    // The object's custom colours, 0 to 15; reading another index gives -1, writing one does
    // nothing.
    long CustomColor(short i);
    void CustomColor(short i, long iValue);
    // True when the user confirmed a font, which then goes into CurFont. PrinterDC and flags come
    // back resolved whatever the outcome. The font object's errors reach the caller; so do, before
    // any dialog shows, no default printer when its fonts are asked for (482), a size out of the
    // 32-bit range (Error::Overflow()) and a screen without a vertical resolution (11).
    bool VBChooseFont(ChooseFontArgs& args);

    // True when the user confirmed; the printer's settings are then kept as the object's device
    // mode. A FromPage or ToPage outside 16 signed bits throws Error::Overflow() before the
    // dialog. A Printer that refuses a setting is skipped over.
    bool VBPrintDlg(PrintDlgArgs& args);
    // True on any nonzero result of the dialog; APIReturn and ExtendedError stay 0 whatever it
    // gives. A margin that its unit factor takes out of 32 bits throws Error::Overflow() before
    // the dialog. The object's device mode is left alone.
    bool VBPageSetupDlg(PageSetupDlgArgs& args);

  private:
    friend struct cCommonDialogTestAccess; // the byte helpers and the device mode, for the tests
    static std::wstring CutAtNull(const std::wstring& text);
    static std::wstring FilterEntry(const std::wstring& list, long n);
    void InitCustomColors();
    static void StringToBytes(std::vector<BYTE>& bytes, std::wstring& text);
    static std::wstring BytesToString(const std::vector<BYTE>& bytes);
    static bool IsArrayEmpty(const std::vector<BYTE>& array);
    std::intptr_t DefaultPrinterDC();

    using FileDialogFunction = BOOL (CommonDialogApi::*)(OPENFILENAMEW&);
    template <typename Args>
    bool ShowFileDialog(Args& args, DWORD optionFlags, FileDialogFunction show, long noFileIndex);

    std::array<COLORREF, 16> m_customColors{}; // the colour dialog's custom boxes
    bool m_customColorsReady = false;          // false until the table is filled once
    long m_apiReturn = 0;
    long m_extendedError = 0;
    std::array<BYTE, 122> m_printerDeviceMode{}; // leading bytes of the last printer settings
    CommonDialogApi& m_api;
};
