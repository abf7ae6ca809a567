// End-to-end flows on the real tessaline.exe, driven from this separate process.

#include "cli/MenuGathering.h"
#include "e2e/Driver.h"
#include "engine/FolderIcon.h"
#include "runtime/SystemError.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/TempFolder.h"
#include "support/Windows.h"
#include "runtime/Form.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmMain.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>

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

// What only a click needs is loaded at that click: the window shows without these libraries.
// ole32 is not among them here: Wine's own window code loads it into every GUI process, a bare
// window's too, which Windows does not.
TEST(EndToEnd, LoadsTheDialogAndShellLibrariesOnlyAtTheClickThatNeedsThem)
{
    Driver app;
    const std::set<std::wstring> atStart = LoadedModules(app.ProcessId());
    for (const wchar_t* dll :
         {L"comdlg32.dll", L"shell32.dll", L"shlwapi.dll", L"oleaut32.dll", L"psapi.dll"})
        EXPECT_EQ(atStart.count(dll), 0u) << dll << " is loaded before any click";
    app.Click(frmMain::cmdIcon);
    ASSERT_TRUE(app.AnswerOpenDialog(L""));
    EXPECT_EQ(LoadedModules(app.ProcessId()).count(L"comdlg32.dll"), 1u);
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
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        << "the user's marks stay";
}

TEST_F(EndToEndFolders, AForeignDesktopIniKeepsItsLinesAndRemoveGivesThemBack)
{
    const std::string foreign = "[ViewState]\r\nMode=4\r\n[.ShellClassInfo]\r\nInfoTip=hello\r\n";
    folder.WriteFile(L"Photos\\desktop.ini", foreign);
    app.SetText(frmMain::txtFolder, target);
    app.SetText(frmMain::txtIcon, icon);
    app.Click(frmMain::cmdApply);
    app.PressOk(app.WaitForMessageBox().hwnd);
    app.Settle();
    // The folder and the file had no marks, which Remove gives back (the folder's note carries a
    // digest of the other lines, left out here).
    std::string block =
        ExpectedDesktopIni(icon).substr(std::string("[.ShellClassInfo]\r\n").size());
    block.insert(block.find("; TESL ("), ";TESL folder was not read-only \r\n;TESL file was not "
                                         "read-only, hidden, system\r\n;TESL set aside none\r\n");
    std::string applied = ReadFileBytes(Ini());
    const size_t digest = applied.find("read-only ") + 10;
    EXPECT_EQ(applied.erase(digest, std::min<size_t>(applied.size() - digest, 8)),
              "[ViewState]\r\nMode=4\r\n[.ShellClassInfo]\r\n" + block + "InfoTip=hello\r\n");

    app.Click(frmMain::cmdFolder);
    ASSERT_TRUE(app.AnswerFolderPicker(target));
    app.Settle();
    app.Click(frmMain::cmdRemove);
    // The click is posted: the window's reset tells that it has run.
    for (int i = 0; i < 250 && app.Enabled(frmMain::cmdRemove); ++i)
        Sleep(20);
    EXPECT_EQ(app.WaitForDialog(300), nullptr) << "a removal shows no message";
    EXPECT_EQ(ReadFileBytes(Ini()), foreign);
    EXPECT_EQ(GetFileAttributesW(Ini().c_str()) & 0x07, 0u) << "the settings left keep theirs";
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

namespace
{
// A shell shortcut at link that points at target.
void MakeShortcut(const std::wstring& link, const std::wstring& target)
{
    CoInitialize(nullptr);
    IShellLinkW* shortcut = nullptr;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                     reinterpret_cast<void**>(&shortcut));
    ASSERT_NE(shortcut, nullptr);
    shortcut->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Save(link.c_str(), TRUE), S_OK);
    file->Release();
    shortcut->Release();
}

TEST_F(EndToEndFolders, DropsFillTheBoxesAsThePickerAndTheOpenDialogDo)
{
    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(target), icon).status, IconStatus::Ok);
    MakeShortcut(folder / L"Photos.lnk", target);
    std::wstring other = folder.MakeFolder(L"Other");
    // A shortcut stands for its folder; the first folder and the first file are taken.
    app.Drop({folder / L"Photos.lnk", icon, other, folder / L"Photos.lnk"});
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), target);
    EXPECT_EQ(app.Text(app.Control(frmMain::txtIcon)), icon);
    EXPECT_TRUE(app.Enabled(frmMain::cmdRemove)) << "the folder has a desktop.ini";
    EXPECT_TRUE(app.Enabled(frmMain::cmdApply));
    EXPECT_EQ(app.WaitForDialog(300), nullptr) << "extra items of a drop are no error";

    // While a modal window is open a drop does nothing.
    app.Click(frmMain::lblCopyright);
    HWND about = WaitForWindowOfClass(app, L"TessalineAbout");
    ASSERT_NE(about, nullptr);
    app.Drop({other});
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), target);
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    app.Settle();

    app.Drop({L"C:\\"});
    MessageBoxSeen box = app.WaitForMessageBox();
    EXPECT_EQ(box.text, L"Please choose folder to change icon");
    app.PressOk(box.hwnd);
    app.Settle();
    EXPECT_EQ(app.Text(app.Control(frmMain::txtFolder)), L"");
    EXPECT_EQ(app.Text(app.Control(frmMain::txtIcon)), icon) << "the icon box is untouched";
}

TEST_F(EndToEndFolders, ArgumentsInEitherOrderFillTheBoxesAndWhatCantBeUsedIsNamed)
{
    Driver started(L"star.ico Photos gone", folder.Path());
    MessageBoxSeen box = started.WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find(folder / L"gone: not found (error 2: "), std::wstring::npos)
        << Narrow(box.text);
    started.PressOk(box.hwnd);
    started.Settle();
    EXPECT_EQ(started.Text(started.Control(frmMain::txtFolder)), target) << "made full";
    EXPECT_EQ(started.Text(started.Control(frmMain::txtIcon)), icon);
    EXPECT_FALSE(started.Enabled(frmMain::cmdRemove));
    EXPECT_EQ(started.Close(), 0u);
}

TEST_F(EndToEndFolders, BatchModeGoesOnPastFailuresAndSaysWhichByItsExitCode)
{
    std::wstring other = folder.MakeFolder(L"Other");
    std::string output;
    Driver apply(Driver::Batch::Output, L"/APPLY star.ico Photos gone Other", folder.Path());
    EXPECT_EQ(apply.WaitForExit(&output), 1u);
    EXPECT_EQ(output, Narrow(folder / L"gone: not found (error 2: " + SystemErrorText(2)) +
                          ")\r\n1 of 3 folders could not be changed.\r\n");
    EXPECT_EQ(ReadFileBytes(Ini()), ExpectedDesktopIni(icon));
    EXPECT_EQ(ReadFileBytes(other + L"\\desktop.ini"), ExpectedDesktopIni(icon));

    Driver remove(Driver::Batch::Output, L"-remove Photos Other", folder.Path());
    EXPECT_EQ(remove.WaitForExit(&output), 0u);
    EXPECT_FALSE(IniExists());

    Driver wrong(Driver::Batch::Output, L"/apply star.ico /nope", folder.Path());
    EXPECT_EQ(wrong.WaitForExit(&output), 2u);
    EXPECT_EQ(output.rfind("Unknown switch /nope.\r\n\r\nTessaline 1.2.14", 0), 0u) << output;
}

TEST_F(EndToEndFolders, BatchModeRefusesADriveLetterAloneAndAQuoteWithinAnArgument)
{
    // "C:" alone names the current folder of drive C to the system, here the folder Photos.
    std::string output;
    Driver drive(Driver::Batch::Output, L"/apply \"" + icon + L"\" C:", target);
    EXPECT_EQ(drive.WaitForExit(&output), 1u);
    EXPECT_EQ(output, "C:\\: a drive's or share's root takes no folder icon (error 50: " +
                          Narrow(SystemErrorText(50)) +
                          ")\r\n1 of 1 folders could not be changed.\r\n");
    EXPECT_FALSE(IniExists());

    // The system reads "Photos\" Other" as one argument, "Photos" Other".
    std::wstring other = folder.MakeFolder(L"Other");
    Driver quote(Driver::Batch::Output, L"/apply star.ico \"Photos\\\" Other", folder.Path());
    EXPECT_EQ(quote.WaitForExit(&output), 2u);
    EXPECT_EQ(
        output.rfind("An argument holds a quote: \"Photos\" Other\". A backslash just before a "
                     "closing quote makes Windows read the quote as part of the path: write "
                     "\"Photos\" rather than \"Photos\\\".\r\n\r\nTessaline 1.2.14",
                     0),
        0u)
        << output;
    EXPECT_FALSE(IniExists());
    EXPECT_EQ(GetFileAttributesW((other + L"\\desktop.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EndToEndFolders, BatchModeTakesAnIconByItsIndexAsTheWindowDoes)
{
    const std::wstring library = IconLibraryPath();
    const std::wstring beside = library.substr(0, library.find_last_of(L'\\'));
    std::string output;
    Driver refused(Driver::Batch::Output, L"/apply iconlibrary.dll,9 \"" + target + L"\"", beside);
    EXPECT_EQ(refused.WaitForExit(&output), 1u);
    EXPECT_EQ(output, "The file named in \"" + Narrow(library) +
                          ",9\" holds 4 icons, numbered 0 to 3. Nothing was changed.\r\n"
                          "No folder was changed.\r\n");
    EXPECT_FALSE(IniExists());

    // A relative icon counts from the current folder, as for a plain icon file.
    Driver applied(Driver::Batch::Output, L"/apply iconlibrary.dll,2 \"" + target + L"\"", beside);
    EXPECT_EQ(applied.WaitForExit(&output), 0u) << output;
    EXPECT_EQ(ReadFileBytes(Ini()), ExpectedDesktopIni(library, "2"));
}

TEST_F(EndToEndFolders, BatchRemoveTakesEachFolderOnceAndBringsBackASetAsideIcon)
{
    const std::string foreign = "[.ShellClassInfo]\r\nIconResource=C:\\old.ico,3\r\n";
    folder.WriteFile(L"Photos\\desktop.ini", foreign);
    Driver apply(Driver::Batch::Output, L"/apply star.ico Photos", folder.Path());
    ASSERT_EQ(apply.WaitForExit(), 0u);

    // The second Remove of the same folder would take away the icon that the first brought back:
    // each repeat is named, and is no failure.
    std::string output;
    Driver remove(Driver::Batch::Output, L"/remove Photos photos\\ \"" + target + L"\"",
                  folder.Path());
    EXPECT_EQ(remove.WaitForExit(&output), 0u) << output;
    EXPECT_EQ(output,
              Narrow(folder / L"photos: the same folder as " + target +
                     L": named twice, done once\r\n" + target + L": named twice, done once\r\n"));
    EXPECT_EQ(ReadFileBytes(Ini()), foreign);

    // Batch mode takes away only what Tessaline put in: the folder is listed, and nothing failed.
    const std::wstring leftAlone = target + L": left alone: its icon was not set by Tessaline";
    Driver again(Driver::Batch::Output, L"/remove Photos", folder.Path());
    EXPECT_EQ(again.WaitForExit(&output), 0u);
    EXPECT_EQ(output, Narrow(leftAlone) + "\r\n1 of 1 folders was left alone.\r\n");
    EXPECT_EQ(ReadFileBytes(Ini()), foreign);
}

TEST_F(EndToEndFolders, BatchModeMakesAColourOrAPictureOnceIntoAHiddenFileOrRefusesItUntouched)
{
    // A header of 0 × 0 pixels, and one of more pixels than Tessaline takes.
    const auto bmpHeader = [](int side) {
        std::string bytes = SolidBmpFile(0).substr(0, 54);
        for (int at : {18, 22})
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = static_cast<char>(side >> (8 * i));
        return bytes;
    };
    folder.WriteFile(L"red.bmp", SolidBmpFile(RGB(255, 0, 0)));
    folder.WriteFile(L"broken.png", "\x89PNG\r\n");
    folder.WriteFile(L"empty.bmp", bmpHeader(0));
    folder.WriteFile(L"huge.bmp", bmpHeader(20000));
    folder.WriteFile(L"notes.txt", "mine");
    const std::string unchanged = " Nothing was changed.\r\nNo folder was changed.\r\n";
    const struct
    {
        const wchar_t* icon;
        const char* made; // the made file's name, up to its digest; none: refused
        std::string output;
    } rows[] = {
        {L"#d9433b", "Tessaline-colour2-D9433B.ico", ""},
        {L"red.bmp", "Tessaline-picture-", ""},
        {L"broken.png", nullptr,
         "The picture \"" + Narrow(folder / L"broken.png") +
             "\" can't be read: Windows reads no pictures of its kind, or the file is damaged." +
             unchanged},
        {L"empty.bmp", nullptr,
         "The picture \"" + Narrow(folder / L"empty.bmp") + "\" has no pixels to make an icon of." +
             unchanged},
        {L"huge.bmp", nullptr,
         "The picture \"" + Narrow(folder / L"huge.bmp") +
             "\" is larger than Tessaline takes: up to 50 million pixels and 64 MB." + unchanged},
        {L"notes.txt", nullptr,
         "The file named in \"" + Narrow(folder / L"notes.txt") +
             "\" is neither an icon (an icon file, a program or an icon library) nor a picture "
             "that Windows can read." +
             unchanged},
    };
    const std::wstring other = folder.MakeFolder(L"Other");
    for (const auto& row : rows)
    {
        SCOPED_TRACE(Narrow(row.icon));
        std::vector<std::wstring> made;
        std::string output;
        Driver batch(Driver::Batch::Output, L"/apply " + std::wstring(row.icon) + L" Photos Other",
                     folder.Path());
        EXPECT_EQ(batch.WaitForExit(&output), row.made ? 0u : 1u);
        EXPECT_EQ(output, row.output);
        for (const std::wstring& changed : {target, other})
        {
            const std::string ini = ReadFileBytes(changed + L"\\desktop.ini");
            if (!row.made)
            {
                EXPECT_EQ(ini, "");
                continue;
            }
            const size_t at = ini.find("IconFile=") + 9;
            const std::string value = ini.substr(at, ini.find('\r', at) - at);
            const std::wstring name(value.begin(), value.end());
            made.push_back(changed + L"\\" + name);
            EXPECT_EQ(Narrow(name).rfind(row.made, 0), 0u) << name;
            EXPECT_EQ(ini, ExpectedDesktopIni(name));
            EXPECT_EQ(
                GetFileAttributesW((changed + L"\\" + name).c_str()) &
                    (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY),
                static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        }
        Driver remove(Driver::Batch::Output, L"/remove Photos Other", folder.Path());
        EXPECT_EQ(remove.WaitForExit(), 0u);
        for (const std::wstring& file : made)
            EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << Narrow(file);
    }
}

// What the copies that the folder menu starts for a selection showed and ended with.
struct MenuRun
{
    std::vector<std::wstring> boxes;
    std::vector<DWORD> exitCodes;
};

// Starts one copy per folder at once with the same folder-menu arguments, as Explorer does for the
// folders selected, presses OK on every box they show, and waits for them all.
MenuRun RunFromMenu(const std::wstring& arguments, const std::vector<std::wstring>& folders)
{
    std::vector<std::unique_ptr<Driver>> copies;
    for (const std::wstring& folder : folders)
        copies.push_back(std::make_unique<Driver>(
            Driver::Batch::NoOutput,
            std::wstring(kMenuSwitch) + L" " + arguments + L" \"" + folder + L"\"", L""));
    MenuRun run;
    bool running = true;
    for (DWORD start = GetTickCount(); running && GetTickCount() - start < 60000; Sleep(20))
    {
        running = false;
        for (const auto& copy : copies)
        {
            running = running || copy->Running();
            MessageBoxSeen box = copy->WaitForMessageBox(0);
            if (box.hwnd != nullptr)
            {
                run.boxes.push_back(box.text);
                copy->PressOk(box.hwnd);
            }
        }
    }
    for (const auto& copy : copies)
        run.exitCodes.push_back(copy->WaitForExit());
    return run;
}

// A tree from the real exe: /list into a pipe in UTF-8, whatever the console's code page; without
// a console, a long walk shows the shell's progress window, whose Cancel stops it between two
// folders, and the box says so.
TEST_F(EndToEndFolders, ATreeIsListedInUtf8AndALongWalkStopsAtCancel)
{
    const std::wstring wide = folder.MakeFolder(L"Photos\\\u4E2D\u0F00");
    Driver apply(Driver::Batch::Output, L"/apply star.ico /s Photos", folder.Path());
    std::string output;
    EXPECT_EQ(apply.WaitForExit(&output), 0u) << output;
    Driver list(Driver::Batch::Output, L"/list /s Photos", folder.Path());
    EXPECT_EQ(list.WaitForExit(&output), 0u);
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr));
    EXPECT_EQ(output, Narrow(target) + "\tTessaline\t" + Narrow(icon) + ",0\r\n" + utf8 +
                          "\tTessaline\t" + Narrow(icon) + ",0\r\n");

    const std::wstring tree = folder.MakeFolder(L"Tree");
    for (int i = 0; i < 2000; ++i)
        folder.MakeFolder(L"Tree\\t" + std::to_wstring(i));
    Driver run(Driver::Batch::NoOutput, L"/apply #3A7BD5 /s Tree", folder.Path());
    const HWND progress = run.WaitForDialog(30000);
    if (progress == nullptr)
        GTEST_SKIP() << "no progress window came";
    PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
    // The progress window goes at the end, before the box.
    for (DWORD start = GetTickCount(); IsWindowVisible(progress) && GetTickCount() - start < 30000;)
        Sleep(20);
    const MessageBoxSeen box = run.WaitForMessageBox(30000);
    EXPECT_EQ(box.text.rfind(L"Stopped. Folders: ", 0), 0u) << box.text;
    run.PressOk(box.hwnd);
    EXPECT_EQ(run.WaitForExit(), 1u);
    // Each folder done whole or untouched, and not all done.
    size_t done = 0;
    for (int i = 0; i < 2000; ++i)
    {
        const std::wstring one = tree + L"\\t" + std::to_wstring(i);
        const bool ini = GetFileAttributesW((one + L"\\desktop.ini").c_str()) != ~0u;
        EXPECT_EQ(GetFileAttributesW((one + L"\\Tessaline-colour2-3A7BD5.ico").c_str()) != ~0u, ini)
            << i;
        done += ini;
    }
    EXPECT_LT(done, 2000u);
    EXPECT_NE(
        box.text.find(
            L"Folders: " +
            std::to_wstring(done + (GetFileAttributesW((tree + L"\\desktop.ini").c_str()) != ~0u)) +
            L" done"),
        std::wstring::npos)
        << box.text;
}

TEST_F(EndToEndFolders, TheFolderMenuDoesManyFoldersInOneRunWithAtMostOneBox)
{
    std::vector<std::wstring> folders;
    for (int i = 0; i < 8; ++i)
        folders.push_back(folder.MakeFolder(L"A" + std::to_wstring(i)));
    folders.push_back(folder / L"gone");
    MenuRun coloured = RunFromMenu(L"/apply #3A7BD5", folders);
    ASSERT_EQ(coloured.boxes.size(), 1u);
    EXPECT_EQ(coloured.boxes[0].rfind(
                  L"1 of 9 folders could not be changed.\r\n\r\n" + folders.back() + L": ", 0),
              0u)
        << coloured.boxes[0];
    std::sort(coloured.exitCodes.begin(), coloured.exitCodes.end());
    EXPECT_EQ(coloured.exitCodes, std::vector<DWORD>({0, 0, 0, 0, 0, 0, 0, 0, 1}));
    folders.pop_back();
    for (const std::wstring& done : folders)
        EXPECT_EQ(ReadFileBytes(done + L"\\desktop.ini"),
                  ExpectedDesktopIni(L"Tessaline-colour2-3A7BD5.ico"))
            << Narrow(done);

    // "Default" over folders whose icons others set: one box lists them.
    for (const std::wstring name : {L"B0", L"B1", L"B2"})
    {
        folders.push_back(folder.MakeFolder(name));
        folder.WriteFile(name + L"\\desktop.ini",
                         "[.ShellClassInfo]\r\nIconResource=C:\\o.ico\r\n");
    }
    MenuRun defaults = RunFromMenu(L"/remove", folders);
    ASSERT_EQ(defaults.boxes.size(), 1u);
    EXPECT_EQ(defaults.boxes[0].rfind(L"3 of 11 folders were left alone.", 0), 0u);
    for (size_t i = 0; i < folders.size(); ++i)
        EXPECT_EQ(GetFileAttributesW((folders[i] + L"\\desktop.ini").c_str()) == ~0u, i < 8) << i;
    EXPECT_EQ(defaults.exitCodes, std::vector<DWORD>(11, 0));

    // Typed at a console, the same command gathers nothing: each copy reports its own folder.
    Driver first(Driver::Batch::Output, L"/apply #3A7BD5 gone", folder.Path());
    Driver second(Driver::Batch::Output, L"/apply #3A7BD5 gone2", folder.Path());
    std::string outputs[2];
    EXPECT_EQ(first.WaitForExit(&outputs[0]) + second.WaitForExit(&outputs[1]), 2u);
    EXPECT_EQ(outputs[0].rfind(Narrow(folder / L"gone") + ": ", 0), 0u) << outputs[0];
    EXPECT_EQ(outputs[1].rfind(Narrow(folder / L"gone2") + ": ", 0), 0u) << outputs[1];
}

TEST_F(EndToEndFolders, WithoutAConsoleBatchModeSumsUpInOneMessageBoxUnlessQuiet)
{
    Driver shown(Driver::Batch::NoOutput, L"/remove gone C:\\", folder.Path());
    MessageBoxSeen box = shown.WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.title, L"Tessaline");
    EXPECT_EQ(box.text,
              L"2 of 2 folders could not be changed.\r\n\r\n" + folder / L"gone" +
                  L": not found (error 2: " + SystemErrorText(2) +
                  L")\r\nC:\\: a drive's or share's root takes no folder icon (error 50: " +
                  SystemErrorText(50) + L")");
    shown.PressOk(box.hwnd);
    EXPECT_EQ(shown.WaitForExit(), 1u);

    Driver quiet(Driver::Batch::NoOutput, L"/remove gone /quiet", folder.Path());
    EXPECT_EQ(quiet.WaitForExit(), 1u);
    EXPECT_EQ(quiet.WaitForDialog(0), nullptr);
}

std::wstring RegistryText(const std::wstring& key, const wchar_t* name)
{
    wchar_t value[512] = {};
    DWORD bytes = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes);
    return value;
}

TEST(EndToEnd, RegisterPutsOneVerbIntoTheFolderMenuAndUnregisterTakesItOut)
{
    const std::wstring key = L"Software\\Classes\\Directory\\shell\\Tessaline";
    Driver registering(Driver::Batch::Output, L"/register", L"");
    EXPECT_EQ(registering.WaitForExit(), 0u);
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring tessaline(exe);
    tessaline.replace(tessaline.find_last_of(L'\\') + 1, std::wstring::npos, L"tessaline.exe");
    EXPECT_EQ(RegistryText(key, nullptr), L"Change folder icon...");
    EXPECT_EQ(RegistryText(key, L"Icon"), tessaline + L",0");
    EXPECT_EQ(RegistryText(key + L"\\command", nullptr), L"\"" + tessaline + L"\" \"%1\"");
    // The colour dialog's verb: the one of XP, or the submenu's item from 7 on.
    EXPECT_EQ(RegistryText(key + L"Colour\\command", nullptr) +
                  RegistryText(key + L"Colour\\shell\\9 Other\\command", nullptr),
              L"\"" + tessaline + L"\" /menu /colour \"%1\"");

    // Someone else's key below the verb: refused, and named.
    HKEY added = nullptr;
    RegCreateKeyW(HKEY_CURRENT_USER, (key + L"\\Added").c_str(), &added);
    std::string output;
    Driver refused(Driver::Batch::Output, L"/unregister", L"");
    EXPECT_EQ(refused.WaitForExit(&output), 1u);
    EXPECT_EQ(output, "HKEY_CURRENT_USER\\" + Narrow(key) +
                          "\\Added: not Tessaline's, so the "
                          "folder menu was left as it was.\r\nNothing was changed.\r\n");
    RegCloseKey(added);
    RegDeleteKeyW(HKEY_CURRENT_USER, (key + L"\\Added").c_str());

    Driver unregistering(Driver::Batch::Output, L"/Unregister", L"");
    EXPECT_EQ(unregistering.WaitForExit(), 0u);
    HKEY shell = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &shell),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (key + L"Colour").c_str(), 0, KEY_READ, &shell),
              ERROR_FILE_NOT_FOUND);
}
} // namespace
