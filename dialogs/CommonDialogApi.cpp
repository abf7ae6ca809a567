#include "dialogs/CommonDialogApi.h"

namespace
{
class Comdlg32Api final : public CommonDialogApi
{
  public:
    BOOL GetOpenFileNameW(OPENFILENAMEW& record) override { return ::GetOpenFileNameW(&record); }
    BOOL GetSaveFileNameW(OPENFILENAMEW& record) override { return ::GetSaveFileNameW(&record); }
    short GetFileTitleW(const wchar_t* file, wchar_t* title, WORD titleChars) override
    {
        return ::GetFileTitleW(file, title, titleChars);
    }
    DWORD CommDlgExtendedError() override { return ::CommDlgExtendedError(); }
    BOOL ChooseColorA(CHOOSECOLORA& record) override { return ::ChooseColorA(&record); }
    BOOL ChooseFontA(CHOOSEFONTA& record) override { return ::ChooseFontA(&record); }
    BOOL PrintDlgA(PRINTDLGA& record) override { return ::PrintDlgA(&record); }
    BOOL PageSetupDlgA(PAGESETUPDLGA& record) override { return ::PageSetupDlgA(&record); }
};
// At namespace scope, not in the function: a function's static brings the library's guard.
Comdlg32Api g_api;
} // namespace

CommonDialogApi& RealCommonDialogApi() noexcept
{
    return g_api;
}
