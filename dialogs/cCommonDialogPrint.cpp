// The print and page-setup dialogs of cCommonDialog.
#include "dialogs/cCommonDialog.h"

#include "dialogs/Automation.h"
#include "dialogs/Records.h"
#include "runtime/Error.h"
#include "runtime/UniqueAny.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{
// The record's page numbers are 16 bits; the caller's must fit them read as signed.
WORD ToPageNumber(long page)
{
    if (page < SHRT_MIN || page > SHRT_MAX)
        throw Error::Overflow();
    return static_cast<WORD>(page);
}

LONG ToRecordUnits(long margin, long factor)
{
    const long long product = static_cast<long long>(margin) * factor;
    if (product < LONG_MIN || product > LONG_MAX)
        throw Error::Overflow();
    return static_cast<LONG>(product);
}

// Back to whole units, the nearest one, halves to the even one.
long FromRecordUnits(LONG value, long factor)
{
    long whole = value / factor;
    const long twiceRest = 2 * std::labs(value % factor);
    if (twiceRest > factor || (twiceRest == factor && whole % 2 != 0))
        whole += value < 0 ? -1 : 1;
    return whole;
}

// A dialog may hand back no device mode or a short one: only what the block holds is read, and
// the rest is left zero.
DeviceMode CopyDeviceMode(HGLOBAL block)
{
    DeviceMode mode{};
    if (const void* data = block ? ::GlobalLock(block) : nullptr)
    {
        std::memcpy(mode.data(), data, std::min<SIZE_T>(::GlobalSize(block), mode.size()));
        ::GlobalUnlock(block);
    }
    return mode;
}

short Field(const DeviceMode& mode, std::size_t offset)
{
    short value = 0;
    std::memcpy(&value, mode.data() + offset, sizeof value);
    return value;
}

short Copies(const DeviceMode& mode)
{
    return Field(mode, offsetof(DEVMODEA, dmCopies));
}
short Orientation(const DeviceMode& mode)
{
    return Field(mode, offsetof(DEVMODEA, dmOrientation));
}
short PaperSize(const DeviceMode& mode)
{
    return Field(mode, offsetof(DEVMODEA, dmPaperSize));
}
short PrintQuality(const DeviceMode& mode)
{
    return Field(mode, offsetof(DEVMODEA, dmPrintQuality));
}

// In this order; a setting the printer refuses is skipped and the next one still tried.
void SetPrinter(IDispatch& printer, short copies, const DeviceMode& mode)
{
    TryPutProperty(printer, L"Copies", copies);
    TryPutProperty(printer, L"Orientation", Orientation(mode));
    TryPutProperty(printer, L"PaperSize", PaperSize(mode));
    TryPutProperty(printer, L"PrintQuality", PrintQuality(mode));
}
} // namespace

bool cCommonDialog::VBPrintDlg(PrintDlgArgs& args)
{
    m_apiReturn = 0;
    m_extendedError = 0;

    DWORD flags = PD_RETURNDC | PD_USEDEVMODECOPIESANDCOLLATE;
    if (args.DisablePageNumbers)
        flags |= PD_NOPAGENUMS;
    if (args.DisableSelection)
        flags |= PD_NOSELECTION;
    if (args.PrintToFile)
        flags |= PD_PRINTTOFILE;
    if (args.Collate)
        flags |= PD_COLLATE;
    if (args.PreventWarning)
        flags |= PD_NOWARNING;
    if (!args.ShowPrintToFile)
        flags |= PD_HIDEPRINTTOFILE;
    if (args.DisablePrintToFile)
        flags |= PD_DISABLEPRINTTOFILE;
    if (args.PrintRange == 1)
        flags |= PD_PAGENUMS;
    else if (args.PrintRange == 2)
        flags |= PD_SELECTION;

    PRINTDLGA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = reinterpret_cast<HWND>(args.Owner);
    record.Flags = flags;
    record.nFromPage = ToPageNumber(args.FromPage);
    record.nToPage = ToPageNumber(args.ToPage);
    record.nMinPage = 1;
    record.nMaxPage = 0xFFFF;

    m_apiReturn = m_api.PrintDlgA(record);
    const UniqueHglobal devMode(record.hDevMode), devNames(record.hDevNames);
    if (m_apiReturn != 1)
    {
        if (m_apiReturn != 0)
            m_extendedError = static_cast<long>(m_api.CommDlgExtendedError());
        return false;
    }

    args.hdc = reinterpret_cast<std::intptr_t>(record.hDC);
    args.PrintRange = (record.Flags & PD_PAGENUMS) ? 1 : (record.Flags & PD_SELECTION) ? 2 : 0;
    // Read back signed: the untouched last page 65535 is -1 again.
    args.FromPage = static_cast<short>(record.nFromPage);
    args.ToPage = static_cast<short>(record.nToPage);
    args.PrintToFile = (record.Flags & PD_PRINTTOFILE) != 0;
    m_printerDeviceMode = CopyDeviceMode(devMode.get());
    args.Copies = Copies(m_printerDeviceMode);
    args.Collate = Field(m_printerDeviceMode, offsetof(DEVMODEA, dmCollate)) == DMCOLLATE_TRUE;
    if (args.Printer)
        SetPrinter(*args.Printer, args.Copies, m_printerDeviceMode);
    return true;
}

bool cCommonDialog::VBPageSetupDlg(PageSetupDlgArgs& args)
{
    m_apiReturn = 0;
    m_extendedError = 0;

    const bool inches = args.Units == 0;
    const long factor = inches ? 1000 : 100;
    DWORD flags = PSD_MINMARGINS | PSD_MARGINS |
                  (inches ? PSD_INTHOUSANDTHSOFINCHES : PSD_INHUNDREDTHSOFMILLIMETERS);
    if (args.DisableMargins)
        flags |= PSD_DISABLEMARGINS;
    if (args.DisablePrinter)
        flags |= PSD_DISABLEPRINTER;
    if (args.DisableOrientation)
        flags |= PSD_DISABLEORIENTATION;
    if (args.DisablePaper)
        flags |= PSD_DISABLEPAPER;

    PAGESETUPDLGA record{};
    record.lStructSize = sizeof record;
    record.hwndOwner = reinterpret_cast<HWND>(args.Owner);
    record.Flags = flags;
    record.rtMargin.top = ToRecordUnits(args.TopMargin, factor);
    record.rtMargin.left = ToRecordUnits(args.LeftMargin, factor);
    record.rtMargin.bottom = ToRecordUnits(args.BottomMargin, factor);
    record.rtMargin.right = ToRecordUnits(args.RightMargin, factor);
    record.rtMinMargin.top = ToRecordUnits(args.MinTopMargin, factor);
    record.rtMinMargin.left = ToRecordUnits(args.MinLeftMargin, factor);
    record.rtMinMargin.bottom = ToRecordUnits(args.MinBottomMargin, factor);
    record.rtMinMargin.right = ToRecordUnits(args.MinRightMargin, factor);

    // Its result is not kept: a cancel and a failure both leave everything as it was.
    const BOOL confirmed = m_api.PageSetupDlgA(record);
    const UniqueHglobal devMode(record.hDevMode), devNames(record.hDevNames);
    if (!confirmed)
        return false;

    args.TopMargin = FromRecordUnits(record.rtMargin.top, factor);
    args.LeftMargin = FromRecordUnits(record.rtMargin.left, factor);
    args.BottomMargin = FromRecordUnits(record.rtMargin.bottom, factor);
    args.RightMargin = FromRecordUnits(record.rtMargin.right, factor);
    args.MinTopMargin = FromRecordUnits(record.rtMinMargin.top, factor);
    args.MinLeftMargin = FromRecordUnits(record.rtMinMargin.left, factor);
    args.MinBottomMargin = FromRecordUnits(record.rtMinMargin.bottom, factor);
    args.MinRightMargin = FromRecordUnits(record.rtMinMargin.right, factor);
    // A copy of its own: the print dialog's device mode stays as that dialog left it.
    const DeviceMode mode = CopyDeviceMode(devMode.get());
    args.PaperSize = PaperSize(mode);
    args.Orientation = Orientation(mode);
    args.PrintQuality = PrintQuality(mode);
    if (args.Printer)
        SetPrinter(*args.Printer, Copies(mode), mode);
    return true;
}
