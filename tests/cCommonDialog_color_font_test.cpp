// The colour and font dialogs through the fake comdlg32, with real OLE font objects.
#include "support/Fonts.h"
#include "cCommonDialogFake.h"
#include "dialogs/cCommonDialog.h"
#include "runtime/Error.h"

#include <gtest/gtest.h>

#include <olectl.h>

using namespace std::string_literals;

namespace
{
constexpr DWORD kNoDefaultPrinter = 0x1008; // PDERR_NODEFAULTPRN

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string Ansi(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::array<COLORREF, 16> SystemColors()
{
    std::array<COLORREF, 16> colors{};
    for (int i = 0; i < 16; ++i)
        colors[static_cast<std::size_t>(i)] = GetSysColor(i);
    return colors;
}

// A real OLE font object, released at the end of the test.
class Font
{
  public:
    explicit Font(const wchar_t* name, LONGLONG tenThousandths = 120000, SHORT weight = FW_NORMAL,
                  BOOL italic = FALSE, BOOL underline = FALSE, SHORT charset = ANSI_CHARSET)
    {
        FONTDESC desc{sizeof(FONTDESC),
                      const_cast<LPOLESTR>(name),
                      {},
                      weight,
                      charset,
                      italic,
                      underline,
                      FALSE};
        desc.cySize.int64 = tenThousandths;
        EXPECT_EQ(S_OK,
                  OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&m_disp)));
        m_disp->QueryInterface(IID_IFont, reinterpret_cast<void**>(&m_font));
    }
    ~Font()
    {
        m_font->Release();
        m_disp->Release();
    }
    IFontDisp* Disp() const { return m_disp; }
    IFont& operator*() const { return *m_font; }
    std::wstring Name() const
    {
        BSTR name = nullptr;
        m_font->get_Name(&name);
        std::wstring text(name, SysStringLen(name));
        SysFreeString(name);
        return text;
    }

  private:
    IFontDisp* m_disp = nullptr;
    IFont* m_font = nullptr;
};

class ColorFontDialogs : public ::testing::Test
{
  protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }

    FakeDialogs fake;
    cCommonDialog dialog{fake};

    // Leaves both result members nonzero, as an earlier failed call does.
    void FailOnce()
    {
        fake.colorUser = [](CHOOSECOLORA&) { return kFail; };
        fake.errorCode = kNoDefaultPrinter;
        ChooseColorArgs args;
        dialog.VBChooseColor(args);
        fake.colorUser = nullptr;
        fake.errorCode = 0;
    }
};
} // namespace

TEST_F(ColorFontDialogs, CustomColorsFillOnFirstUse)
{
    const auto system = SystemColors();
    const struct
    {
        const char* name;
        std::function<void(cCommonDialog&)> use;
        short index;
        long expected;
    } rows[] = {
        {"read 0", [](cCommonDialog&) {}, 0, static_cast<long>(GetSysColor(COLOR_SCROLLBAR))},
        {"read 15", [](cCommonDialog&) {}, 15, static_cast<long>(GetSysColor(COLOR_BTNFACE))},
        {"read 16", [](cCommonDialog&) {}, 16, -1},
        {"read -1", [](cCommonDialog&) {}, -1, -1},
        {"write 3 first", [](cCommonDialog& d) { d.CustomColor(3, 255); }, 3, 255},
        {"write 20", [](cCommonDialog& d) { d.CustomColor(20, 255); }, 20, -1},
        {"write -1", [](cCommonDialog& d) { d.CustomColor(-1, 255); }, -1, -1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        cCommonDialog fresh(fake);
        row.use(fresh);
        EXPECT_EQ(row.expected, fresh.CustomColor(row.index));
        for (short i = 0; i < 16; ++i)
        {
            if (i == row.index)
                continue;
            EXPECT_EQ(static_cast<long>(system[static_cast<std::size_t>(i)]), fresh.CustomColor(i))
                << i;
        }
    }
}

TEST_F(ColorFontDialogs, ColorFlagsAndRecord)
{
    const struct
    {
        bool anyColor, fullOpen, disableFullOpen;
        long flags;
        DWORD expected;
    } rows[] = {
        {true, false, false, 0, 0x101},    {false, true, false, 0, 0x83},
        {true, false, true, 0, 0x105},     {false, false, false, 0, 0x81},
        {true, false, false, 0x32, 0x101}, // the caller's flags never reach the dialog
    };
    for (const auto& row : rows)
    {
        ChooseColorArgs args{0x00336699,          row.anyColor, row.fullOpen,
                             row.disableFullOpen, -1,           row.flags};
        dialog.VBChooseColor(args);
        EXPECT_EQ(row.expected, fake.seenColor.Flags) << std::hex << row.expected;
    }
    const CHOOSECOLORA& r = fake.seenColor;
    EXPECT_EQ(sizeof(CHOOSECOLORA), r.lStructSize);
    EXPECT_EQ(0x00336699u, r.rgbResult);
    EXPECT_EQ(nullptr, r.hwndOwner);
    EXPECT_TRUE(!r.hInstance && !r.lCustData && !r.lpfnHook && !r.lpTemplateName);
    EXPECT_EQ(SystemColors(), fake.seenCustomColors);
}

TEST_F(ColorFontDialogs, ColorOutcomesKeepAnEarlierExtendedError)
{
    const struct
    {
        const char* name;
        BOOL result;
        bool chosen;
        long color, extendedError;
    } rows[] = {
        {"confirm", kConfirm, true, 0x00ABCDEF, static_cast<long>(kNoDefaultPrinter)},
        {"cancel", kCancel, false, -1, static_cast<long>(kNoDefaultPrinter)},
        {"failure", kFail, false, -1, 0xFFFF}, // CDERR_DIALOGFAILURE
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        FailOnce();
        fake.errorCode = 0xFFFF;
        fake.colorUser = [&row](CHOOSECOLORA& r) {
            r.rgbResult = 0x00ABCDEF;
            return row.result;
        };
        ChooseColorArgs args{0x00112233};
        EXPECT_EQ(row.chosen, dialog.VBChooseColor(args));
        EXPECT_EQ(row.color, args.Color);
        EXPECT_EQ(row.result, dialog.APIReturn());
        EXPECT_EQ(row.extendedError, dialog.ExtendedError());
    }
}

TEST_F(ColorFontDialogs, TwoColorDialogsShareTheObjectsCustomColors)
{
    fake.colorUser = [](CHOOSECOLORA& r) {
        r.lpCustColors[2] = 0x00123456;
        return kConfirm;
    };
    ChooseColorArgs args;
    dialog.VBChooseColor(args);
    EXPECT_EQ(0x00123456, dialog.CustomColor(2));
    dialog.CustomColor(5, 0x00ABCDEF);

    fake.colorUser = nullptr;
    dialog.VBChooseColor(args);
    EXPECT_EQ(0x00123456u, fake.seenCustomColors[2]);
    EXPECT_EQ(0x00ABCDEFu, fake.seenCustomColors[5]);

    cCommonDialog other(fake);
    other.VBChooseColor(args);
    EXPECT_EQ(SystemColors(), fake.seenCustomColors) << "each object has its own table";
}

TEST_F(ColorFontDialogs, FontFlagsAndPrinter)
{
    const HDC defaultPrinter = reinterpret_cast<HDC>(0x5150);
    const struct
    {
        const char* name;
        ChooseFontArgs args;
        BOOL result;
        std::intptr_t printerDC;
        long flags;
        int printQueries;
    } rows[] = {
        {"defaults, cancelled", {}, kCancel, 0, 0x41, 0},
        {"defaults, confirmed", {}, kConfirm, 0, 0x41, 0},
        {"printer fonts", {nullptr, -1, -1, 0, 0, 0, CF_PRINTERFONTS}, kCancel, 0x5150, 0x42, 1},
        {"PrinterDC 0", {nullptr, 0}, kCancel, 0, 0x42, 0},
        {"PrinterDC given", {nullptr, 0x777}, kCancel, 0x777, 0x42, 0},
        {"Color", {nullptr, -1, -1, 0xFF}, kCancel, 0, 0x141, 0},
        {"MinSize", {nullptr, -1, -1, 0, 8, 0}, kCancel, 0, 0x2041, 0},
        {"MaxSize", {nullptr, -1, -1, 0, 0, 72}, kCancel, 0, 0x2041, 0},
        {"hook, template, apply", {nullptr, -1, -1, 0, 0, 0, 0x80218}, kCancel, 0, 0x80041, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        std::vector<HGLOBAL> blocks;
        fake.printUser = [&](PRINTDLGA& r) {
            r.hDC = defaultPrinter;
            r.hDevMode = GlobalBlock(std::vector<BYTE>(122));
            r.hDevNames = GlobalBlock(std::vector<BYTE>(16));
            blocks = {r.hDevMode, r.hDevNames};
            return kConfirm;
        };
        fake.fontUser = [&row](CHOOSEFONTA&) { return row.result; };
        fake.seenPrint.clear();
        Font font(L"Tahoma");
        ChooseFontArgs args = row.args;
        args.CurFont = font.Disp();
        dialog.VBChooseFont(args);
        EXPECT_EQ(row.printerDC, args.PrinterDC);
        EXPECT_EQ(row.flags, args.flags);
        EXPECT_EQ(reinterpret_cast<HDC>(row.printerDC), fake.seenFont.hDC);
        EXPECT_EQ(nullptr, fake.seenFont.hwndOwner) << "an Owner of -1 is no owner";
        EXPECT_EQ(static_cast<DWORD>(row.flags), fake.seenFont.Flags);
        EXPECT_EQ(static_cast<DWORD>(row.args.Color), fake.seenFont.rgbColors);
        EXPECT_EQ(row.args.MinSize, fake.seenFont.nSizeMin);
        EXPECT_EQ(row.args.MaxSize, fake.seenFont.nSizeMax);
        ASSERT_EQ(row.printQueries, static_cast<int>(fake.seenPrint.size()));
        for (const PRINTDLGA& query : fake.seenPrint)
        {
            EXPECT_EQ(sizeof(PRINTDLGA), query.lStructSize);
            EXPECT_EQ(static_cast<DWORD>(PD_RETURNDEFAULT | PD_RETURNDC), query.Flags);
            EXPECT_TRUE(IsFreed(blocks[0]) && IsFreed(blocks[1]));
        }
    }
}

TEST_F(ColorFontDialogs, ConfirmedFlagsAreTheDialogs)
{
    fake.fontUser = [](CHOOSEFONTA& r) {
        r.Flags |= CF_NOSCRIPTSEL;
        return kConfirm;
    };
    Font font(L"Tahoma");
    ChooseFontArgs args{font.Disp()};
    EXPECT_TRUE(dialog.VBChooseFont(args));
    EXPECT_EQ(static_cast<long>(0x41 | CF_NOSCRIPTSEL), args.flags);
}

TEST_F(ColorFontDialogs, NoDefaultPrinterStopsBeforeTheDialog)
{
    FailOnce();
    fake.printUser = [](PRINTDLGA&) { return kCancel; };
    Font font(L"Tahoma");
    ChooseFontArgs args{font.Disp(), -1, -1, 0, 0, 0, CF_PRINTERFONTS};
    const int dialogs = fake.dialogs;
    try
    {
        dialog.VBChooseFont(args);
        ADD_FAILURE() << "no error";
    }
    catch (const Error& e)
    {
        EXPECT_EQ(482, e.Number());
    }
    EXPECT_EQ(dialogs + 1, fake.dialogs) << "only the question for the default printer";
    EXPECT_EQ(0, args.PrinterDC);
    EXPECT_EQ(CF_PRINTERFONTS, args.flags);
    EXPECT_EQ(0, dialog.APIReturn());
    EXPECT_EQ(0, dialog.ExtendedError());
}

TEST_F(ColorFontDialogs, HeightAndTenthsAtFifteenTwipsPerPixel)
{
    if (ScreenDpi() != 96)
        GTEST_SKIP() << "the heights are those of 15 twips per pixel; this screen has "
                     << ScreenDpi() << " dots per inch";
    const struct
    {
        double points;
        LONG height, tenths;
    } rows[] = {
        {12, -16, 120},   {10, -13, 100}, // 13.33 pixels
        {8.25, -11, 82},                  // 82.5 tenths, half to even
        {9.75, -13, 98},                  // 97.5 tenths, half to even
        {7.875, -10, 79},                 // 10.5 pixels, half to even
        {0.375, 0, 4},                    // 0.5 pixels, half to even
    };
    for (const auto& row : rows)
    {
        AutomationDouble font;
        font.SetFont(row.points, L"Tahoma");
        ChooseFontArgs args{&font};
        dialog.VBChooseFont(args);
        EXPECT_EQ(row.height, fake.seenLogFont.lfHeight) << row.points;
        EXPECT_EQ(row.tenths, fake.seenFont.iPointSize) << row.points;
    }
}

TEST_F(ColorFontDialogs, RealFontReachesTheDialog)
{
    // Wine and Windows report the size of the font as realised: 12 points are 16 whole pixels.
    if (ScreenDpi() != 96)
        GTEST_SKIP() << "the height is that of 15 twips per pixel; this screen has " << ScreenDpi()
                     << " dots per inch";
    const std::wstring face = InstalledFace();
    Font font(face.c_str(), 120000, FW_BOLD, TRUE, TRUE, SYMBOL_CHARSET);
    ChooseFontArgs args{font.Disp()};
    dialog.VBChooseFont(args);
    const LOGFONTA& lf = fake.seenLogFont;
    EXPECT_EQ(-16, lf.lfHeight);
    EXPECT_EQ(120, fake.seenFont.iPointSize);
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_EQ(0xFF, lf.lfItalic);
    EXPECT_EQ(0xFF, lf.lfUnderline);
    EXPECT_EQ(0, lf.lfStrikeOut);
    // The object names the face it realised (a symbol character set may realise another face).
    const std::wstring realised = font.Name();
    EXPECT_EQ(Ansi(realised) + std::string(32 - realised.size(), '\0'),
              std::string(lf.lfFaceName, 32));
    EXPECT_EQ(0, lf.lfCharSet) << "the object's character set stays out";
    EXPECT_EQ(sizeof(CHOOSEFONTA), fake.seenFont.lStructSize);
    EXPECT_TRUE(!fake.seenFont.lpszStyle && !fake.seenFont.nFontType && !fake.seenFont.lpfnHook);
}

TEST_F(ColorFontDialogs, FaceNameFillsTheWholeField)
{
    // The real font object gives its realised face, so a name no font has comes from a double.
    AutomationDouble font;
    font.SetFont(12, L"Abcdefghijklmnopqrstuvwxyz0123456789");
    ChooseFontArgs args{&font};
    dialog.VBChooseFont(args);
    EXPECT_EQ("Abcdefghijklmnopqrstuvwxyz012345", std::string(fake.seenLogFont.lfFaceName, 32));

    std::wstring text = L"Arial";
    EXPECT_EQ(std::vector<BYTE>({'A', 'r', 'i', 'a', 'l'}),
              cCommonDialogTestAccess::StringToBytes({}, text));
    EXPECT_EQ(L"Arial", text) << "an empty array takes no padding";
    EXPECT_EQ(std::vector<BYTE>({'A', 'r', 0, 0}),
              cCommonDialogTestAccess::StringToBytes({9, 9, 9, 9}, text = L"Ar"));
    EXPECT_EQ(L"Ar\0\0"s, text);
}

TEST_F(ColorFontDialogs, ConfirmedFontIsWrittenInOrder)
{
    fake.fontUser = [](CHOOSEFONTA& r) {
        strcpy(r.lpLogFont->lfFaceName, "MS Sans Serif");
        r.lpLogFont->lfWeight = FW_BOLD;
        r.lpLogFont->lfItalic = 0xFF;
        r.lpLogFont->lfStrikeOut = 1;
        r.iPointSize = 105;
        r.nFontType = BOLD_FONTTYPE | SCREEN_FONTTYPE;
        return kConfirm;
    };
    AutomationDouble font;
    font.SetFont(12, L"Tahoma");
    ChooseFontArgs args{&font};
    EXPECT_TRUE(dialog.VBChooseFont(args));
    const DISPID order[] = {DISPID_FONT_BOLD,  DISPID_FONT_ITALIC, DISPID_FONT_STRIKE,
                            DISPID_FONT_UNDER, DISPID_FONT_WEIGHT, DISPID_FONT_SIZE,
                            DISPID_FONT_NAME};
    ASSERT_EQ(std::size(order), font.writes.size());
    for (std::size_t i = 0; i < std::size(order); ++i)
        EXPECT_EQ(order[i], font.writes[i].first) << i;
    const auto& w = font.writes;
    EXPECT_TRUE(w[0].second.boolVal && w[1].second.boolVal && w[2].second.boolVal &&
                !w[3].second.boolVal);
    EXPECT_EQ(FW_BOLD, w[4].second.lVal);
    EXPECT_EQ(VT_CY, w[5].second.vt);
    EXPECT_EQ(105000, w[5].second.cyVal.int64) << "10.5 points";
    EXPECT_EQ(L"MS Sans Serif" + std::wstring(19, L'\0'),
              std::wstring(w[6].second.bstrVal, SysStringLen(w[6].second.bstrVal)));
}

TEST_F(ColorFontDialogs, ConfirmedFontGoesIntoTheRealObject)
{
    const std::string face = Ansi(InstalledFace());
    fake.fontUser = [&face](CHOOSEFONTA& r) {
        // The dialog writes a whole NUL-terminated name over whatever the field held.
        std::fill_n(r.lpLogFont->lfFaceName, LF_FACESIZE, '\0');
        face.copy(r.lpLogFont->lfFaceName, LF_FACESIZE - 1);
        r.lpLogFont->lfWeight = FW_BOLD;
        r.lpLogFont->lfItalic = 0xFF;
        r.lpLogFont->lfStrikeOut = 1;
        r.lpLogFont->lfCharSet = SHIFTJIS_CHARSET;
        r.iPointSize = 90;
        r.nFontType = BOLD_FONTTYPE | SCREEN_FONTTYPE;
        r.rgbColors = 0x000000FF;
        return kConfirm;
    };
    Font font(L"Courier");
    ChooseFontArgs args{font.Disp()};
    EXPECT_TRUE(dialog.VBChooseFont(args));
    EXPECT_EQ(0xFF, args.Color);
    CY size{};
    BOOL bold = FALSE, italic = FALSE, underline = TRUE, strike = FALSE;
    SHORT weight = 0, charset = 0;
    (*font).get_Size(&size);
    (*font).get_Bold(&bold);
    (*font).get_Italic(&italic);
    (*font).get_Underline(&underline);
    (*font).get_Strikethrough(&strike);
    (*font).get_Weight(&weight);
    (*font).get_Charset(&charset);
    EXPECT_EQ(InstalledFace(), font.Name()) << "the text before the field's first NUL";
    EXPECT_EQ(90000, size.int64) << "9 points are 12 whole pixels";
    EXPECT_TRUE(bold && italic && !underline && strike);
    EXPECT_EQ(FW_BOLD, weight);
    EXPECT_EQ(ANSI_CHARSET, charset) << "the dialog's character set stays out";
}

TEST_F(ColorFontDialogs, CancelledOrFailedFontChangesNothing)
{
    for (const BOOL result : {kCancel, kFail})
    {
        fake.errorCode = 0xFFFF;
        fake.fontUser = [result](CHOOSEFONTA& r) {
            strcpy(r.lpLogFont->lfFaceName, "MS Sans Serif");
            r.rgbColors = 0xFF;
            return result;
        };
        AutomationDouble font;
        font.SetFont(12, L"Tahoma");
        ChooseFontArgs args{&font, -1, -1, 0x00FF00};
        EXPECT_FALSE(dialog.VBChooseFont(args));
        EXPECT_EQ(0x00FF00, args.Color);
        EXPECT_TRUE(font.writes.empty());
        EXPECT_EQ(result, dialog.APIReturn());
        EXPECT_EQ(result == kFail ? 0xFFFF : 0, dialog.ExtendedError());
    }
}

TEST_F(ColorFontDialogs, RefusedFontsStopBeforeTheDialog)
{
    const struct
    {
        const char* name;
        double points;
        bool withFont;
        DISPID refused;
        long error;
    } rows[] = {
        {"no font object", 12, false, 0, 91},
        {"pixel height past 32 bits", 2e9, true, 0, 6},
        {"tenths past 32 bits", 3e8, true, 0, 6},
        {"weight refused", 12, true, DISPID_FONT_WEIGHT, DISP_E_OVERFLOW},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        FailOnce();
        AutomationDouble font;
        font.SetFont(row.points, L"Tahoma");
        if (row.refused)
            font.refused.insert(row.refused);
        ChooseFontArgs args{row.withFont ? &font : nullptr};
        const int dialogs = fake.dialogs;
        try
        {
            dialog.VBChooseFont(args);
            ADD_FAILURE() << "no error";
        }
        catch (const Error& e)
        {
            EXPECT_EQ(row.error, e.Number());
        }
        EXPECT_EQ(dialogs, fake.dialogs);
        EXPECT_EQ(0x41, args.flags);
        EXPECT_EQ(0, dialog.APIReturn());
        EXPECT_EQ(0, dialog.ExtendedError());
    }
}
