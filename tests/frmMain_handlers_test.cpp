// The main window's buttons on the real window and real folders, with the person's answers
// (message boxes, folder picker, open-file dialog) played by the fake host.

#include "engine/DesktopIni.h"
#include "engine/IconEntry.h"
#include "support/FakeHost.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/TempFolder.h"
#include "support/Windows.h"
#include "ui/SystemHost.h"
#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

namespace
{
constexpr COLORREF kRed = RGB(255, 0, 0);

class Handlers : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        form.Show();
        redIcon = folder.WriteFile(L"red.ico", SolidIconFile(kRed));
    }
    HWND Ctl(int row) { return form.ControlHwnd(row); }
    void Click(int row) { SendMessageW(Ctl(row), BM_CLICK, 0, 0); }
    bool Enabled(int row) { return IsWindowEnabled(Ctl(row)) != FALSE; }
    COLORREF PreviewPixel(int x, int y)
    {
        HWND picture = Ctl(frmMain::picIcon);
        UpdateWindow(picture);
        return ScreenPixel(picture, x, y);
    }
    bool PreviewShowsRed() { return PreviewPixel(20, 20) == kRed; }
    bool PreviewEmpty() { return PreviewPixel(20, 20) == GetSysColor(COLOR_WINDOW); }
    std::wstring PickFolder(const std::wstring& answer)
    {
        host.folderAnswer = answer;
        Click(frmMain::cmdFolder);
        return form.Text(frmMain::txtFolder);
    }
    // A folder that Apply has given the red icon.
    std::wstring AppliedFolder(const std::wstring& name)
    {
        std::wstring target = folder.MakeFolder(name);
        form.SetText(frmMain::txtFolder, target);
        form.SetText(frmMain::txtIcon, redIcon);
        Click(frmMain::cmdApply);
        host.messages.clear();
        return target;
    }

    FakeHost host;
    frmMain form{host};
    TempFolder folder;
    std::wstring redIcon;
};

TEST_F(Handlers, ClosingTheWindowWhileADialogIsOpenEndsTheProgramQuietly)
{
    // The open dialog has no owner, so the window can be closed while it waits for the user.
    const std::function<void()> close = [this] { SendMessageW(form.Hwnd(), WM_CLOSE, 0, 0); };
    host.openDialog.whileOpen = host.whilePicking = host.onMessage = close;
    host.openDialog.answer = redIcon;
    const std::wstring target = folder.MakeFolder(L"Photos");
    host.folderAnswer = target;
    for (int button : {frmMain::cmdIcon, frmMain::cmdFolder, frmMain::cmdApply})
    {
        form.Show();
        form.SetText(frmMain::txtFolder, target);
        form.SetText(frmMain::txtIcon, redIcon);
        Click(button);
        EXPECT_FALSE(form.IsLoaded()) << button;
        EXPECT_TRUE(host.endedWith.empty()) << "no run-time error after button " << button;
        EXPECT_EQ(0, Form::RunUntilUnloaded(form)) << "the program ends normally";
    }
}

// The state that the success message sees while it is on screen.
std::wstring g_folderWhileMessage;

TEST_F(Handlers, ApplyWritesTheFileThenConfirmsThenResetsTheWindow)
{
    std::wstring target = folder.MakeFolder(L"Photos");
    form.SetText(frmMain::txtFolder, target);
    form.SetText(frmMain::txtIcon, redIcon);
    form.SetEnabled(frmMain::cmdRemove, true);
    g_folderWhileMessage.clear();
    host.onMessage = [] {
        HWND main = FindWindowW(L"TessalineMain", nullptr);
        g_folderWhileMessage =
            WindowText(GetDlgItem(main, Form::kFirstControlId + frmMain::txtFolder));
    };
    Click(frmMain::cmdApply);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Success change icon");
    EXPECT_EQ(host.messages[0].title, L"Tessaline");
    EXPECT_EQ(host.messages[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(host.messages[0].owner, form.Hwnd());
    EXPECT_EQ(g_folderWhileMessage, target) << "the window resets only after the message";
    EXPECT_EQ(ReadFileBytes(IniPath(target)),
              DesktopIniBytes(MakeIconEntry(FolderText::Typed(target), redIcon)));
    EXPECT_EQ(form.Text(frmMain::txtFolder), L"");
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"");
    EXPECT_FALSE(Enabled(frmMain::cmdApply));
    EXPECT_FALSE(Enabled(frmMain::cmdRemove));
    EXPECT_TRUE(host.endedWith.empty());
}

TEST_F(Handlers, AFailedWriteNamesTheErrorAndKeepsTheTextsAndTheProgram)
{
    std::wstring missing = folder / L"no such folder";
    form.SetText(frmMain::txtFolder, missing);
    form.SetText(frmMain::txtIcon, redIcon);
    Click(frmMain::cmdApply);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, L"Error");
    EXPECT_EQ(host.messages[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_NE(host.messages[0].text.find(IniPath(missing)), std::wstring::npos);
    EXPECT_NE(host.messages[0].text.find(L"Error 3"), std::wstring::npos) << "path not found";
    EXPECT_EQ(form.Text(frmMain::txtFolder), missing);
    EXPECT_EQ(form.Text(frmMain::txtIcon), redIcon);
    EXPECT_TRUE(host.endedWith.empty()) << "the program keeps running";
}

TEST_F(Handlers, ADesktopIniThatIsNoSettingsFileIsNamedAndLeftAlone)
{
    std::wstring target = folder.MakeFolder(L"Binary");
    const std::string binary("[ViewState]\r\nMode=4\0\r\n", 20);
    std::wstring ini = folder.WriteFile(L"Binary\\desktop.ini", binary);
    form.SetText(frmMain::txtFolder, target);
    form.SetText(frmMain::txtIcon, redIcon);
    form.SetEnabled(frmMain::cmdRemove, true);
    for (int button : {frmMain::cmdApply, frmMain::cmdRemove})
    {
        host.messages.clear();
        Click(button);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].title, L"Error");
        EXPECT_EQ(host.messages[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_NE(host.messages[0].text.find(ini), std::wstring::npos);
        EXPECT_NE(host.messages[0].text.find(L"NUL bytes"), std::wstring::npos);
        EXPECT_EQ(form.Text(frmMain::txtFolder), target);
        EXPECT_EQ(form.Text(frmMain::txtIcon), redIcon);
    }
    EXPECT_EQ(ReadFileBytes(ini), binary);
    EXPECT_TRUE(host.endedWith.empty());
}

TEST_F(Handlers, BlanksPassTheButtonRuleButApplyRefusesControlCharacters)
{
    form.SetText(frmMain::txtFolder, folder.MakeFolder(L"x") + L"\tmore");
    form.SetText(frmMain::txtIcon, redIcon);
    Click(frmMain::cmdApply);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, L"Error");
    bool exists = false;
    ReadFileBytes(IniPath(folder / L"x"), &exists);
    EXPECT_FALSE(exists);
    EXPECT_NE(form.Text(frmMain::txtFolder), L"");
}

TEST_F(Handlers, PickingAnAppliedFolderPreviewsItsIconAndEnablesRemove)
{
    std::wstring target = AppliedFolder(L"Applied");
    form.SetText(frmMain::txtIcon, L"D:\\kept.ico");
    EXPECT_EQ(PickFolder(target), target);
    ASSERT_EQ(host.pickerCalls.size(), 1u);
    EXPECT_EQ(host.pickerCalls[0].first, form.Hwnd());
    EXPECT_EQ(host.pickerCalls[0].second, L"Choose folder to change icon");
    EXPECT_TRUE(PreviewShowsRed());
    EXPECT_TRUE(Enabled(frmMain::cmdRemove));
    EXPECT_TRUE(Enabled(frmMain::cmdApply));
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"D:\\kept.ico") << "the icon box is untouched";
    EXPECT_TRUE(host.messages.empty());

    Click(frmMain::cmdRemove);
    bool exists = true;
    ReadFileBytes(IniPath(target), &exists);
    EXPECT_FALSE(exists);
    EXPECT_TRUE(host.messages.empty()) << "a removal shows no message";
    EXPECT_EQ(form.Text(frmMain::txtFolder), L"");
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"");
    EXPECT_FALSE(Enabled(frmMain::cmdRemove));
    EXPECT_TRUE(PreviewEmpty());
}

TEST_F(Handlers, AFolderWithoutDesktopIniDisablesRemoveAndShowsNothing)
{
    form.SetEnabled(frmMain::cmdRemove, true);
    std::wstring plain = folder.MakeFolder(L"Plain");
    EXPECT_EQ(PickFolder(plain), plain);
    EXPECT_FALSE(Enabled(frmMain::cmdRemove));
    EXPECT_TRUE(PreviewEmpty());
}

TEST_F(Handlers, ADriveRootIsRefusedAndACancelledPickLooksAtNoFile)
{
    form.SetText(frmMain::txtFolder, L"D:\\before");
    form.SetEnabled(frmMain::cmdRemove, true);
    EXPECT_EQ(PickFolder(L"C:\\"), L"");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Please choose folder to change icon");
    EXPECT_EQ(host.messages[0].title, L"Error");
    EXPECT_EQ(host.messages[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(Enabled(frmMain::cmdRemove)) << "the refusal leaves Remove as it was";

    EXPECT_EQ(PickFolder(L""), L"");
    EXPECT_FALSE(Enabled(frmMain::cmdRemove)) << "no folder, nothing to remove";
    EXPECT_TRUE(PreviewEmpty());
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(Handlers, RootsPickedOrDroppedAreRefusedAsADrivesRootIs)
{
    const std::wstring kept = folder.MakeFolder(L"Kept");
    for (const wchar_t* root : {L"\\\\srv\\share", L"\\\\srv\\share\\", L"\\\\?\\UNC\\srv\\share",
                                L"\\\\?\\C:\\", L"\\\\.\\C:\\", L"C:"})
    {
        const std::string name = ::testing::PrintToString(std::wstring(root));
        for (bool dropped : {false, true})
        {
            host.messages.clear();
            form.SetText(frmMain::txtFolder, kept);
            if (dropped)
                form.OpenPaths({FolderText::FromOutside(root)}, frmMain::ExtraPaths::Ignored);
            else
                PickFolder(root);
            EXPECT_EQ(form.Text(frmMain::txtFolder), L"") << name << (dropped ? " dropped" : "");
            ASSERT_EQ(host.messages.size(), 1u) << name << (dropped ? " dropped" : "");
            EXPECT_EQ(host.messages[0].text, L"Please choose folder to change icon") << name;
        }
    }
}

TEST_F(Handlers, RemoveWithTheFolderBoxEmptiedTouchesNothing)
{
    std::wstring target = AppliedFolder(L"Kept");
    PickFolder(target);
    ASSERT_TRUE(Enabled(frmMain::cmdRemove));
    form.SetText(frmMain::txtFolder, L"");
    Click(frmMain::cmdRemove);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, L"Error");
    EXPECT_FALSE(Enabled(frmMain::cmdRemove));
    bool exists = false;
    ReadFileBytes(IniPath(target), &exists);
    EXPECT_TRUE(exists);
}

TEST_F(Handlers, IconResourceValuesAreReadAsTheShellReadsThem)
{
    std::wstring oddFolder = folder.MakeFolder(L"Art,0ld");
    std::wstring oddIcon = oddFolder + L"\\star.ico";
    folder.WriteFile(L"Art,0ld\\star.ico", SolidIconFile(kRed));
    SetEnvironmentVariableW(L"TESSALINE_TEST_ICONS", folder.Path().c_str());
    struct Case
    {
        std::wstring value;
        bool drawn;
    } cases[] = {
        {oddIcon + L",0", true},                      // ",0" inside the path
        {oddIcon, true},                              // no index at all
        {redIcon + L",1", false},                     // an index the file lacks
        {L"%TESSALINE_TEST_ICONS%\\red.ico,0", true}, // environment variable
        {L"..\\red.ico,0", true},                     // relative to the folder
        {folder / L"notes.txt,0", false},             // no icon in the file
    };
    folder.WriteFile(L"notes.txt", "no icon here");
    int n = 0;
    for (const Case& c : cases)
    {
        std::wstring target = folder.MakeFolder(L"case" + std::to_wstring(n++));
        std::string ini =
            "[.ShellClassInfo]\r\nIconResource=" + std::string(c.value.begin(), c.value.end()) +
            "\r\n";
        folder.WriteFile(L"case" + std::to_wstring(n - 1) + L"\\desktop.ini", ini);
        PickFolder(target);
        EXPECT_EQ(PreviewShowsRed(), c.drawn) << std::string(c.value.begin(), c.value.end());
        EXPECT_TRUE(Enabled(frmMain::cmdRemove)) << "the file exists, whatever it names";
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Handlers, ChoosingAnIconFillsTheBoxAndPreviewsItWithoutOwner)
{
    form.SetText(frmMain::txtFolder, L"D:\\Photos");
    host.openDialog.answer = redIcon;
    Click(frmMain::cmdIcon);
    EXPECT_EQ(form.Text(frmMain::txtIcon), redIcon);
    EXPECT_TRUE(Enabled(frmMain::cmdApply));
    EXPECT_TRUE(PreviewShowsRed());
    EXPECT_EQ(PreviewPixel(7, 7), kRed);
    EXPECT_EQ(PreviewPixel(6, 6), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(host.openDialog.seen.hwndOwner, nullptr) << "the main window stays usable";
    const wchar_t filter[] = L"Icon Files (*.ico)\0*.ico\0"
                             L"Icons in programs and libraries (*.exe;*.dll;*.icl)\0"
                             L"*.exe;*.dll;*.icl\0"
                             L"Pictures (*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff)\0"
                             L"*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff\0All files (*.*)\0*.*\0";
    EXPECT_EQ(host.openDialog.filter, std::wstring(filter, sizeof filter / sizeof filter[0]));
    EXPECT_TRUE(host.iconPicks.empty()) << "an .ico holds one icon: no chooser";
    EXPECT_EQ(host.openDialog.seen.Flags, static_cast<DWORD>(OFN_FILEMUSTEXIST));
    EXPECT_EQ(host.openDialog.seen.nFilterIndex, 1u);

    // Typing changes Apply, never the preview.
    form.SetText(frmMain::txtIcon, L"");
    EXPECT_FALSE(Enabled(frmMain::cmdApply));
    EXPECT_TRUE(PreviewShowsRed());

    // A picture goes into the box as it is, and its icon shows at once; a broken one shows
    // nothing, and Apply names it.
    host.openDialog.answer = folder.WriteFile(L"red.bmp", SolidBmpFile(kRed));
    Click(frmMain::cmdIcon);
    EXPECT_EQ(form.Text(frmMain::txtIcon), host.openDialog.answer);
    EXPECT_TRUE(PreviewShowsRed());
    host.openDialog.answer = folder.WriteFile(L"broken.png", "\x89PNG\r\n");
    Click(frmMain::cmdIcon);
    EXPECT_EQ(form.Text(frmMain::txtIcon), host.openDialog.answer);
    EXPECT_TRUE(PreviewEmpty());

    // Cancelling empties the box and the preview, whatever they held.
    form.SetText(frmMain::txtIcon, redIcon);
    host.openDialog.answer = L"";
    Click(frmMain::cmdIcon);
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"");
    EXPECT_FALSE(Enabled(frmMain::cmdApply));
    EXPECT_TRUE(PreviewEmpty());
    EXPECT_EQ(host.openDialog.shown, 4);
}
TEST_F(Handlers, ALibrarysIconsAreChosenWithTheChooserAndWrittenWithTheirIndex)
{
    const std::wstring library = IconLibraryPath();
    std::wstring target = folder.MakeFolder(L"Library");
    form.SetText(frmMain::txtFolder, target);
    host.openDialog.answer = library;
    for (int index = 0; index < kLibraryIcons; ++index)
    {
        host.iconAnswer = {IconChoice::Outcome::Chosen, library, index};
        Click(frmMain::cmdIcon);
        EXPECT_EQ(form.Text(frmMain::txtIcon), library + L"," + std::to_wstring(index));
        EXPECT_EQ(PreviewPixel(20, 20), kLibraryColours[index]) << "index " << index;
    }
    ASSERT_EQ(host.iconPicks.size(), static_cast<size_t>(kLibraryIcons));
    EXPECT_EQ(host.iconPicks[0].owner, form.Hwnd());
    EXPECT_EQ(host.iconPicks[0].path, library);
    EXPECT_EQ(host.iconPicks[0].index, 0);

    // Cancelling the chooser leaves the box and the preview as they were.
    host.iconAnswer.outcome = IconChoice::Outcome::Cancelled;
    Click(frmMain::cmdIcon);
    EXPECT_EQ(form.Text(frmMain::txtIcon), library + L",3");
    EXPECT_EQ(PreviewPixel(20, 20), kLibraryColours[3]);

    Click(frmMain::cmdApply);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Success change icon");
    const std::string written = ReadFileBytes(IniPath(target));
    EXPECT_NE(written.find(",3\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("IconIndex=3\r\n"), std::string::npos) << written;

    // Typing the same text writes the same file.
    RemoveTree(IniPath(target));
    form.SetText(frmMain::txtFolder, target);
    form.SetText(frmMain::txtIcon, library + L",3");
    Click(frmMain::cmdApply);
    EXPECT_EQ(ReadFileBytes(IniPath(target)), written);
}

TEST_F(Handlers, TheSystemsChooserMissingUnderWineGivesTheFirstIcon)
{
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
        GTEST_SKIP() << "Windows shows its real icon chooser, which waits for a person";
    frmMain real(TheSystemHost());
    real.Show();
    real.OpenPaths({FolderText::FromOutside(IconLibraryPath())},
                   frmMain::ExtraPaths::Ignored); // as a drop
    EXPECT_EQ(real.Text(frmMain::txtIcon), IconLibraryPath() + L",0");
    HWND picture = real.ControlHwnd(frmMain::picIcon);
    UpdateWindow(picture);
    EXPECT_EQ(ScreenPixel(picture, 20, 20), kLibraryColours[0]);
}
TEST_F(Handlers, AColourInTheIconBoxPreviewsItsFolderAndTheSystemMenuPicksOne)
{
    const auto previewShowsGreen = [&] {
        for (int y = 7; y < 40; ++y)
            for (int x = 7; x < 40; ++x)
            {
                const COLORREF p = PreviewPixel(x, y);
                if (GetGValue(p) > GetRValue(p) + 40 && GetGValue(p) > GetBValue(p) + 40)
                    return true;
            }
        return false;
    };
    form.SetText(frmMain::txtIcon, L"#00c000");
    EXPECT_TRUE(previewShowsGreen()) << "at once, in any case";
    form.SetText(frmMain::txtIcon, L"#00c00");
    EXPECT_TRUE(PreviewEmpty());

    HMENU menu = GetSystemMenu(form.Hwnd(), FALSE);
    wchar_t text[64] = {};
    GetMenuStringW(menu, frmMain::kFolderColourCommand, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Folder colour...");
    form.SetText(frmMain::txtIcon, L"#0000ff");
    SendMessageW(form.Hwnd(), WM_SYSCOMMAND, frmMain::kFolderColourCommand, 0);
    const CHOOSECOLORA first = host.openDialog.colourSeen;
    EXPECT_EQ(first.rgbResult, RGB(0, 0, 255)) << "the box's colour first";
    EXPECT_TRUE(first.Flags & CC_FULLOPEN);
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"#0000ff") << "cancelled";
    first.lpCustColors[3] = RGB(1, 2, 3); // a custom colour the person set
    host.openDialog.colourAnswer = RGB(0x12, 0xC0, 0x0F);
    SendMessageW(form.Hwnd(), WM_SYSCOMMAND, frmMain::kFolderColourCommand, 0);
    EXPECT_EQ(host.openDialog.colourSeen.lpCustColors[3], RGB(1, 2, 3));
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"#12C00F");
    EXPECT_TRUE(previewShowsGreen());
}
} // namespace
