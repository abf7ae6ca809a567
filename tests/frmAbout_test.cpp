// The About window: its design, its load event, its links, and its modal life over the main
// window.

#include "runtime/Twips.h"
#include "support/FakeHost.h"
#include "support/Windows.h"
#include "ui/ProductTexts.h"
#include "ui/SystemHost.h"
#include "ui/about/frmAbout.h"
#include "ui/main/frmMain.h"

#include <gtest/gtest.h>

#include <functional>
#include <atomic>
#include <thread>

namespace
{
// Runs check while the modal window that a posted click opens is on screen, then closes it.
struct WhileModal
{
    static std::function<void()>& Check()
    {
        static std::function<void()> check;
        return check;
    }
    static void Arm(std::function<void()> check)
    {
        Check() = std::move(check);
        SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            Check()();
        });
    }
};

bool PictureShowsSomething(HWND picture)
{
    // The window's icon, drawn at (0, 0), covers pixels that are not the background.
    COLORREF background = GetSysColor(COLOR_BTNFACE);
    for (int y = 0; y < 32; y += 2)
        for (int x = 0; x < 32; x += 2)
            if (ScreenPixel(picture, x, y) != background)
                return true;
    return false;
}

TEST(AboutWindow, OpensModallyFromTheNoticeShowingVersionAndIconEveryTime)
{
    FakeHost host;
    frmMain main(host);
    main.Show();
    frmAbout* firstInstance = nullptr;
    for (int round = 1; round <= 2; ++round)
    {
        bool checked = false;
        WhileModal::Arm([&] {
            frmAbout* about = main.About();
            ASSERT_NE(about, nullptr);
            ASSERT_TRUE(about->IsLoaded());
            if (firstInstance == nullptr)
                firstInstance = about;
            EXPECT_EQ(about, firstInstance) << "the instance is reused";
            EXPECT_TRUE(IsWindowVisible(about->Hwnd()));
            EXPECT_EQ(WindowText(about->Hwnd()), L"About");
            EXPECT_EQ(about->Text(frmAbout::lblVer), L"1.2.14");
            EXPECT_FALSE(IsWindowEnabled(main.Hwnd())) << "the main window takes no input";
            EXPECT_EQ(GetWindow(about->Hwnd(), GW_OWNER), main.Hwnd());
            HWND picture = about->ControlHwnd(frmAbout::picIcon);
            UpdateWindow(picture);
            EXPECT_TRUE(PictureShowsSomething(picture));
            checked = true;
            if (round == 2)
            {
                MSG escape{about->ControlHwnd(frmAbout::lblLink0), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
                Form::PreTranslate(escape);
                EXPECT_FALSE(about->IsLoaded()) << "Escape closes it";
            }
            if (about->IsLoaded()) // the title bar's close button
                PostMessageW(about->Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        SendMessageW(main.ControlHwnd(frmMain::lblCopyright), WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM(3, 3));
        SendMessageW(main.ControlHwnd(frmMain::lblCopyright), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_TRUE(checked) << "round " << round;
        EXPECT_FALSE(main.About()->IsLoaded()) << "closing unloads it";
        EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
    }
}

TEST(AboutWindow, CreationRunsOnceAndLoadEveryTime)
{
    FakeHost host;
    struct CountingAbout : frmAbout
    {
        using frmAbout::frmAbout;
        int initialized = 0, loaded = 0;
        void OnInitialize() override
        {
            ++initialized;
            frmAbout::OnInitialize();
        }
        void OnLoad() override
        {
            ++loaded;
            frmAbout::OnLoad();
        }
    } about(host);
    for (int i = 0; i < 3; ++i)
    {
        about.Load();
        EXPECT_EQ(about.Text(frmAbout::lblVer), L"1.2.14") << "never '-' once loaded";
        about.Unload();
    }
    EXPECT_EQ(about.initialized, 1);
    EXPECT_EQ(about.loaded, 3);
}

TEST(AboutWindow, EachLinkOpensExactlyItsCaptionWithTheWindowAsOwner)
{
    FakeHost host;
    frmAbout about(host);
    about.Show();
    const int links[] = {frmAbout::lblLink0, frmAbout::lblLink1, frmAbout::lblLink2};
    const wchar_t* expected[] = {kProfileAddress, kSecondProfileAddress, kBlogAddress};
    for (int i = 0; i < 3; ++i)
    {
        HWND link = about.ControlHwnd(links[i]);
        SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        ASSERT_EQ(host.links.size(), static_cast<size_t>(i + 1));
        EXPECT_EQ(host.links[i].second, expected[i]);
        EXPECT_EQ(host.links[i].second, WindowText(link));
        EXPECT_EQ(host.links[i].first, about.Hwnd());
    }
}

TEST(AboutWindow, LinksTakeTheFocusInTabOrderAndOpenOnEnterOrSpace)
{
    FakeHost host;
    frmAbout about(host);
    about.Show();
    HWND first = about.ControlHwnd(frmAbout::lblLink0);
    EXPECT_EQ(GetFocus(), first) << "the first link is the first focusable control";
    EXPECT_EQ(GetNextDlgTabItem(about.Hwnd(), first, FALSE), about.ControlHwnd(frmAbout::lblLink1));
    EXPECT_EQ(GetNextDlgTabItem(about.Hwnd(), about.ControlHwnd(frmAbout::lblLink1), FALSE),
              about.ControlHwnd(frmAbout::lblLink2));

    // Keys go through the dialog manager exactly as the message loop hands them over.
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_SPACE)})
    {
        MSG msg{first, WM_KEYDOWN, key, 1, 0, {}};
        if (!Form::PreTranslate(msg))
            DispatchMessageW(&msg);
    }
    ASSERT_EQ(host.links.size(), 2u);
    EXPECT_EQ(host.links[0].second, kProfileAddress);
    EXPECT_EQ(host.links[1].second, kProfileAddress);
}

TEST(AboutWindow, TheSystemOpensLinksWithComReadyOnTheThread)
{
    // The first link of the process, from a thread of its own. No handler takes the scheme, so
    // the shell says so in a message box, which is dismissed here.
    std::atomic<HRESULT> afterLink{E_FAIL};
    std::atomic<DWORD> thread{0};
    std::thread opener([&afterLink, &thread] {
        thread = GetCurrentThreadId();
        TheSystemHost().OpenLink(nullptr, L"tessaline-no-handler:x");
        afterLink = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterLink))
            CoUninitialize();
    });
    for (int i = 0; i < 200 && afterLink == E_FAIL; ++i)
    {
        Sleep(50);
        EnumThreadWindows(
            thread.load(),
            [](HWND window, LPARAM) {
                PostMessageW(window, WM_COMMAND, IDOK, 0);
                return TRUE;
            },
            0);
    }
    opener.join();
    EXPECT_EQ(afterLink.load(), S_FALSE) << "COM was already initialised on the thread by the link";
}

TEST(AboutWindow, LayoutAt96DpiFollowsTheDesign)
{
    FakeHost host;
    frmAbout about(host);
    about.Load(nullptr, 96);
    RECT client{};
    GetClientRect(about.Hwnd(), &client);
    EXPECT_EQ(client.right, 250);
    EXPECT_EQ(client.bottom, 194);
    LONG style = GetWindowLongW(about.Hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    ExpectControlsWhereDesigned(about, frmAboutDesign(), 96);
    for (int link : {frmAbout::lblLink0, frmAbout::lblLink1, frmAbout::lblLink2})
    {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(about.ControlHwnd(link), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        EXPECT_TRUE(font.lfUnderline);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    }
}
TEST(AboutWindow, AMoveTo144DpiAndBackLaysItOutFromTheDesignEachTime)
{
    FakeHost host;
    frmAbout about(host);
    about.Load(nullptr, 96);
    about.Show();
    ExpectDpiRoundTrip(about, frmAboutDesign());
    // The program's icon in the picture, drawn again at each scale.
    const HWND picture = about.ControlHwnd(frmAbout::picIcon);
    const RECT before = DrawnBox(picture, GetSysColor(COLOR_BTNFACE));
    RECT window{};
    GetWindowRect(about.Hwnd(), &window);
    MoveToDpi(about, 144, window);
    const RECT larger = DrawnBox(picture, GetSysColor(COLOR_BTNFACE));
    EXPECT_NEAR(larger.right, MulDiv(before.right, 3, 2), 2);
    EXPECT_NEAR(larger.bottom, MulDiv(before.bottom, 3, 2), 2);
    MoveToDpi(about, 96, window);
    const RECT again = DrawnBox(picture, GetSysColor(COLOR_BTNFACE));
    EXPECT_TRUE(EqualRect(&again, &before));
    // Closed with the mouse over a link: the window's cursor goes, but not from the screen.
    SendMessageW(about.Hwnd(), WM_SETCURSOR,
                 reinterpret_cast<WPARAM>(about.ControlHwnd(frmAbout::lblLink0)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    about.Unload();
    EXPECT_GT(IconWidth(GetCursor()), 0);
}
} // namespace
