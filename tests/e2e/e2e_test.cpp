// End-to-end flows on the real tessaline.exe, driven from this separate process.

#include "e2e/Driver.h"
#include "runtime/Form.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

namespace
{
// Each run names the Windows version its Wine prefix reports; the program must see it too.
TEST(EndToEnd, RunsUnderTheWindowsVersionAsked)
{
    char expected[16] = {};
    if (GetEnvironmentVariableA("TESSALINE_EXPECT_WINDOWS", expected, sizeof expected) == 0)
        GTEST_SKIP() << "no Windows version asked for";
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExW(&version));
    EXPECT_EQ(std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion),
              expected);
}

TEST(EndToEnd, StartsEmptyWithApplyAndRemoveDisabledAndClosesCleanly)
{
    Driver app;
    EXPECT_EQ(app.Text(app.Main()), L"Tessaline");
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");
    EXPECT_EQ(app.Text(app.Control(frmMain::txtIcon)), L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove));
    EXPECT_TRUE(app.Enabled(frmMain::cmdFolder));
    EXPECT_TRUE(app.Enabled(frmMain::cmdIcon));
    EXPECT_EQ(app.Close(), 0u);
}

TEST(EndToEnd, ApplyIsEnabledExactlyWhenBothBoxesHoldText)
{
    Driver app;
    app.Type(frmMain::txtFolder, L"C:\\x");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    app.Type(frmMain::txtIcon, L" ");
    EXPECT_TRUE(app.Enabled(frmMain::cmdApply)) << "a blank counts as text";
    app.SetText(frmMain::txtFolder, L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    app.SetText(frmMain::txtFolder, L"C:\\Photos");
    EXPECT_TRUE(app.Enabled(frmMain::cmdApply));
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove)) << "typing never enables Remove";
    EXPECT_EQ(app.Close(), 0u);
}
} // namespace

namespace
{
HWND WaitForWindowOfClass(Driver& app, const wchar_t* className)
{
    for (int i = 0; i < 250; ++i)
    {
        for (HWND hwnd : app.TopLevelWindows())
        {
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (std::wstring(name) == className && IsWindowVisible(hwnd))
                return hwnd;
        }
        Sleep(20);
    }
    return nullptr;
}

TEST(EndToEnd, TheNoticeOpensTheAboutWindowModallyAgainAndAgain)
{
    Driver app;
    for (int round = 1; round <= 2; ++round)
    {
        app.Click(frmMain::lblCopyright);
        HWND about = WaitForWindowOfClass(app, L"TessalineAbout");
        ASSERT_NE(about, nullptr) << "round " << round;
        EXPECT_EQ(app.Text(about), L"About");
        EXPECT_EQ(app.Text(GetDlgItem(about, Form::kFirstControlId + frmAbout::lblVer)), L"1.2.14");
        EXPECT_FALSE(app.MainEnabled()) << "the main window takes no input while it is open";
        PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
        for (int i = 0; i < 250 && IsWindow(about); ++i)
            Sleep(20);
        EXPECT_FALSE(IsWindow(about));
        app.Settle();
        EXPECT_TRUE(app.MainEnabled());
    }
    EXPECT_EQ(app.Close(), 0u);
}
} // namespace
