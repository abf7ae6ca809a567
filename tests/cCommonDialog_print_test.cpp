// The print and page-setup dialogs through the fake comdlg32, which hands back real memory
// blocks, and a printer object that keeps what it is given.
#include "cCommonDialogFake.h"
#include "dialogs/cCommonDialog.h"
#include "runtime/Error.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <tuple>

namespace
{
const HDC kPrinterDC = reinterpret_cast<HDC>(0x7A11);

// A device mode as a printer driver returns it, of the given length.
std::vector<BYTE> DeviceModeBytes(short copies, short collate, short orientation, short paper,
                                  short quality, std::size_t size = sizeof(DEVMODEA))
{
    DEVMODEA mode{};
    std::strcpy(reinterpret_cast<char*>(mode.dmDeviceName), "Test Printer");
    mode.dmSize = sizeof mode;
    mode.dmCopies = copies;
    mode.dmCollate = collate;
    mode.dmOrientation = orientation;
    mode.dmPaperSize = paper;
    mode.dmPrintQuality = quality;
    const auto* bytes = reinterpret_cast<const BYTE*>(&mode);
    return std::vector<BYTE>(bytes, bytes + size);
}

// A printer object with the four writable properties.
struct Printer : AutomationDouble
{
    Printer()
    {
        names = {{L"Copies", 1}, {L"Orientation", 2}, {L"PaperSize", 3}, {L"PrintQuality", 4}};
    }
    std::vector<std::pair<DISPID, short>> Received() const
    {
        std::vector<std::pair<DISPID, short>> received;
        for (const auto& [id, value] : writes)
            received.emplace_back(id, value.vt == VT_I2 ? value.iVal : -999);
        return received;
    }
};

// The number of the Error that the call raised, or 0.
long ErrorNumber(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const Error& e)
    {
        return e.Number();
    }
    return 0;
}

auto Fields(const PrintDlgArgs& a)
{
    return std::tie(a.hdc, a.PrintRange, a.DisablePageNumbers, a.FromPage, a.ToPage,
                    a.DisableSelection, a.Copies, a.ShowPrintToFile, a.DisablePrintToFile,
                    a.PrintToFile, a.Collate, a.PreventWarning, a.Owner, a.Printer, a.flags);
}
auto Fields(const PageSetupDlgArgs& a)
{
    return std::tie(a.Owner, a.DisableMargins, a.DisableOrientation, a.DisablePaper,
                    a.DisablePrinter, a.LeftMargin, a.MinLeftMargin, a.RightMargin,
                    a.MinRightMargin, a.TopMargin, a.MinTopMargin, a.BottomMargin,
                    a.MinBottomMargin, a.PaperSize, a.Orientation, a.PrintQuality, a.Units,
                    a.Printer, a.flags);
}

class PrintDialogs : public ::testing::Test
{
  protected:
    FakeDialogs fake;
    cCommonDialog dialog{fake};
    std::vector<HGLOBAL> blocks; // every block the dialogs handed out

    // The user confirms (or not) with this device mode; the dialog's range is left as it was.
    void Answer(BOOL result, std::vector<BYTE> deviceMode, DWORD addFlags = 0)
    {
        fake.printUser = [this, result, deviceMode, addFlags](PRINTDLGA& r) {
            r.hDC = kPrinterDC;
            r.Flags |= addFlags;
            r.hDevMode = GlobalBlock(deviceMode);
            r.hDevNames = GlobalBlock(std::vector<BYTE>(32));
            blocks.insert(blocks.end(), {r.hDevMode, r.hDevNames});
            return result;
        };
        fake.pageSetupUser = [this, result, deviceMode](PAGESETUPDLGA& r) {
            r.hDevMode = GlobalBlock(deviceMode);
            r.hDevNames = GlobalBlock(std::vector<BYTE>(32));
            blocks.insert(blocks.end(), {r.hDevMode, r.hDevNames});
            return result;
        };
    }
    // Leaves both result members nonzero, as an earlier failed call does.
    void FailOnce()
    {
        fake.colorUser = [](CHOOSECOLORA&) { return kFail; };
        fake.errorCode = 0xFFFF;
        ChooseColorArgs args;
        dialog.VBChooseColor(args);
        fake.errorCode = 0;
    }
    void TearDown() override
    {
        for (HGLOBAL block : blocks)
            EXPECT_TRUE(IsFreed(block)) << "a block the dialog handed out was not freed";
    }
};
} // namespace

TEST_F(PrintDialogs, PrintRecordWithEveryArgumentLeftOut)
{
    PrintDlgArgs args;
    dialog.VBPrintDlg(args);
    ASSERT_EQ(1u, fake.seenPrint.size());
    const PRINTDLGA& r = fake.seenPrint[0];
    EXPECT_EQ(sizeof(PRINTDLGA), r.lStructSize);
    EXPECT_EQ(0x1C0100u, r.Flags);
    EXPECT_EQ(1, r.nFromPage);
    EXPECT_EQ(65535, r.nToPage);
    EXPECT_EQ(1, r.nMinPage);
    EXPECT_EQ(65535, r.nMaxPage);
    EXPECT_EQ(nullptr, r.hwndOwner);
    EXPECT_TRUE(!r.hDevMode && !r.hDevNames && !r.hDC && !r.nCopies && !r.lpfnPrintHook &&
                !r.lpfnSetupHook && !r.lpPrintTemplateName && !r.hPrintTemplate);
}

TEST_F(PrintDialogs, EachOptionAddsItsPrintFlag)
{
    const struct
    {
        const char* name;
        std::function<void(PrintDlgArgs&)> set;
        DWORD added, removed;
    } rows[] = {
        {"DisablePageNumbers", [](PrintDlgArgs& a) { a.DisablePageNumbers = true; }, 0x8, 0},
        {"DisableSelection", [](PrintDlgArgs& a) { a.DisableSelection = true; }, 0x4, 0},
        {"PrintToFile", [](PrintDlgArgs& a) { a.PrintToFile = true; }, 0x20, 0},
        {"Collate", [](PrintDlgArgs& a) { a.Collate = true; }, 0x10, 0},
        {"PreventWarning", [](PrintDlgArgs& a) { a.PreventWarning = true; }, 0x80, 0},
        {"ShowPrintToFile", [](PrintDlgArgs& a) { a.ShowPrintToFile = true; }, 0, 0x100000},
        {"DisablePrintToFile false", [](PrintDlgArgs& a) { a.DisablePrintToFile = false; }, 0,
         0x80000},
        {"PrintRange 1", [](PrintDlgArgs& a) { a.PrintRange = 1; }, PD_PAGENUMS, 0},
        {"PrintRange 2", [](PrintDlgArgs& a) { a.PrintRange = 2; }, PD_SELECTION, 0},
        {"PrintRange 3", [](PrintDlgArgs& a) { a.PrintRange = 3; }, 0, 0},
        {"flags", [](PrintDlgArgs& a) { a.flags = 0xF00F; }, 0, 0},
        {"Owner -1", [](PrintDlgArgs& a) { a.Owner = -1; }, 0, 0},
    };
    for (const auto& row : rows)
    {
        PrintDlgArgs args;
        row.set(args);
        dialog.VBPrintDlg(args);
        EXPECT_EQ((0x1C0100u | row.added) & ~row.removed, fake.seenPrint.back().Flags) << row.name;
    }
    EXPECT_EQ(reinterpret_cast<HWND>(-1), fake.seenPrint.back().hwndOwner)
        << "-1 is not taken for no owner";
}

TEST_F(PrintDialogs, ConfirmedPrintDialogWritesBack)
{
    const struct
    {
        const char* name;
        DWORD flags;
        WORD from, to;
        long range, fromPage, toPage;
        bool toFile = false;
    } rows[] = {
        {"range untouched", 0, 1, 65535, 0, 1, -1},
        {"pages 2 to 7", PD_PAGENUMS, 2, 7, 1, 2, 7},
        {"selection", PD_SELECTION, 1, 65535, 2, 1, -1},
        {"pages win over selection", PD_PAGENUMS | PD_SELECTION, 3, 4, 1, 3, 4},
        {"to file", PD_PRINTTOFILE, 40000, 1, 0, -25536, 1, true},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        FailOnce();
        Answer(kConfirm, DeviceModeBytes(1, DMCOLLATE_FALSE, 1, 9, -4));
        fake.printUser = [this, row, user = fake.printUser](PRINTDLGA& r) {
            user(r);
            r.Flags = (r.Flags & ~(PD_PAGENUMS | PD_SELECTION)) | row.flags;
            r.nFromPage = row.from;
            r.nToPage = row.to;
            return kConfirm;
        };
        PrintDlgArgs args;
        EXPECT_TRUE(dialog.VBPrintDlg(args));
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(kPrinterDC), args.hdc);
        EXPECT_EQ(row.range, args.PrintRange);
        EXPECT_EQ(row.fromPage, args.FromPage);
        EXPECT_EQ(row.toPage, args.ToPage);
        EXPECT_EQ(row.toFile, args.PrintToFile);
        EXPECT_EQ(1, args.Copies);
        EXPECT_FALSE(args.Collate);
        EXPECT_EQ(1, dialog.APIReturn());
        EXPECT_EQ(0, dialog.ExtendedError());
    }
}

TEST_F(PrintDialogs, PagesOutsideSixteenBitsStopBeforeTheDialog)
{
    const std::pair<long, long> rows[] = {{40000, -1}, {1, 32768}, {-32769, 1}};
    for (const auto& [from, to] : rows)
    {
        FailOnce();
        PrintDlgArgs args;
        args.FromPage = from;
        args.ToPage = to;
        const PrintDlgArgs before = args;
        EXPECT_EQ(6, ErrorNumber([&] { dialog.VBPrintDlg(args); }));
        EXPECT_TRUE(fake.seenPrint.empty());
        EXPECT_EQ(Fields(before), Fields(args));
        EXPECT_EQ(0, dialog.APIReturn());
        EXPECT_EQ(0, dialog.ExtendedError());
    }
    PrintDlgArgs edges;
    edges.FromPage = -32768;
    edges.ToPage = 32767;
    dialog.VBPrintDlg(edges);
    EXPECT_EQ(0x8000, fake.seenPrint.back().nFromPage);
    EXPECT_EQ(32767, fake.seenPrint.back().nToPage);
}

TEST_F(PrintDialogs, CollatedCopiesReachThePrinterInOrder)
{
    Answer(kConfirm, DeviceModeBytes(3, DMCOLLATE_TRUE, DMORIENT_LANDSCAPE, DMPAPER_A4, -4));
    Printer printer;
    PrintDlgArgs args;
    args.Printer = &printer;
    EXPECT_TRUE(dialog.VBPrintDlg(args));
    EXPECT_EQ(3, args.Copies);
    EXPECT_TRUE(args.Collate);
    const std::vector<std::pair<DISPID, short>> expected = {
        {1, 3}, {2, DMORIENT_LANDSCAPE}, {3, DMPAPER_A4}, {4, -4}};
    EXPECT_EQ(expected, printer.Received());
    const auto kept = cCommonDialogTestAccess::DeviceMode(dialog);
    EXPECT_EQ(DeviceModeBytes(3, DMCOLLATE_TRUE, DMORIENT_LANDSCAPE, DMPAPER_A4, -4, 122),
              std::vector<BYTE>(kept.begin(), kept.end()));
}

TEST_F(PrintDialogs, RefusedSettingsAreSkipped)
{
    const struct
    {
        const char* name;
        std::function<void(Printer&)> limit;
        std::vector<std::pair<DISPID, short>> received;
    } rows[] = {
        {"refuses Orientation", [](Printer& p) { p.refused = {2}; }, {{1, 2}, {3, 9}, {4, 600}}},
        {"has no Copies", [](Printer& p) { p.names.erase(L"Copies"); }, {{2, 1}, {3, 9}, {4, 600}}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        Answer(kConfirm, DeviceModeBytes(2, DMCOLLATE_FALSE, 1, 9, 600));
        Printer printer;
        row.limit(printer);
        PrintDlgArgs args;
        args.Printer = &printer;
        EXPECT_TRUE(dialog.VBPrintDlg(args));
        EXPECT_EQ(row.received, printer.Received());
    }
}

TEST_F(PrintDialogs, CancelOrFailureLeavesEverythingAsItWas)
{
    Answer(kConfirm, DeviceModeBytes(3, DMCOLLATE_TRUE, 2, 9, -4));
    PrintDlgArgs first;
    dialog.VBPrintDlg(first);
    const auto deviceMode = cCommonDialogTestAccess::DeviceMode(dialog);

    for (const BOOL result : {kCancel, kFail})
    {
        fake.errorCode = 0xFFFF;
        Answer(result, DeviceModeBytes(5, DMCOLLATE_FALSE, 1, 1, 300));
        Printer printer;
        PrintDlgArgs args;
        args.PrintRange = 2;
        args.FromPage = 4;
        args.ToPage = 9;
        args.Collate = true;
        args.Printer = &printer;
        const PrintDlgArgs before = args;
        EXPECT_FALSE(dialog.VBPrintDlg(args));
        EXPECT_EQ(Fields(before), Fields(args));
        EXPECT_TRUE(printer.writes.empty());
        EXPECT_EQ(deviceMode, cCommonDialogTestAccess::DeviceMode(dialog));
        EXPECT_EQ(result, dialog.APIReturn());
        EXPECT_EQ(result == kFail ? 0xFFFF : 0, dialog.ExtendedError());
    }
}

TEST_F(PrintDialogs, ShortOrMissingDeviceModeIsReadNoFurther)
{
    const struct
    {
        const char* name;
        std::vector<BYTE> mode;
        short copies;
    } rows[] = {
        {"ends before dmCopies", DeviceModeBytes(4, 1, 1, 9, 600, offsetof(DEVMODEA, dmCopies)), 0},
        {"ends after dmCopies", DeviceModeBytes(4, 1, 1, 9, 600, offsetof(DEVMODEA, dmColor)), 4},
        {"empty", {}, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        Answer(kConfirm, DeviceModeBytes(3, DMCOLLATE_TRUE, 2, 9, -4));
        PrintDlgArgs earlier;
        dialog.VBPrintDlg(earlier);
        Answer(kConfirm, row.mode);
        PrintDlgArgs args;
        EXPECT_TRUE(dialog.VBPrintDlg(args));
        EXPECT_EQ(row.copies, args.Copies);
        EXPECT_FALSE(args.Collate) << "nothing of the earlier printer stays";
    }
}

TEST_F(PrintDialogs, PageSetupRecordAndFlags)
{
    const struct
    {
        long units;
        bool margins, orientation, paper, printer;
        DWORD flags;
    } rows[] = {
        {0, false, false, false, false, 0x7},  {1, false, false, false, false, 0xB},
        {-5, false, false, false, false, 0xB}, {0, true, false, false, false, 0x17},
        {0, false, true, false, false, 0x107}, {0, false, false, true, false, 0x207},
        {0, false, false, false, true, 0x27},
    };
    for (const auto& row : rows)
    {
        PageSetupDlgArgs args;
        args.Units = row.units;
        args.DisableMargins = row.margins;
        args.DisableOrientation = row.orientation;
        args.DisablePaper = row.paper;
        args.DisablePrinter = row.printer;
        args.flags = 0xA000;
        dialog.VBPageSetupDlg(args);
        EXPECT_EQ(row.flags, fake.seenPageSetup.Flags) << std::hex << row.flags;
    }
    const PAGESETUPDLGA& r = fake.seenPageSetup;
    EXPECT_EQ(sizeof(PAGESETUPDLGA), r.lStructSize);
    EXPECT_TRUE(!r.hwndOwner && !r.hDevMode && !r.hDevNames && !r.lpfnPageSetupHook &&
                !r.lpfnPagePaintHook && !r.lpPageSetupTemplateName);
}

TEST_F(PrintDialogs, MarginsInTheRecordsUnitAndBack)
{
    const struct
    {
        long units, margin;
        LONG passed, returned;
        long back;
    } rows[] = {
        {0, 1, 1000, 750, 1},    {0, 1, 1000, 1500, 2},     {0, 1, 1000, 2500, 2},
        {0, 3, 3000, 3500, 4},   {0, -1, -1000, -1500, -2}, {1, 25, 2500, 2540, 25},
        {1, 25, 2500, 2550, 26},
    };
    for (const auto& row : rows)
    {
        Answer(kConfirm, DeviceModeBytes(1, 0, 1, 9, 600));
        fake.pageSetupUser = [row, user = fake.pageSetupUser](PAGESETUPDLGA& r) {
            user(r);
            r.rtMargin = {row.returned, row.returned + 7000, row.returned, row.returned};
            r.rtMinMargin = {row.returned, row.returned, row.returned, row.returned};
            return kConfirm;
        };
        PageSetupDlgArgs args;
        args.Units = row.units;
        args.LeftMargin = args.MinBottomMargin = row.margin;
        EXPECT_TRUE(dialog.VBPageSetupDlg(args));
        EXPECT_EQ(row.passed, fake.seenPageSetup.rtMargin.left) << row.margin;
        EXPECT_EQ(row.passed, fake.seenPageSetup.rtMinMargin.bottom) << row.margin;
        EXPECT_EQ(0, fake.seenPageSetup.rtMargin.top);
        EXPECT_EQ(row.back, args.LeftMargin) << row.returned;
        EXPECT_EQ(row.back, args.MinBottomMargin) << row.returned;
        EXPECT_NE(row.back, args.TopMargin) << "each margin from its own field";
    }

    // Each of the eight fields with a value of its own, both ways.
    Answer(kConfirm, DeviceModeBytes(1, 0, 1, 9, 600));
    fake.pageSetupUser = [user = fake.pageSetupUser](PAGESETUPDLGA& r) {
        user(r);
        r.rtMargin = {1000, 2000, 3000, 4000};
        r.rtMinMargin = {5000, 6000, 7000, 8000};
        return kConfirm;
    };
    PageSetupDlgArgs args;
    args.LeftMargin = 11, args.TopMargin = 12, args.RightMargin = 13, args.BottomMargin = 14;
    args.MinLeftMargin = 15, args.MinTopMargin = 16, args.MinRightMargin = 17;
    args.MinBottomMargin = 18;
    EXPECT_TRUE(dialog.VBPageSetupDlg(args));
    const RECT& m = fake.seenPageSetup.rtMargin;
    const RECT& mm = fake.seenPageSetup.rtMinMargin;
    EXPECT_EQ(std::vector<LONG>({11000, 12000, 13000, 14000, 15000, 16000, 17000, 18000}),
              std::vector<LONG>(
                  {m.left, m.top, m.right, m.bottom, mm.left, mm.top, mm.right, mm.bottom}));
    EXPECT_EQ(std::vector<long>({1, 2, 3, 4, 5, 6, 7, 8}),
              std::vector<long>({args.LeftMargin, args.TopMargin, args.RightMargin,
                                 args.BottomMargin, args.MinLeftMargin, args.MinTopMargin,
                                 args.MinRightMargin, args.MinBottomMargin}));
}

TEST_F(PrintDialogs, PageSetupResultMembersStayZero)
{
    Answer(kConfirm, DeviceModeBytes(3, DMCOLLATE_TRUE, 2, 9, -4));
    PrintDlgArgs print;
    dialog.VBPrintDlg(print);
    const auto deviceMode = cCommonDialogTestAccess::DeviceMode(dialog);

    const struct
    {
        const char* name;
        BOOL result;
        bool confirmed;
    } rows[] = {{"cancel", kCancel, false}, {"confirm", kConfirm, true}, {"other", kFail, true}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        FailOnce();
        Answer(row.result, DeviceModeBytes(7, 0, DMORIENT_LANDSCAPE, DMPAPER_LEGAL, 300));
        Printer printer;
        PageSetupDlgArgs args;
        args.TopMargin = 2;
        args.Printer = &printer;
        const PageSetupDlgArgs before = args;
        EXPECT_EQ(row.confirmed, dialog.VBPageSetupDlg(args));
        EXPECT_EQ(0, dialog.APIReturn());
        EXPECT_EQ(0, dialog.ExtendedError());
        EXPECT_EQ(deviceMode, cCommonDialogTestAccess::DeviceMode(dialog));
        if (!row.confirmed)
        {
            EXPECT_EQ(Fields(before), Fields(args));
            EXPECT_TRUE(printer.writes.empty());
            continue;
        }
        EXPECT_EQ(DMPAPER_LEGAL, args.PaperSize);
        EXPECT_EQ(DMORIENT_LANDSCAPE, args.Orientation);
        EXPECT_EQ(300, args.PrintQuality);
        const std::vector<std::pair<DISPID, short>> expected = {
            {1, 7}, {2, DMORIENT_LANDSCAPE}, {3, DMPAPER_LEGAL}, {4, 300}};
        EXPECT_EQ(expected, printer.Received());
    }
}

TEST_F(PrintDialogs, MarginPastThirtyTwoBitsStopsBeforeTheDialog)
{
    const std::pair<long, long> rows[] = {{0, 2147484}, {0, -2147484}, {1, 21474837}};
    for (const auto& [units, margin] : rows)
    {
        FailOnce();
        const int dialogs = fake.dialogs;
        PageSetupDlgArgs args;
        args.Units = units;
        args.MinRightMargin = margin;
        const PageSetupDlgArgs before = args;
        EXPECT_EQ(6, ErrorNumber([&] { dialog.VBPageSetupDlg(args); })) << margin;
        EXPECT_EQ(dialogs, fake.dialogs);
        EXPECT_EQ(Fields(before), Fields(args));
        EXPECT_EQ(0, dialog.APIReturn());
    }
    PageSetupDlgArgs largest;
    largest.MinRightMargin = 2147483;
    dialog.VBPageSetupDlg(largest);
    EXPECT_EQ(2147483000, fake.seenPageSetup.rtMinMargin.right);
}
