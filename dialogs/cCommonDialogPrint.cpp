// The print and page-setup dialogs of cCommonDialog.
#include "dialogs/cCommonDialog.h"

#include "dialogs/Automation.h"
#include "dialogs/Records.h"
#include "runtime/Error.h"
#include "runtime/UniqueAny.h"

#include <algorithm>
#include <climits>
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
