// The colour and font dialogs of cCommonDialog, with the custom colour table.
#include "dialogs/cCommonDialog.h"

#include "dialogs/Automation.h"
#include "dialogs/Records.h"
#include "runtime/Error.h"
#include "runtime/UniqueAny.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{
constexpr long kErrDivisionByZero = 11;
constexpr long kErrObjectNotSet = 91;
constexpr long kErrPrinter = 482;

// A hook, a template or an Apply button would need a procedure that the class never passes.
constexpr long kRefusedFontFlags = CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_APPLY;

// Rounds half to even, as the classic runtime's conversion to a 32-bit integer does, and refuses
// what does not fit.
LONG ToLong(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= LONG_MIN && rounded <= LONG_MAX))
        throw Error::Overflow();
    return static_cast<LONG>(rounded);
}

// The height of one screen pixel in twips, single precision as the screen object gives it.
float ScreenTwipsPerPixelY()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    if (dpi <= 0)
        throw Error(kErrDivisionByZero, L"Division by zero: the screen reports no resolution");
    return 1440.0f / static_cast<float>(dpi);
}

std::string ToAnsi(const std::wstring& text)
{
    if (text.size() > INT_MAX)
        throw Error::Overflow();
    const int chars = static_cast<int>(text.size());
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), chars, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

// A font's italic, underline and strike-out as LOGFONT takes them.
BYTE FontFlag(const Variant& value)
{
    return value->boolVal ? 0xFF : 0;
}

VARIANT Boolean(bool value)
{
    VARIANT v{};
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
} // namespace

bool cCommonDialog::VBChooseColor(ChooseColorArgs& args)
{
    DWORD flags = CC_RGBINIT | (args.AnyColor ? CC_ANYCOLOR : CC_SOLIDCOLOR);
    if (args.FullOpen)
        flags |= CC_FULLOPEN;
    if (args.DisableFullOpen)
        flags |= CC_PREVENTFULLOPEN;

    CHOOSECOLORA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = OwnerWindow(args.Owner);
    record.rgbResult = static_cast<COLORREF>(args.Color);
    record.Flags = flags;
    if (!m_customColorsReady)
        InitCustomColors();
    // The table itself, so that the colours the user sets there stay with the object.
    record.lpCustColors = m_customColors.data();

    m_apiReturn = m_api.ChooseColorA(record);
    if (m_apiReturn == 1)
    {
        args.Color = static_cast<long>(record.rgbResult);
        return true;
    }
    if (m_apiReturn != 0)
        m_extendedError = static_cast<long>(m_api.CommDlgExtendedError());
    args.Color = -1;
    return false;
}

long cCommonDialog::CustomColor(short i)
{
    if (!m_customColorsReady)
        InitCustomColors();
    return i >= 0 && i < static_cast<short>(m_customColors.size())
               ? static_cast<long>(m_customColors[static_cast<std::size_t>(i)])
               : -1;
}

void cCommonDialog::CustomColor(short i, long iValue)
{
    if (!m_customColorsReady)
        InitCustomColors();
    if (i >= 0 && i < static_cast<short>(m_customColors.size()))
        m_customColors[static_cast<std::size_t>(i)] = static_cast<COLORREF>(iValue);
}

bool cCommonDialog::VBChooseFont(ChooseFontArgs& args)
{
    m_apiReturn = 0;
    m_extendedError = 0;

    // The caller's own PrinterDC and flags are resolved, so they come back so on every outcome.
    if (args.PrinterDC == -1)
    {
        args.PrinterDC = 0;
        if (args.flags & CF_PRINTERFONTS)
            args.PrinterDC = DefaultPrinterDC();
    }
    else
        args.flags |= CF_PRINTERFONTS;
    if (!(args.flags & CF_PRINTERFONTS))
        args.flags |= CF_SCREENFONTS;
    if (args.Color != 0)
        args.flags |= CF_EFFECTS;
    if (args.MinSize != 0 || args.MaxSize != 0)
        args.flags |= CF_LIMITSIZE;
    args.flags = (args.flags & ~kRefusedFontFlags) | CF_INITTOLOGFONTSTRUCT;

    if (!args.CurFont)
        throw Error(kErrObjectNotSet, L"Object variable or With block variable not set");
    IDispatch& font = *args.CurFont;

    Variant size, weight, italic, underline, strikethrough, name;
    GetProperty(font, DISPID_FONT_SIZE, VT_CY, size);
    const double points = static_cast<double>(size->cyVal.int64) / 10000.0;
    LOGFONTA logFont{};
    // In double and multiplied first, so that an exact half stays exact and rounds to even.
    logFont.lfHeight = ToLong(-(points * 20.0 / ScreenTwipsPerPixelY()));
    GetProperty(font, DISPID_FONT_WEIGHT, VT_I2, weight);
    logFont.lfWeight = weight->iVal;
    GetProperty(font, DISPID_FONT_ITALIC, VT_BOOL, italic);
    logFont.lfItalic = FontFlag(italic);
    GetProperty(font, DISPID_FONT_UNDER, VT_BOOL, underline);
    logFont.lfUnderline = FontFlag(underline);
    GetProperty(font, DISPID_FONT_STRIKE, VT_BOOL, strikethrough);
    logFont.lfStrikeOut = FontFlag(strikethrough);
    GetProperty(font, DISPID_FONT_NAME, VT_BSTR, name);
    std::wstring faceText =
        name->bstrVal ? std::wstring(name->bstrVal, ::SysStringLen(name->bstrVal)) : L"";
    std::vector<BYTE> faceName(sizeof logFont.lfFaceName);
    StringToBytes(faceName, faceText);
    std::copy(faceName.begin(), faceName.end(), reinterpret_cast<BYTE*>(logFont.lfFaceName));

    CHOOSEFONTA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = OwnerWindow(args.Owner);
    record.hDC = reinterpret_cast<HDC>(args.PrinterDC);
    record.lpLogFont = &logFont;
    record.iPointSize = ToLong(static_cast<double>(size->cyVal.int64) / 1000.0);
    record.Flags = static_cast<DWORD>(args.flags);
    record.rgbColors = static_cast<COLORREF>(args.Color);
    record.nSizeMin = args.MinSize;
    record.nSizeMax = args.MaxSize;

    m_apiReturn = m_api.ChooseFontA(record);
    if (m_apiReturn != 1)
    {
        if (m_apiReturn != 0)
            m_extendedError = static_cast<long>(m_api.CommDlgExtendedError());
        return false;
    }

    args.flags = static_cast<long>(record.Flags);
    args.Color = static_cast<long>(record.rgbColors);
    PutProperty(font, DISPID_FONT_BOLD, Boolean(record.nFontType & BOLD_FONTTYPE));
    PutProperty(font, DISPID_FONT_ITALIC, Boolean(logFont.lfItalic));
    PutProperty(font, DISPID_FONT_STRIKE, Boolean(logFont.lfStrikeOut));
    PutProperty(font, DISPID_FONT_UNDER, Boolean(logFont.lfUnderline));
    // Left 32-bit: the object refuses a weight that its 16 bits can't hold.
    VARIANT newWeight{};
    newWeight.vt = VT_I4;
    newWeight.lVal = logFont.lfWeight;
    PutProperty(font, DISPID_FONT_WEIGHT, newWeight);
    // Tenths of a point as the object's own fixed-point size: 105 becomes exactly 10.5.
    VARIANT newSize{};
    newSize.vt = VT_CY;
    newSize.cyVal.int64 = static_cast<LONGLONG>(record.iPointSize) * 1000;
    PutProperty(font, DISPID_FONT_SIZE, newSize);
    // The whole field, trailing NULs too: the object keeps the text before the first NUL.
    const auto* face = reinterpret_cast<const BYTE*>(logFont.lfFaceName);
    const std::wstring chosenName =
        BytesToString(std::vector<BYTE>(face, face + sizeof logFont.lfFaceName));
    Variant newName;
    newName.get()->vt = VT_BSTR;
    newName.get()->bstrVal =
        ::SysAllocStringLen(chosenName.data(), static_cast<UINT>(chosenName.size()));
    PutProperty(font, DISPID_FONT_NAME, *newName.get());
    return true;
}

void cCommonDialog::InitCustomColors()
{
    for (std::size_t i = 0; i < m_customColors.size(); ++i)
        m_customColors[i] = ::GetSysColor(static_cast<int>(i));
    m_customColorsReady = true;
}

// An empty array takes the text's bytes as they come; any other keeps its size, the text padded
// with NULs or cut to fit.
void cCommonDialog::StringToBytes(std::vector<BYTE>& bytes, std::wstring& text)
{
    if (IsArrayEmpty(bytes))
    {
        const std::string ansi = ToAnsi(text);
        bytes.assign(ansi.begin(), ansi.end());
        return;
    }
    if (text.size() < bytes.size())
        text.resize(bytes.size(), L'\0');
    const std::string ansi = ToAnsi(text);
    std::copy_n(ansi.begin(), std::min(ansi.size(), bytes.size()), bytes.begin());
}

std::wstring cCommonDialog::BytesToString(const std::vector<BYTE>& bytes)
{
    if (bytes.size() > INT_MAX)
        throw Error::Overflow();
    const auto* ansi = reinterpret_cast<const char*>(bytes.data());
    const int count = static_cast<int>(bytes.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, ansi, count, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi, count, text.data(), chars);
    return text;
}

bool cCommonDialog::IsArrayEmpty(const std::vector<BYTE>& array)
{
    return array.empty();
}

// Asked of the print dialog without showing it: it makes the device context itself, needs no
// spooler import, and says when there is no default printer. The device context goes to the
// caller.
std::intptr_t cCommonDialog::DefaultPrinterDC()
{
    PRINTDLGA record{};
    record.lStructSize = sizeof record;
    record.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    const BOOL found = m_api.PrintDlgA(record);
    const UniqueHglobal devMode(record.hDevMode), devNames(record.hDevNames);
    if (!found || !record.hDC)
        throw Error(kErrPrinter, L"Printer error: no default printer is installed");
    return reinterpret_cast<std::intptr_t>(record.hDC);
}
