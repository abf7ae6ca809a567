// The icon preview, drawn into the real main window and read back pixel by pixel.

#include "runtime/Twips.h"
#include "support/FakeHost.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/TempFolder.h"
#include "support/Windows.h"
#include "ui/main/Preview.h"
#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

namespace
{
class Preview : public ::testing::Test
{
  protected:
    void SetUp() override { form.Show(); }
    PictureBox& Picture() { return form.Picture(frmMain::picIcon); }
    COLORREF Pixel(int x, int y)
    {
        UpdateWindow(Picture().Hwnd());
        return ScreenPixel(Picture().Hwnd(), x, y);
    }
    bool Empty()
    {
        for (int y = 0; y < 44; y += 3)
            for (int x = 0; x < 44; x += 3)
                if (Pixel(x, y) != GetSysColor(COLOR_WINDOW))
                    return false;
        return true;
    }

    FakeHost host;
    frmMain form{host};
    TempFolder folder;
};

TEST_F(Preview, DrawsTheIconAtLargeSizeWithItsCornerAtSevenSeven)
{
    std::wstring icon = folder.WriteFile(L"red.ico", SolidIconFile(RGB(255, 0, 0)));
    DrawPreviewIcon(Picture(), ScreenDpi(), icon);
    const int large = GetSystemMetrics(SM_CXICON);
    EXPECT_EQ(Pixel(7, 7), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(7 + large - 1, 7 + large - 1), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(6, 7), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(Pixel(7, 6), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(Pixel(7 + large, 7 + large), GetSysColor(COLOR_WINDOW));
}

TEST_F(Preview, AChosenIconOrColourIsDrawnAgainAtTheScaleOfANewDpiAndBack)
{
    // What is drawn, as the box of pixels that are not background: at 144 DPI it starts at
    // (10, 10) and is 1.5 times as large; back at 96 it is as before.
    const int dpi = ScreenDpi();
    RECT place{};
    GetWindowRect(form.Hwnd(), &place);
    const auto drawn = [&] { return DrawnBox(Picture().Hwnd(), GetSysColor(COLOR_WINDOW)); };
    host.openDialog.answer = folder.WriteFile(L"red.ico", SolidIconFile(RGB(255, 0, 0)));
    SendMessageW(form.ControlHwnd(frmMain::cmdIcon), BM_CLICK, 0, 0);
    for (const wchar_t* colour : {L"", L"#FF0000"})
    {
        if (*colour)
            form.SetText(frmMain::txtIcon, colour);
        const RECT before = drawn();
        ASSERT_GE(before.left, 7) << "drawn at (7, 7) or inside";
        MoveToDpi(form, dpi * 3 / 2, place);
        const RECT larger = drawn();
        EXPECT_NEAR(larger.left, MulDiv(before.left, 3, 2), 1) << colour;
        EXPECT_NEAR(larger.right, MulDiv(before.right, 3, 2), 2) << colour;
        EXPECT_NEAR(larger.bottom, MulDiv(before.bottom, 3, 2), 2) << colour;
        MoveToDpi(form, dpi, place);
        const RECT again = drawn();
        EXPECT_TRUE(EqualRect(&again, &before)) << colour;
        // A new theme paints it again on the new background: a stray mark goes, the icon stays.
        RECT mark{40, 40, 44, 44};
        FillRect(Picture().Hdc(), &mark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        Picture().Refresh();
        const RECT marked = drawn();
        ASSERT_FALSE(EqualRect(&marked, &before)) << "the mark shows";
        SendMessageW(form.Hwnd(), WM_SYSCOLORCHANGE, 0, 0);
        const RECT repainted = drawn();
        EXPECT_TRUE(EqualRect(&repainted, &before)) << colour;
    }
}

TEST_F(Preview, FindsAPathThatTheAnsiCodePageCannotHold)
{
    std::wstring icon = folder.WriteFile(L"\u65E5\u672C-\u0416.ico", SolidIconFile(RGB(0, 0, 255)));
    DrawPreviewIcon(Picture(), ScreenDpi(), icon);
    EXPECT_EQ(Pixel(20, 20), RGB(0, 0, 255));
}

TEST_F(Preview, DrawsALibrarysIconByResourceId)
{
    for (int index = 0; index < kLibraryIcons; ++index)
    {
        Picture().Clear();
        DrawPreviewIcon(Picture(), ScreenDpi(), IconLibraryPath(), -(kLibraryFirstResourceId + index));
        EXPECT_EQ(Pixel(20, 20), kLibraryColours[index]) << "resource id of index " << index;
    }
}

TEST_F(Preview, DrawsNothingForFilesWithoutAnIcon)
{
    std::wstring text = folder.WriteFile(L"notes.txt", "not an icon");
    std::wstring cases[] = {L"", text, folder / L"missing.ico", folder.Path()};
    for (const std::wstring& path : cases)
    {
        DrawPreviewIcon(Picture(), ScreenDpi(), path);
        EXPECT_TRUE(Empty()) << "path: " << std::string(path.begin(), path.end());
    }
}

TEST_F(Preview, ReleasesEveryIconItDraws)
{
    std::wstring icon = folder.WriteFile(L"red.ico", SolidIconFile(RGB(255, 0, 0)));
    DrawPreviewIcon(Picture(), ScreenDpi(), icon);
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    unsigned slotBefore = NextIconSlot();
    for (int i = 0; i < 1000; ++i)
    {
        Picture().Clear();
        DrawPreviewIcon(Picture(), ScreenDpi(), icon);
    }
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
    // A leak would hold 1,000 slots; processes beside this one take tens.
    EXPECT_LE(NextIconSlot(), slotBefore + 400) << "icon handles piled up";
}
} // namespace
