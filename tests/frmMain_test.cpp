// The main window as built from its design, driven with real messages.

#include "cli/CommandLine.h"
#include "cli/MenuGathering.h"
#include "engine/FolderColour.h"
#include "resources/resource_ids.h"
#include "runtime/Twips.h"
#include "support/FakeHost.h"
#include "support/Windows.h"
#include "ui/FolderMenuVerb.h"
#include "ui/ProductTexts.h"
#include "ui/SystemHost.h"
#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <functional>
#include <map>
#include <set>

namespace
{
class MainWindow : public ::testing::Test
{
  protected:
    void SetUp() override { form.Show(); }
    HWND Ctl(int row) { return form.ControlHwnd(row); }
    bool ApplyEnabled() { return IsWindowEnabled(Ctl(frmMain::cmdApply)) != FALSE; }
    bool RemoveEnabled() { return IsWindowEnabled(Ctl(frmMain::cmdRemove)) != FALSE; }

    FakeHost host;
    frmMain form{host};
};

TEST_F(MainWindow, StartsEmptyWithApplyAndRemoveDisabledAndFocusOnTheIconBox)
{
    EXPECT_EQ(WindowText(form.Hwnd()), L"Tessaline");
    EXPECT_EQ(form.Text(frmMain::txtFolder), L"");
    EXPECT_EQ(form.Text(frmMain::txtIcon), L"");
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_FALSE(RemoveEnabled());
    EXPECT_EQ(GetFocus(), Ctl(frmMain::txtIcon));
    HWND picture = Ctl(frmMain::picIcon);
    UpdateWindow(picture);
    EXPECT_EQ(ScreenPixel(picture, 20, 20), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(WindowText(Ctl(frmMain::cmdApply)), L"Apply");
    EXPECT_EQ(WindowText(Ctl(frmMain::cmdRemove)), L"Remove");
    EXPECT_EQ(WindowText(Ctl(frmMain::lblMain0)), L"Folder :");
    EXPECT_EQ(WindowText(Ctl(frmMain::lblMain1)), L"Icon :");
    EXPECT_EQ(WindowText(Ctl(frmMain::lblCopyright)), kNoticeLine);
}

TEST_F(MainWindow, ApplyFollowsTypingInBothBoxes)
{
    TypeChar(Ctl(frmMain::txtFolder), L'C');
    EXPECT_FALSE(ApplyEnabled()) << "folder typed, icon empty";
    TypeChar(Ctl(frmMain::txtIcon), L'i');
    EXPECT_TRUE(ApplyEnabled()) << "both typed";
    TypeChar(Ctl(frmMain::txtIcon), L'\b');
    EXPECT_FALSE(ApplyEnabled()) << "icon box cleared with backspace";
    TypeChar(Ctl(frmMain::txtIcon), L' ');
    EXPECT_TRUE(ApplyEnabled()) << "a blank counts as text";
    SendMessageW(Ctl(frmMain::txtFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    EXPECT_FALSE(ApplyEnabled()) << "folder box emptied";
    EXPECT_FALSE(RemoveEnabled()) << "typing never enables Remove";
}

TEST_F(MainWindow, SettingTextFromCodeAppliesTheSameRule)
{
    form.SetText(frmMain::txtIcon, L"D:\\Icons\\star.ico");
    form.SetText(frmMain::txtFolder, L"D:\\Photos");
    EXPECT_TRUE(ApplyEnabled());
    form.SetText(frmMain::txtFolder, L"");
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_FALSE(RemoveEnabled());
}

TEST_F(MainWindow, TabMovesIconBoxFolderBoxFolderButtonIconButtonRemoveApplyNotice)
{
    form.SetEnabled(frmMain::cmdApply, true);
    form.SetEnabled(frmMain::cmdRemove, true);
    // The notice opens the About window, so keyboard users reach it too, last.
    const int order[] = {frmMain::txtIcon,      frmMain::txtFolder, frmMain::cmdFolder,
                         frmMain::cmdIcon,      frmMain::cmdRemove, frmMain::cmdApply,
                         frmMain::lblCopyright, frmMain::txtIcon};
    HWND current = Ctl(order[0]);
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i)
    {
        current = GetNextDlgTabItem(form.Hwnd(), current, FALSE);
        EXPECT_EQ(current, Ctl(order[i])) << "step " << i;
    }
    // Disabled buttons are skipped.
    form.SetEnabled(frmMain::cmdApply, false);
    form.SetEnabled(frmMain::cmdRemove, false);
    EXPECT_EQ(GetNextDlgTabItem(form.Hwnd(), Ctl(frmMain::cmdIcon), FALSE),
              Ctl(frmMain::lblCopyright));
}

TEST_F(MainWindow, EachBoxFollowsItsLabelInTheWindowOrderThatScreenReadersRead)
{
    const int order[] = {frmMain::picIcon,     frmMain::lblMain1,  frmMain::txtIcon,
                         frmMain::lblMain0,    frmMain::txtFolder, frmMain::cmdFolder,
                         frmMain::cmdIcon,     frmMain::cmdRemove, frmMain::cmdApply,
                         frmMain::lblCopyright};
    HWND child = GetWindow(form.Hwnd(), GW_CHILD);
    for (int row : order)
    {
        EXPECT_EQ(child, Ctl(row)) << "row " << row;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

TEST_F(MainWindow, FocusComesBackAfterAnotherWindowAndEnterClicksTheFocusedButton)
{
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    SetFocus(Ctl(frmMain::txtFolder));
    SetActiveWindow(other);
    SetActiveWindow(form.Hwnd());
    EXPECT_EQ(GetFocus(), Ctl(frmMain::txtFolder)) << "typing goes on where it was";

    // A button that is disabled while it has the focus hands it on, as Tab would.
    form.SetEnabled(frmMain::cmdRemove, true);
    SetFocus(Ctl(frmMain::cmdRemove));
    form.SetEnabled(frmMain::cmdRemove, false);
    EXPECT_EQ(GetFocus(), Ctl(frmMain::lblCopyright));
    DestroyWindow(other);

    SetFocus(Ctl(frmMain::cmdFolder));
    MSG enter{Ctl(frmMain::cmdFolder), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    if (!Form::PreTranslate(enter))
        DispatchMessageW(&enter);
    EXPECT_EQ(host.pickerCalls.size(), 1u) << "Enter on the folder button opens the picker";
}

TEST_F(MainWindow, IsAFixedDialogWithMinimiseButNoMaximise)
{
    LONG style = GetWindowLongW(form.Hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_CAPTION);
}

// A cursor's mask: two cursors drawn alike have the same.
std::string CursorBits(HCURSOR cursor)
{
    ICONINFO info{};
    GetIconInfo(cursor, &info);
    std::string bits(32 * 32 / 8 * 2, '\0');
    bits.resize(GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), &bits[0]));
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return bits;
}

TEST_F(MainWindow, NoticeLabelIsUnderlinedWithTheHandCursor)
{
    HWND notice = Ctl(frmMain::lblCopyright);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(notice, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    SendMessageW(form.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(notice),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    // The window's own copy, at the window's DPI: drawn as the program's hand cursor is.
    EXPECT_EQ(CursorBits(GetCursor()),
              CursorBits(LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HANDLINK))));

    LOGFONTW plain{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Ctl(frmMain::lblMain0), WM_GETFONT, 0, 0)),
               sizeof plain, &plain);
    EXPECT_FALSE(plain.lfUnderline);
    EXPECT_EQ(plain.lfWeight, 400);
    EXPECT_EQ(plain.lfCharSet, 0);
    EXPECT_EQ(GetWindowLongW(Ctl(frmMain::lblMain0), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
}

// The check mark of "Show in the folder menu" as the system menu opens.
bool FolderMenuChecked(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
    return (GetMenuState(menu, frmMain::kFolderMenuCommand, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

TEST(MainWindowFolderMenu, TheSystemMenuItemFollowsAndChangesTheRegistry)
{
    frmMain form(TheSystemHost());
    form.Show();
    HMENU menu = GetSystemMenu(form.Hwnd(), FALSE);
    wchar_t text[64] = {};
    GetMenuStringW(menu, frmMain::kFolderMenuCommand, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Show in the folder menu");
    const auto click = [&] {
        SendMessageW(form.Hwnd(), WM_SYSCOMMAND, frmMain::kFolderMenuCommand, 0);
    };

    ASSERT_EQ(RemoveFolderMenuVerb().error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(FolderMenuChecked(form.Hwnd()));
    click();
    EXPECT_TRUE(FolderMenuChecked(form.Hwnd()));
    // Another copy of the program in the folder menu: not this one, so no check mark.
    AddFolderMenuVerb(L"C:\\Elsewhere\\tessaline.exe");
    EXPECT_FALSE(FolderMenuChecked(form.Hwnd()));
    click();
    EXPECT_TRUE(FolderMenuChecked(form.Hwnd())) << "this copy again";
    click();
    EXPECT_FALSE(FolderMenuChecked(form.Hwnd()));
    HKEY verb = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kFolderMenuVerbKey, 0, KEY_READ, &verb),
              ERROR_FILE_NOT_FOUND);
}

// Everything below the verbs' keys as text: each key, and its values' names, types and data.
void DumpKey(const std::wstring& path, std::wstring& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out += L"[" + path + L"]\n";
    wchar_t name[256] = {}, data[1024] = {};
    DWORD length = 256, type = 0, bytes = sizeof data;
    for (DWORD i = 0; RegEnumValueW(key, i, name, &length, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &bytes) == ERROR_SUCCESS;
         ++i, length = 256, bytes = sizeof data)
        out += name + (L"=" + std::to_wstring(type)) + std::wstring(data, bytes / 2) + L"\n";
    for (DWORD i = 0; RegEnumKeyW(key, i, name, 256) == ERROR_SUCCESS; ++i)
        DumpKey(path + L"\\" + name, out);
    RegCloseKey(key);
}

// Every command under a key, read back from the registry, by the key's path below it.
void ReadCommands(HKEY key, const std::wstring& path, std::map<std::wstring, std::wstring>& out)
{
    wchar_t text[512] = {};
    LONG bytes = sizeof text;
    if (RegQueryValueW(key, L"command", text, &bytes) == ERROR_SUCCESS)
        out[path] = text;
    HKEY shell = nullptr;
    if (RegOpenKeyExW(key, L"shell", 0, KEY_READ, &shell) != ERROR_SUCCESS)
        return;
    wchar_t name[256] = {};
    for (DWORD i = 0; RegEnumKeyW(shell, i, name, 256) == ERROR_SUCCESS; ++i)
    {
        HKEY item = nullptr;
        RegOpenKeyExW(shell, name, 0, KEY_READ, &item);
        ReadCommands(item, path + L"\\" + name, out);
        RegCloseKey(item);
    }
    RegCloseKey(shell);
}

TEST(MainWindowFolderMenu, TheColourVerbsRunTheProgramOnTheFolderAndGoWithUnregister)
{
    const std::wstring exe = L"C:\\Program Files\\Tessaline\\tessaline.exe";
    HKEY other = nullptr; // someone else's verb beside ours stays
    RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Classes\\Directory\\shell\\TessalineOther",
                  &other);
    RegCloseKey(other);
    for (bool submenus : {true, false})
    {
        ASSERT_EQ(AddFolderMenuVerb(exe, submenus).error, static_cast<DWORD>(ERROR_SUCCESS));
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kFolderColourVerbKey, 0, KEY_READ, &key),
                  ERROR_SUCCESS);
        std::map<std::wstring, std::wstring> commands;
        ReadCommands(key, L"", commands);
        RegCloseKey(key);
        // Every verb says how many folders it takes: the window one, the colours (and their
        // submenu) many.
        std::wstring all;
        DumpKey(kFolderMenuVerbKey, all), DumpKey(kFolderColourVerbKey, all);
        const auto count = [&](const std::wstring& line) {
            size_t n = 0;
            for (size_t at = all.find(line); at != std::wstring::npos; at = all.find(line, at + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(count(L"\nMultiSelectModel=1Single"), 1u) << all;
        EXPECT_EQ(count(L"\nMultiSelectModel=1Player"), submenus ? 12u : 1u) << all;
        std::set<std::wstring> colours;
        std::multiset<CommandAction> actions;
        for (const auto& [path, command] : commands)
        {
            int count = 0;
            LPWSTR* argv = CommandLineToArgvW(command.c_str(), &count);
            std::vector<std::wstring> arguments(argv + 1, argv + count);
            ASSERT_GE(count, 3) << path;
            EXPECT_EQ(argv[0], exe) << path;
            EXPECT_EQ(arguments.back(), L"%1") << path;
            LocalFree(argv);
            arguments.back() = L"C:\\Photos";
            EXPECT_TRUE(TakeMenuSwitch(arguments)) << path << " gathers many folders";
            const CommandLine parsed = ParseCommandLine(arguments);
            actions.insert(parsed.action);
            COLORREF colour = 0;
            if (parsed.action == CommandAction::Apply && ParseColourText(parsed.icon, &colour))
                colours.insert(parsed.icon);
        }
        if (submenus)
        {
            EXPECT_EQ(colours.size(), 9u);
            EXPECT_EQ(actions.count(CommandAction::Apply), 9u);
            EXPECT_EQ(actions.count(CommandAction::Remove), 1u) << "Default";
        }
        EXPECT_EQ(actions.count(CommandAction::PickColour), 1u) << "Other colour...";
        EXPECT_EQ(commands.size(), submenus ? 11u : 1u);
    }
    ASSERT_EQ(RemoveFolderMenuVerb().error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Classes\\Directory\\shell\\TessalineOther"),
        ERROR_SUCCESS);
}

// A key of the verbs' as someone else made it, REG_OPTION_VOLATILE (gone at the next logon) or
// not, with a text value if named.
void Make(const std::wstring& path, DWORD options, const wchar_t* name = nullptr,
          const wchar_t* text = L"")
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, KEY_SET_VALUE, nullptr,
                    &key, nullptr);
    if (name != nullptr)
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// Whatever stops a change of the folder menu, it changes all or nothing, and names where it
// stopped.
TEST(MainWindowFolderMenu, AChangeThatCanNotBeMadeWholeLeavesTheMenuAsItWasAndNamesWhy)
{
    const std::wstring exe = L"C:\\Program Files\\Tessaline\\tessaline.exe";
    const std::wstring verb = kFolderMenuVerbKey, colour = kFolderColourVerbKey;
    const auto registered = [&] { AddFolderMenuVerb(exe, true); };
    struct Case
    {
        std::function<void()> before;
        bool registering;
        std::wstring named; // where the refusal or the failure is
    };
    const Case cases[] = {
        {[&] { registered(), Make(verb + L"\\Added", 0); }, false, verb + L"\\Added"},
        {[&] { registered(), Make(colour + L"\\shell\\5 Blue\\x", 0); }, true,
         colour + L"\\shell\\5 Blue\\x"},
        {[&] { registered(), Make(verb, 0, L"Extended"); }, false, verb + L", value \"Extended\""},
        // A child of a volatile key must be volatile: the command can't be made below it.
        {[&] { Make(verb, REG_OPTION_VOLATILE); }, true, verb + L"\\command"},
        {[&] { // XP's colour verb
             Make(colour, REG_OPTION_VOLATILE, L"", L"Folder colour...");
             Make(colour + L"\\command", REG_OPTION_VOLATILE, L"", L"\"C:\\t.exe\" /colour \"%1\"");
         },
         true, colour + L"\\shell"},
    };
    for (const Case& c : cases)
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, kFolderMenuVerbKey);
        SHDeleteKeyW(HKEY_CURRENT_USER, kFolderColourVerbKey);
        c.before();
        std::wstring before, after;
        DumpKey(verb, before), DumpKey(colour, before);
        const FolderMenuChange change =
            c.registering ? AddFolderMenuVerb(exe, true) : RemoveFolderMenuVerb();
        DumpKey(verb, after), DumpKey(colour, after);
        EXPECT_EQ(after, before) << c.named;
        EXPECT_NE(change.error, static_cast<DWORD>(ERROR_SUCCESS)) << c.named;
        EXPECT_FALSE(change.leftChanged) << c.named;
        EXPECT_NE(change.line.find(L"HKEY_CURRENT_USER\\" + c.named + L": "), std::wstring::npos)
            << change.line;
        EXPECT_NE(change.line.find(L"folder menu was left as it was"), std::wstring::npos);
    }
    SHDeleteKeyW(HKEY_CURRENT_USER, kFolderMenuVerbKey);
    SHDeleteKeyW(HKEY_CURRENT_USER, kFolderColourVerbKey);
}

TEST(MainWindowFolderMenu, AFailureIsReportedWithItsError)
{
    FakeHost host;
    host.folderMenuAnswer = {ERROR_ACCESS_DENIED,
                             L"HKEY_CURRENT_USER\\Software: could not be read"};
    frmMain form(host);
    form.Show();
    SendMessageW(form.Hwnd(), WM_SYSCOMMAND, frmMain::kFolderMenuCommand, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, host.folderMenuAnswer.line);
}

// Every control where the design puts it, at the DPI the window was made for.
void ExpectLayout(frmMain& form, int dpi)
{
    const FormDesign& design = frmMainDesign();
    RECT client{};
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(4815, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(1845, dpi));
    ExpectControlsWhereDesigned(form, design, dpi);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(
                   SendMessageW(form.ControlHwnd(frmMain::cmdApply), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    EXPECT_EQ(font.lfHeight, FontHeightForPoints(825, dpi));
}

TEST(MainWindowLayout, At96DpiEveryControlIsItsTwipsDividedBy15)
{
    FakeHost host;
    frmMain form(host);
    form.Load(nullptr, 96);
    ExpectLayout(form, 96);
    RECT rect = ChildRect(form.ControlHwnd(frmMain::picIcon));
    EXPECT_EQ(rect.right - rect.left, 48);
    RECT client{};
    GetClientRect(form.Hwnd(), &client);
    EXPECT_EQ(client.right, 321);
    EXPECT_EQ(client.bottom, 123);
}

TEST(MainWindowLayout, At144DpiEverythingScalesFontsIncluded)
{
    FakeHost host;
    frmMain form(host);
    form.Load(nullptr, 144);
    ExpectLayout(form, 144);
    RECT rect = ChildRect(form.ControlHwnd(frmMain::picIcon));
    EXPECT_EQ(rect.right - rect.left, 72);
}

TEST(MainWindowLayout, IsCentredOnTheScreen)
{
    FakeHost host;
    frmMain form(host);
    form.Load(nullptr, 96);
    RECT window{};
    GetWindowRect(form.Hwnd(), &window);
    int dx = (window.left + window.right) - GetSystemMetrics(SM_CXSCREEN);
    int dy = (window.top + window.bottom) - GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(abs(dx), 1);
    EXPECT_LE(abs(dy), 1);
}
TEST(MainWindowLayout, AMoveTo144DpiAndBackLaysItOutFromTheDesignEachTime)
{
    FakeHost host;
    frmMain form(host);
    form.Load(nullptr, 96);
    form.Show();
    ExpectDpiRoundTrip(form, frmMainDesign());
}

// The names screen readers read for the two "..." buttons and the preview, as the host is asked
// for them: once, when assistive technology first asks the window (or as it shows, with a screen
// reader running), and taken away before the controls go. Wine keeps no such names, so they
// can't be read back through its accessibility layer here.
TEST(MainWindowAccessibility, TheChoosersAndThePreviewAreNamedWhenAssistiveTechnologyLooks)
{
    BOOL readerWas = FALSE;
    SystemParametersInfoW(SPI_GETSCREENREADER, 0, &readerWas, 0);
    FakeHost host;
    frmMain form(host);
    for (BOOL reader : {FALSE, TRUE})
    {
        ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENREADER, reader, nullptr, 0));
        form.Show();
        SystemParametersInfoW(SPI_SETSCREENREADER, readerWas, nullptr, 0);
        EXPECT_EQ(host.accessibleNames.size(), reader ? 3u : 0u) << "as it shows";
        for (int ask = 0; ask < 2; ++ask)
            EXPECT_EQ(SendMessageW(form.Hwnd(), WM_GETOBJECT, 0, OBJID_CLIENT), 0)
                << "the system's own object answers for the window";
        const std::vector<std::pair<HWND, std::wstring>> named = {
            {form.ControlHwnd(frmMain::cmdIcon), L"Choose icon"},
            {form.ControlHwnd(frmMain::cmdFolder), L"Choose folder"},
            {form.ControlHwnd(frmMain::picIcon), L"Preview"}};
        EXPECT_EQ(host.accessibleNames, named);
        EXPECT_EQ(WindowText(form.ControlHwnd(frmMain::cmdFolder)), L"...");
        form.Unload();
        ASSERT_EQ(host.accessibleNames.size(), 6u);
        EXPECT_EQ(host.accessibleNames[5], std::make_pair(named[2].first, std::wstring(L"<none>")));
        host.accessibleNames.clear();
    }
    // A screen reader that starts while the window is open: the system tells every window.
    form.Show();
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, 0));
    SendMessageW(form.Hwnd(), WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0);
    SystemParametersInfoW(SPI_SETSCREENREADER, readerWas, nullptr, 0);
    EXPECT_EQ(host.accessibleNames.size(), 3u);
}
} // namespace
