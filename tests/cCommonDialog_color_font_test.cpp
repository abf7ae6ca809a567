// The colour and font dialogs through the fake comdlg32, with real OLE font objects.
#include "cCommonDialogFake.h"
#include "dialogs/cCommonDialog.h"
#include "runtime/Error.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace
{
constexpr DWORD kNoDefaultPrinter = 0x1008; // PDERR_NODEFAULTPRN

std::array<COLORREF, 16> SystemColors()
{
    std::array<COLORREF, 16> colors{};
    for (int i = 0; i < 16; ++i)
        colors[static_cast<std::size_t>(i)] = GetSysColor(i);
    return colors;
}

class ColorFontDialogs : public ::testing::Test
{
  protected:
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
