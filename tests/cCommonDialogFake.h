#pragma once
// A fake comdlg32 for cCommonDialog: it keeps the record it received and plays the user.

#include "dialogs/cCommonDialog.h"

#include <olectl.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// What no dialog shows: the byte helpers (an empty array never reaches them through a dialog)
// and the object's device mode.
struct cCommonDialogTestAccess
{
    static std::vector<BYTE> StringToBytes(std::vector<BYTE> bytes, std::wstring& text)
    {
        cCommonDialog::StringToBytes(bytes, text);
        return bytes;
    }
    static std::array<BYTE, 122> DeviceMode(const cCommonDialog& dialog)
    {
        return dialog.m_printerDeviceMode;
    }
};

constexpr BOOL kCancel = 0, kConfirm = 1, kFail = 2;

// What the user does in a file dialog: the dialog's result, and what the dialog leaves in the
// record.
struct Answer
{
    BOOL result = 0;
    std::wstring file, title;
    DWORD filterIndex = 0, flags = 0;
};

inline std::optional<std::wstring> Copy(const wchar_t* text)
{
    return text ? std::optional<std::wstring>(text) : std::nullopt;
}

class FakeDialogs final : public CommonDialogApi
{
  public:
    Answer answer;
    DWORD errorCode = 0;
    short titleResult = 0;
    int dialogs = 0, errorQueries = 0;
    std::string function;
    // The record as received. Its pointers die with the call, so the texts are copied out here.
    OPENFILENAMEW seen{};
    std::wstring filter, file, title, titleOf;
    std::optional<std::wstring> initDir, dlgTitle, defExt;
    WORD titleChars = 0;

    BOOL GetOpenFileNameW(OPENFILENAMEW& record) override { return Play("open", record); }
    BOOL GetSaveFileNameW(OPENFILENAMEW& record) override { return Play("save", record); }
    short GetFileTitleW(const wchar_t* path, wchar_t* buffer, WORD chars) override
    {
        titleOf = path;
        titleChars = chars;
        answer.title.copy(buffer, chars);
        return titleResult;
    }
    DWORD CommDlgExtendedError() override
    {
        ++errorQueries;
        return errorCode;
    }

    // The other dialogs: the user plays on the record received and gives the dialog's result; a
    // user left out cancels. The records are kept as received, the font's LOGFONTA beside its
    // record, since the pointers die with the call.
    std::function<BOOL(CHOOSECOLORA&)> colorUser;
    std::function<BOOL(CHOOSEFONTA&)> fontUser;
    std::function<BOOL(PRINTDLGA&)> printUser;
    std::function<BOOL(PAGESETUPDLGA&)> pageSetupUser;
    CHOOSECOLORA seenColor{};
    std::array<COLORREF, 16> seenCustomColors{};
    CHOOSEFONTA seenFont{};
    LOGFONTA seenLogFont{};
    std::vector<PRINTDLGA> seenPrint;
    PAGESETUPDLGA seenPageSetup{};

    BOOL ChooseColorA(CHOOSECOLORA& record) override
    {
        ++dialogs;
        function = "color";
        seenColor = record;
        std::copy_n(record.lpCustColors, seenCustomColors.size(), seenCustomColors.begin());
        return colorUser ? colorUser(record) : kCancel;
    }
    BOOL ChooseFontA(CHOOSEFONTA& record) override
    {
        ++dialogs;
        function = "font";
        seenFont = record;
        seenLogFont = *record.lpLogFont;
        return fontUser ? fontUser(record) : kCancel;
    }
    BOOL PrintDlgA(PRINTDLGA& record) override
    {
        ++dialogs;
        function = "print";
        seenPrint.push_back(record);
        return printUser ? printUser(record) : kCancel;
    }
    BOOL PageSetupDlgA(PAGESETUPDLGA& record) override
    {
        ++dialogs;
        function = "page setup";
        seenPageSetup = record;
        return pageSetupUser ? pageSetupUser(record) : kCancel;
    }

  private:
    BOOL Play(const char* name, OPENFILENAMEW& record)
    {
        ++dialogs;
        function = name;
        seen = record;
        std::size_t end = 0; // a filter list ends at its first pair of NULs
        while (record.lpstrFilter[end] || record.lpstrFilter[end + 1])
            ++end;
        filter.assign(record.lpstrFilter, end + 2);
        file.assign(record.lpstrFile, record.nMaxFile);
        title.assign(record.lpstrFileTitle, record.nMaxFileTitle);
        initDir = Copy(record.lpstrInitialDir);
        dlgTitle = Copy(record.lpstrTitle);
        defExt = Copy(record.lpstrDefExt);
        std::fill_n(record.lpstrFile, record.nMaxFile, L'\0');
        answer.file.copy(record.lpstrFile, record.nMaxFile);
        std::fill_n(record.lpstrFileTitle, record.nMaxFileTitle, L'\0');
        answer.title.copy(record.lpstrFileTitle, record.nMaxFileTitle);
        record.nFilterIndex = answer.filterIndex;
        record.Flags = answer.flags;
        return answer.result;
    }
};

// A real movable block holding the bytes, as the print dialogs hand them out.
inline HGLOBAL GlobalBlock(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(block)));
    GlobalUnlock(block);
    return block;
}

// A freed movable handle is no longer known to the system.
inline bool IsFreed(HGLOBAL block)
{
    return GlobalFlags(block) == GMEM_INVALID_HANDLE;
}

// An automation object that stands for a caller's font or printer object: properties by
// identifier, names for GetIDsOfNames, every write kept in order, and properties it refuses.
class AutomationDouble : public IFontDisp
{
  public:
    std::map<std::wstring, DISPID> names;
    std::map<DISPID, VARIANT> values; // what a read gives, and what a write leaves
    std::set<DISPID> refused;         // reads and writes of these fail
    std::vector<std::pair<DISPID, VARIANT>> writes;

    ~AutomationDouble()
    {
        for (auto& [id, value] : values)
            VariantClear(&value);
        for (auto& [id, value] : writes)
            VariantClear(&value);
    }
    void Set(DISPID id, const VARIANT& value)
    {
        VariantClear(&values[id]);
        VariantCopy(&values[id], const_cast<VARIANT*>(&value));
    }
    // A font of that size in points and that name, all else plain.
    void SetFont(double points, const wchar_t* name)
    {
        VARIANT v{};
        v.vt = VT_CY;
        v.cyVal.int64 = static_cast<LONGLONG>(points * 10000);
        Set(DISPID_FONT_SIZE, v);
        v = {};
        v.vt = VT_BOOL;
        for (DISPID id : {DISPID_FONT_ITALIC, DISPID_FONT_UNDER, DISPID_FONT_STRIKE})
            Set(id, v);
        v.vt = VT_I2;
        v.iVal = FW_NORMAL;
        Set(DISPID_FONT_WEIGHT, v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(name);
        Set(DISPID_FONT_NAME, v);
        VariantClear(&v);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object =
            iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IFontDisp ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    // Lives on the test's stack.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* asked, UINT count, LCID,
                                            DISPID* ids) override
    {
        const auto found = names.find(count == 1 ? asked[0] : L"");
        *ids = found == names.end() ? DISPID_UNKNOWN : found->second;
        return found == names.end() ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (refused.count(id))
            return DISP_E_OVERFLOW;
        if (kind & DISPATCH_PROPERTYPUT)
        {
            writes.emplace_back(id, VARIANT{});
            VariantCopy(&writes.back().second, &parameters->rgvarg[0]);
            Set(id, parameters->rgvarg[0]);
            return S_OK;
        }
        const auto found = values.find(id);
        return found == values.end() ? DISP_E_MEMBERNOTFOUND : VariantCopy(result, &found->second);
    }
};
