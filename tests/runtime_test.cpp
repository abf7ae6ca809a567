// The forms layer and runtime services, on real windows and real files under Wine.

#include "runtime/DecimalText.h"
#include "runtime/DllSearch.h"
#include "runtime/Error.h"
#include "runtime/ErrorBoundary.h"
#include "runtime/Form.h"
#include "runtime/TextOutput.h"
#include "runtime/Twips.h"
#include "runtime/Version.h"
#include "support/FakeHost.h"
#include "support/IconLibrary.h"
#include "support/TempFolder.h"
#include "support/Windows.h"

#include <cxxabi.h>
#include <delayimp.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <limits>
#include <random>
#include <stdexcept>
#include <thread>

namespace
{
TEST(Twips, ConvertAtTheScreensDpi)
{
    struct Case
    {
        int twips, dpi, pixels;
    } cases[] = {{120, 96, 8},   {4815, 96, 321},  {1845, 96, 123}, {720, 96, 48},
                 {720, 144, 72}, {4815, 144, 482}, {375, 120, 31},  {0, 144, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
    EXPECT_EQ(FontHeightForPoints(825, 96), -11);
    EXPECT_EQ(FontHeightForPoints(825, 144), -17);
}

TEST(DecimalText, WritesWhatToWstringWrites)
{
    EXPECT_EQ(DecimalText(0), L"0");
    EXPECT_EQ(DecimalText(std::numeric_limits<long long>::min()), L"-9223372036854775808");
    EXPECT_EQ(DecimalText(std::numeric_limits<DWORD>::max()), L"4294967295");
    std::mt19937_64 random(15);
    for (int i = 0; i < 1000; ++i)
    {
        const auto value = static_cast<long long>(random()) >> (random() % 64);
        EXPECT_EQ(DecimalText(value), std::to_wstring(value));
        EXPECT_EQ(DecimalText(static_cast<long>(value)), std::to_wstring(static_cast<long>(value)));
        EXPECT_EQ(DecimalText(static_cast<DWORD>(value)),
                  std::to_wstring(static_cast<DWORD>(value)));
    }
}

TEST(Version, TextIsMajorMinorRevision)
{
    EXPECT_EQ(VersionText(), L"1.2.14");
}

TEST(TextOutput, WritesAnsiLinesEndingInCrLfAndTruncates)
{
    TempFolder folder;
    std::wstring path = folder.WriteFile(L"out.txt", std::string(100, 'x'));
    SequentialTextFile file;
    file.Open(path);
    file.WriteLine(L"[a]");
    file.WriteLine(L"");
    file.WriteLine(L"caf\u00E9");
    file.Close();
    EXPECT_EQ(ReadFileBytes(path), std::string("[a]\r\n\r\ncaf\xE9\r\n"));
}

TEST(TextOutput, WritesUtf16WithByteOrderMark)
{
    TempFolder folder;
    SequentialTextFile file;
    file.Open(folder / L"u.txt", SequentialTextFile::Encoding::Utf16LeBom);
    file.WriteLine(L"\u0416");
    file.Close();
    EXPECT_EQ(ReadFileBytes(folder / L"u.txt"), std::string("\xFF\xFE\x16\x04\r\0\n\0", 8));
}

TEST(TextOutput, FailureToOpenNamesThePathAndTheSystemError)
{
    TempFolder folder;
    std::wstring path = folder / L"missing\\out.txt";
    SequentialTextFile file;
    try
    {
        file.Open(path);
        FAIL() << "opening a file in a missing folder succeeded";
    }
    catch (const Error& error)
    {
        EXPECT_EQ(error.Number(), ERROR_PATH_NOT_FOUND);
        EXPECT_NE(error.Description().find(path), std::wstring::npos);
        EXPECT_GT(error.Description().size(), path.size() + 2);
    }
}

TEST(TextOutput, AnsiConversionTellsWhenACharacterHasNoExactForm)
{
    bool defaulted = true;
    EXPECT_EQ(ToAnsi(L"C:\\Photos", &defaulted), "C:\\Photos");
    EXPECT_FALSE(defaulted);
    ToAnsi(L"C:\\\u65E5\u672C", &defaulted);
    EXPECT_TRUE(defaulted);

    // Code pages that refuse WC_NO_BEST_FIT_CHARS (UTF-7, symbol, GB18030, ISO-2022, ISCII), one
    // that takes it, UTF-8, and one that no system has: never nothing, and read back where the
    // system has the code page.
    const std::wstring text = L"C:\\Photos\\x";
    for (UINT codePage :
         {65000u, 42u, 54936u, 50220u, 50229u, 57002u, 57011u, 1252u, 65001u, 12345u})
    {
        const std::string bytes = ToCodePage(text, codePage, &defaulted);
        ASSERT_FALSE(bytes.empty()) << codePage;
        if (defaulted)
        {
            EXPECT_EQ(bytes, ToCodePage(text, CP_UTF8)) << codePage << ": UTF-8 where it can't";
            continue;
        }
        wchar_t back[32] = {};
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), back, 32);
        EXPECT_EQ(back, text) << codePage;
    }
    EXPECT_EQ(ToCodePage(text, 65000u), "C:+AFw-Photos+AFw-x") << "UTF-7 writes a backslash so";
}

// A small form whose events a test can script.
constexpr ControlDesign kTestControls[] = {
    {ControlKind::CommandButton, L"cmdGo", -1, L"Go", 120, 120, 975, 375, 1, kNone},
    {ControlKind::TextBox, L"txtText", -1, L"", 120, 600, 2000, 300, 0, kNone},
    {ControlKind::PictureBox, L"picBox", -1, L"", 2400, 120, 720, 720, 2, kNone},
    {ControlKind::LinkLabel, L"lblLink", 0, L"link", 120, 1000, 1000, 255, 3, kHandCursor},
};
constexpr FormDesign kTestDesign = {
    L"TessalineTestForm", L"Test", 3600, 1500, BorderKind::FixedDialog, false, L"Tahoma", 825, 400,
    kTestControls,        4};

class TestForm : public Form
{
  public:
    enum
    {
        cmdGo,
        txtText,
        picBox,
        lblLink
    };
    explicit TestForm(Host& host) : Form(kTestDesign, host) {}
    std::function<void(int, FormEvent)> onEvent;
    int initializeCount = 0;
    int loadCount = 0;

  protected:
    void OnInitialize() override { ++initializeCount; }
    void OnLoad() override { ++loadCount; }
    void OnEvent(int row, FormEvent event) override
    {
        if (onEvent)
            onEvent(row, event);
    }
};

TEST(Forms, SettingTextRaisesTheChangeEventBeforeItReturns)
{
    FakeHost host;
    TestForm form(host);
    form.Show();
    std::wstring seenInHandler = L"<none>";
    form.onEvent = [&](int row, FormEvent event) {
        if (row == TestForm::txtText && event == FormEvent::Change)
            seenInHandler = form.Text(TestForm::txtText);
    };
    form.SetText(TestForm::txtText, L"abc");
    EXPECT_EQ(seenInHandler, L"abc");
    SendMessageW(form.ControlHwnd(TestForm::txtText), EM_SETSEL, 3, 3); // caret at the end
    TypeChar(form.ControlHwnd(TestForm::txtText), L'd');
    EXPECT_EQ(seenInHandler, L"abcd");
}

TEST(Forms, ALinkIsDrawnInTheSystemsLinkColourOnItsFace)
{
    if (GetSysColor(COLOR_HOTLIGHT) == GetSysColor(COLOR_BTNFACE))
        GTEST_SKIP() << "the link colour is the face colour here: nothing to tell apart";
    FakeHost host;
    TestForm form(host);
    form.Show();
    HWND link = form.ControlHwnd(TestForm::lblLink);
    UpdateWindow(link);
    HDC dc = GetDC(link);
    RECT client{};
    GetClientRect(link, &client);
    std::set<COLORREF> colours;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            colours.insert(GetPixel(dc, x, y));
    ReleaseDC(link, dc);
    EXPECT_EQ(colours.count(GetSysColor(COLOR_HOTLIGHT)), 1u);
    EXPECT_EQ(colours.count(GetSysColor(COLOR_BTNFACE)), 1u);
    if (GetSysColor(COLOR_BTNTEXT) != GetSysColor(COLOR_HOTLIGHT))
    {
        EXPECT_EQ(colours.count(GetSysColor(COLOR_BTNTEXT)), 0u) << "not in the text colour";
    }
}

TEST(Forms, ClicksReachTheHandlerWithTheirControl)
{
    FakeHost host;
    TestForm form(host);
    form.Show();
    std::vector<int> clicked;
    form.onEvent = [&](int row, FormEvent event) {
        if (event == FormEvent::Click)
            clicked.push_back(row);
    };
    SendMessageW(form.ControlHwnd(TestForm::cmdGo), BM_CLICK, 0, 0);
    HWND link = form.ControlHwnd(TestForm::lblLink);
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(clicked, (std::vector<int>{TestForm::cmdGo, TestForm::lblLink}));
}

TEST(Forms, AnErrorEscapingAHandlerIsReportedWithNumberAndDescriptionThenEnds)
{
    FakeHost host;
    TestForm form(host);
    form.Show();
    form.onEvent = [](int, FormEvent event) {
        if (event == FormEvent::Click)
            throw Error(53, L"File not found");
    };
    SendMessageW(form.ControlHwnd(TestForm::cmdGo), BM_CLICK, 0, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, L"Run-time error '53':\n\nFile not found");
    EXPECT_EQ(host.messages[0].title, L"Tessaline");
    EXPECT_EQ(host.messages[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(host.messages[0].owner, form.Hwnd());
    EXPECT_EQ(host.endedWith, std::vector<UINT>{53});
}

TEST(Forms, ForeignExceptionsAreReportedToo)
{
    // The standard library's own failures arrive through the program's hooks for them.
    struct Case
    {
        std::function<void()> fail;
        long number;
        const wchar_t* description;
    } cases[] = {
        {[] { throw std::runtime_error("boom"); }, 51, L"Internal error: boom"},
        {[] { (void)std::wstring(L"abc").substr(4); }, 51,
         L"Internal error: position out of range"},
        {[] { std::vector<int>(3).at(3); }, 51, L"Internal error: position out of range"},
        {[] { std::wstring().reserve(std::wstring().max_size() + 1); }, 51,
         L"Internal error: basic_string::_M_create"},
        {[] { throw std::bad_alloc(); }, 7, L"Out of memory"},
    };
    for (const Case& c : cases)
    {
        FakeHost host;
        TestForm form(host);
        form.Show();
        form.onEvent = [&](int, FormEvent event) {
            if (event == FormEvent::Click)
                c.fail();
        };
        SendMessageW(form.ControlHwnd(TestForm::cmdGo), BM_CLICK, 0, 0);
        ASSERT_EQ(host.messages.size(), 1u) << c.description;
        EXPECT_EQ(host.messages[0].text, UntrappedErrorText(c.number, c.description));
        EXPECT_EQ(host.endedWith, std::vector<UINT>{static_cast<UINT>(c.number)});
    }
}

TEST(Exceptions, EachThreadKeepsItsOwnCaughtAndUnwindingExceptions)
{
    // The program's hooks allocate thrown objects and keep each thread's record of them.
    struct Unwinding
    {
        int* seen;
        ~Unwinding() { *seen = std::uncaught_exceptions(); }
    };
    const auto catchOwn = [](int seed, std::wstring& caught, int& unwinding, bool& fresh) {
        fresh = abi::__cxa_current_exception_type() == nullptr;
        try
        {
            Unwinding probe{&unwinding};
            throw Error(seed, std::wstring(static_cast<size_t>(seed), L'a' + seed % 26));
        }
        catch (const Error& error)
        {
            caught = error.Description();
        }
    };
    for (int seed = 1; seed < 3000; seed += 97)
    {
        try
        {
            throw Error(seed, L"outer");
        }
        catch (const Error&)
        {
            std::wstring there, here;
            int thereUnwinding = -1, hereUnwinding = -1;
            bool thereFresh = false, hereFresh = true;
            std::thread other(catchOwn, seed + 1, std::ref(there), std::ref(thereUnwinding),
                              std::ref(thereFresh));
            catchOwn(seed, here, hereUnwinding, hereFresh);
            other.join();
            EXPECT_TRUE(thereFresh) << "a new thread has caught nothing";
            EXPECT_FALSE(hereFresh);
            EXPECT_EQ(there, std::wstring(static_cast<size_t>(seed + 1), L'a' + (seed + 1) % 26));
            EXPECT_EQ(here, std::wstring(static_cast<size_t>(seed), L'a' + seed % 26));
            EXPECT_EQ(thereUnwinding, 1);
            EXPECT_EQ(hereUnwinding, 1);
            EXPECT_EQ(std::uncaught_exceptions(), 0);
            try
            {
                throw;
            }
            catch (const Error& again)
            {
                EXPECT_EQ(again.Number(), seed) << "the outer exception is still the one caught";
            }
        }
    }
}

TEST(Forms, PictureKeepsWhatWasDrawnAcrossRepaints)
{
    FakeHost host;
    TestForm form(host);
    form.Show();
    PictureBox& picture = form.Picture(TestForm::picBox);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT square{7, 7, 17, 17};
    FillRect(picture.Hdc(), &square, red);
    DeleteObject(red);
    picture.Refresh();
    UpdateWindow(picture.Hwnd());
    EXPECT_EQ(ScreenPixel(picture.Hwnd(), 10, 10), RGB(255, 0, 0));
    EXPECT_EQ(ScreenPixel(picture.Hwnd(), 2, 2), GetSysColor(COLOR_WINDOW));

    // Minimise, restore, and paint over everything: the drawing comes back.
    ShowWindow(form.Hwnd(), SW_MINIMIZE);
    PumpMessages();
    ShowWindow(form.Hwnd(), SW_RESTORE);
    RedrawWindow(form.Hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(ScreenPixel(picture.Hwnd(), 10, 10), RGB(255, 0, 0));

    // A move to a monitor of another DPI resizes the box: the drawing stays where it was, and
    // what the box gains is background.
    RECT window{};
    GetWindowRect(form.Hwnd(), &window);
    for (int dpi : {144, 96})
    {
        MoveToDpi(form, dpi, {window.left, window.top, window.right + dpi, window.bottom + dpi});
        UpdateWindow(picture.Hwnd());
        const int size = TwipsToPixels(720, dpi) - 2 * GetSystemMetrics(SM_CXEDGE);
        EXPECT_EQ(ScreenPixel(picture.Hwnd(), 10, 10), RGB(255, 0, 0)) << dpi;
        EXPECT_EQ(ScreenPixel(picture.Hwnd(), size - 1, size - 1), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(ChildRect(picture.Hwnd()).right, TwipsToPixels(2400 + 720, dpi));
    }
    // A DPI that no monitor has, as any process may post it: the nearest scale Windows offers.
    for (const auto& [sent, taken] : {std::pair{1000, 480}, {65535, 480}, {48, 96}, {96, 96}})
    {
        MoveToDpi(form, sent, window);
        EXPECT_EQ(form.Dpi(), taken) << sent;
        EXPECT_EQ(
            IconWidth(reinterpret_cast<HANDLE>(SendMessageW(form.Hwnd(), WM_GETICON, ICON_BIG, 0))),
            GetSystemMetrics(SM_CXICON) * taken / 96)
            << sent;
    }

    picture.Clear();
    UpdateWindow(picture.Hwnd());
    EXPECT_EQ(ScreenPixel(picture.Hwnd(), 10, 10), GetSysColor(COLOR_WINDOW));
}

TEST(Forms, ModalWindowDisablesItsOwnerUntilClosedAndLoadsAgainEachTime)
{
    FakeHost host;
    TestForm owner(host);
    owner.Show();
    TestForm modal(host);
    static TestForm* s_modal;
    static BOOL s_ownerEnabledWhileOpen;
    static HWND s_ownerHwnd;
    static HWND s_ownerOfModal;
    s_modal = &modal;
    s_ownerHwnd = owner.Hwnd();
    for (int round = 1; round <= 2; ++round)
    {
        s_ownerEnabledWhileOpen = TRUE;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            s_ownerEnabledWhileOpen = IsWindowEnabled(s_ownerHwnd);
            s_ownerOfModal = GetWindow(s_modal->Hwnd(), GW_OWNER);
            PostMessageW(s_modal->Hwnd(), WM_CLOSE, 0, 0);
        });
        ASSERT_NE(timer, 0u);
        modal.ShowModal(owner);
        EXPECT_FALSE(modal.IsLoaded());
        EXPECT_FALSE(s_ownerEnabledWhileOpen);
        EXPECT_EQ(s_ownerOfModal, owner.Hwnd());
        EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
        EXPECT_EQ(modal.loadCount, round);
    }
    EXPECT_EQ(modal.initializeCount, 1);
}

// The delay-load helper's call through its notification hook, as it makes it before a load.
HMODULE AskDelayLoadHook(unsigned notification, const char* dll)
{
    if (__pfnDliNotifyHook2 == nullptr)
    {
        ADD_FAILURE() << "no hook: the helper's default";
        return nullptr;
    }
    DelayLoadInfo info{};
    info.cb = sizeof info;
    info.szDll = dll;
    return reinterpret_cast<HMODULE>(__pfnDliNotifyHook2(notification, &info));
}

std::wstring Wide(const char* ascii)
{
    return std::wstring(ascii, ascii + strlen(ascii));
}

std::wstring FolderOf(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    *wcsrchr(path, L'\\') = L'\0';
    return path;
}

TEST(DllSearch, TheDelayLoadHookLoadsFromTheSystemFolderBeforeALoadOnly)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (unsigned notification :
         {dliStartProcessing, dliNotePreLoadLibrary, dliNotePreGetProcAddress, dliFailLoadLib,
          dliFailGetProc, dliNoteEndProcessing})
    {
        HMODULE module = AskDelayLoadHook(notification, "psapi.dll");
        EXPECT_EQ(module != nullptr, notification == dliNotePreLoadLibrary) << notification;
        if (module != nullptr)
        {
            EXPECT_EQ(lstrcmpiW(FolderOf(module).c_str(), system), 0) << FolderOf(module);
            FreeLibrary(module);
        }
    }
}

// Wine loads its own DLL for a system DLL's name wherever another is planted, so the planted DLL
// has a name no system DLL has. Wine also keeps searching the current folder after
// SetDllDirectoryW(L"") and reads an empty DLL directory back as one never set: what shows here
// is the search under SetDefaultDllDirectories, and that a directory set before is replaced.
TEST(DllSearch, NeitherTheCurrentFolderNorTheExesFolderIsSearched)
{
    TempFolder current;
    const std::wstring exeFolder = FolderOf(nullptr);
    const struct
    {
        std::wstring folder;
        const char* name;
    } places[] = {{current.Path(), "tessaline_planted_current.dll"},
                  {exeFolder, "tessaline_planted_exe.dll"}};
    wchar_t startFolder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, startFolder);
    const struct Cleanup
    {
        std::function<void()> run;
        ~Cleanup() { run(); }
    } cleanup{[&] {
        SetCurrentDirectoryW(startFolder);
        for (const auto& place : places)
            DeleteFileW((place.folder + L"\\" + Wide(place.name)).c_str());
    }};
    ASSERT_TRUE(SetCurrentDirectoryW(current.Path().c_str()));
    for (const auto& place : places)
    {
        const std::wstring name = Wide(place.name);
        ASSERT_TRUE(
            CopyFileW(IconLibraryPath().c_str(), (place.folder + L"\\" + name).c_str(), FALSE));
        HMODULE planted = LoadLibraryW(name.c_str());
        ASSERT_NE(planted, nullptr) << place.name << " is found before the search is restricted";
        FreeLibrary(planted);
        EXPECT_EQ(AskDelayLoadHook(dliNotePreLoadLibrary, place.name), nullptr) << place.name;
    }
    ASSERT_TRUE(SetDllDirectoryW(exeFolder.c_str()));
    RestrictDllSearch();
    for (const auto& place : places)
    {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(LoadLibraryW(Wide(place.name).c_str()), nullptr) << place.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    }
    wchar_t directory[MAX_PATH] = L"unread";
    EXPECT_EQ(GetDllDirectoryW(MAX_PATH, directory), 0u);
    EXPECT_STREQ(directory, L"");
}
} // namespace
