// End-to-end flows on the real tessaline.exe, driven from this separate process.

#include "e2e/Driver.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/TempFolder.h"
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

namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// What Apply writes for an icon path that the ANSI code page holds, spelled out here
// independently of the program's own code.
std::string ExpectedDesktopIni(const std::wstring& icon, const std::string& index = "0")
{
    return "[.ShellClassInfo]\r\n;for Windows 7/8/8.1\r\nIconResource=" + Narrow(icon) + "," +
           index + "\r\n\r\n;for Windows XP\r\nIconFile=" + Narrow(icon) +
           "\r\nIconIndex=" + index + "\r\n\r\n; TESL (Tessaline) 1.2.14\r\n";
}

class EndToEndFolders : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        target = folder.MakeFolder(L"Photos");
        icon = folder.WriteFile(L"star.ico", SolidIconFile(RGB(255, 0, 0)));
    }
    std::wstring Ini() const { return target + L"\\desktop.ini"; }
    bool IniExists() const { return GetFileAttributesW(Ini().c_str()) != INVALID_FILE_ATTRIBUTES; }

    TempFolder folder;
    std::wstring target, icon;
    Driver app;
};

TEST_F(EndToEndFolders, ApplyWritesTheFileAndMarksThenConfirmsThenResets)
{
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    app.SetText(frmMain::txtFolder, target);
    app.SetText(frmMain::txtIcon, icon);
    app.Click(frmMain::cmdApply);
    MessageBoxSeen box = app.WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"Success change icon");
    EXPECT_EQ(box.title, L"Tessaline");
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), target) << "reset waits for OK";
    app.PressOk(box.hwnd);
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");
    EXPECT_EQ(app.Text(app.Control(frmMain::txtIcon)), L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove));

    EXPECT_EQ(ReadFileBytes(Ini()), ExpectedDesktopIni(icon));
    // Wine reports ARCHIVE on every file and keeps no READONLY on folders: compare what it keeps.
    EXPECT_EQ(GetFileAttributesW(Ini().c_str()) & 0x07, 0x07u);
    EXPECT_EQ(GetFileAttributesW(target.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              0u);
}

TEST_F(EndToEndFolders, TheRealPickerFindsTheFileAndRemoveTakesItAway)
{
    app.SetText(frmMain::txtFolder, target);
    app.SetText(frmMain::txtIcon, icon);
    app.Click(frmMain::cmdApply);
    app.PressOk(app.WaitForMessageBox().hwnd);
    app.Settle();

    app.Click(frmMain::cmdFolder);
    ASSERT_TRUE(app.AnswerFolderPicker(target));
    app.Settle();
    EXPECT_EQ(lstrcmpiW(app.Text(app.Control(frmMain::txtFolder)).c_str(), target.c_str()), 0);
    EXPECT_TRUE(app.Enabled(frmMain::cmdRemove));

    app.Click(frmMain::cmdRemove);
    app.Settle();
    EXPECT_EQ(app.WaitForDialog(300), nullptr) << "a removal shows no message";
    EXPECT_FALSE(IniExists());
    EXPECT_EQ(GetFileAttributesW(target.c_str()) & 0x07, 0u);
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove));
}

TEST_F(EndToEndFolders, AFailedWriteIsReportedAndTheProgramGoesOn)
{
    std::wstring missing = folder / L"gone";
    app.SetText(frmMain::txtFolder, missing);
    app.SetText(frmMain::txtIcon, icon);
    app.Click(frmMain::cmdApply);
    MessageBoxSeen box = app.WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.title, L"Error");
    EXPECT_NE(box.text.find(missing + L"\\desktop.ini"), std::wstring::npos) << Narrow(box.text);
    EXPECT_TRUE(box.hasIcon);
    app.PressOk(box.hwnd);
    app.Settle();
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), missing);
    EXPECT_EQ(app.Close(), 0u);
}

TEST_F(EndToEndFolders, TheRealPickerRefusesADriveRootAndCancelEmptiesTheBox)
{
    app.Click(frmMain::cmdFolder);
    ASSERT_TRUE(app.AnswerFolderPicker(L"C:\\"));
    MessageBoxSeen box = app.WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"Please choose folder to change icon");
    EXPECT_EQ(box.title, L"Error");
    app.PressOk(box.hwnd);
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");

    app.SetText(frmMain::txtFolder, target);
    app.Click(frmMain::cmdFolder);
    ASSERT_TRUE(app.AnswerFolderPicker(L""));
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdRemove));
}

TEST_F(EndToEndFolders, TheRealOpenDialogFillsTheIconBox)
{
    app.SetText(frmMain::txtFolder, target);
    app.Click(frmMain::cmdIcon);
    ASSERT_TRUE(app.AnswerOpenDialog(icon));
    app.Settle();
    EXPECT_EQ(lstrcmpiW(app.Text(app.Control(frmMain::txtIcon)).c_str(), icon.c_str()), 0);
    EXPECT_TRUE(app.Enabled(frmMain::cmdApply));

    app.Click(frmMain::cmdIcon);
    ASSERT_TRUE(app.AnswerOpenDialog(L""));
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtIcon)), L"");
    EXPECT_FALSE(app.Enabled(frmMain::cmdApply));
}

TEST_F(EndToEndFolders, ALibraryFromTheRealOpenDialogAndATypedIndexAreWritten)
{
    const std::wstring library = IconLibraryPath();
    app.SetText(frmMain::txtFolder, target);
    app.Click(frmMain::cmdIcon);
    ASSERT_TRUE(app.AnswerOpenDialog(library));
    app.Settle();
    // Wine's icon chooser shows nothing: the first icon is taken.
    EXPECT_EQ(lstrcmpiW(app.Text(app.Control(frmMain::txtIcon)).c_str(), (library + L",0").c_str()),
              0);

    app.SetText(frmMain::txtIcon, library + L",3");
    app.Click(frmMain::cmdApply);
    MessageBoxSeen box = app.WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"Success change icon");
    app.PressOk(box.hwnd);
    app.Settle();
    EXPECT_EQ(ReadFileBytes(Ini()), ExpectedDesktopIni(library, "3"));
}
} // namespace
