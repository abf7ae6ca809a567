// The real common dialogs under Wine: another thread plays the user, as a person would, and the
// choice comes back through the binding to comdlg32.
#include "support/Fonts.h"
#include "dialogs/cCommonDialog.h"
#include "runtime/Error.h"
#include "runtime/UniqueAny.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <olectl.h>

using namespace std::string_literals;

namespace
{
constexpr int kFileNameBox = 0x47C;  // the open dialog's file-name ComboBoxEx
constexpr int kRedBox = 706;         // the colour dialog's red edit
constexpr int kFaceBox = 0x470;      // the font dialog's face combo box
constexpr int kMessageText = 0xFFFF; // a message box's text

struct User
{
    int button;             // IDOK or IDCANCEL
    std::wstring path;      // typed into the file-name box before OK
    int box = kFileNameBox; // a control that only the awaited dialog has
    bool sawDialog = false;
    HWND dialog = nullptr;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM parameter)
{
    User& user = *reinterpret_cast<User*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || std::wstring(className) != L"#32770" ||
        !IsWindowVisible(window) || !GetDlgItem(window, user.box))
        return TRUE;
    user.dialog = window;
    return FALSE;
}

DWORD WINAPI PlayUser(void* parameter)
{
    User& user = *static_cast<User*>(parameter);
    for (int tries = 0; tries < 300 && !user.dialog; ++tries) // 15 s at most
    {
        Sleep(50);
        EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&user));
    }
    HWND dialog = user.dialog;
    if (!dialog)
        return 1;
    user.sawDialog = true;
    if (user.button == IDOK && !user.path.empty())
        SendMessageW(GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(user.path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(user.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, user.button)));
    return 0;
}

// Shows the real dialog while another thread answers it as the user.
template <typename Show> bool ShowDialog(Show show, User& user)
{
    UniqueHandle player(CreateThread(nullptr, 0, PlayUser, &user, 0, nullptr));
    EXPECT_TRUE(player);
    const bool chosen = show();
    WaitForSingleObject(player.get(), INFINITE);
    EXPECT_TRUE(user.sawDialog);
    return chosen;
}

// Wine's prefix has none; a system that has one can't show what its absence does.
bool HasDefaultPrinter()
{
    PRINTDLGA probe{};
    probe.lStructSize = sizeof probe;
    probe.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    if (!PrintDlgA(&probe))
        return false;
    DeleteDC(probe.hDC);
    GlobalFree(probe.hDevMode);
    GlobalFree(probe.hDevNames);
    return true;
}
} // namespace

TEST(cCommonDialogReal, OpenDialogHandsBackTheTypedFile)
{
    // A folder name that no ANSI code page holds: the wide binding must keep it.
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"\u0406\u043a\u043e\u043d\u0438 \u2713");
    const std::wstring path = folder + L"\\pick.ico";
    temp.WriteFile(L"\u0406\u043a\u043e\u043d\u0438 \u2713\\pick.ico", "icon");

    cCommonDialog dialog;
    OpenFileNameArgs args;
    args.Filter = L"Icon Files (*.ico)|*.ico";
    User user{IDOK, path};
    EXPECT_TRUE(ShowDialog([&] { return dialog.VBGetOpenFileName(args); }, user));
    EXPECT_EQ(path, args.FileName);
    EXPECT_EQ(L"pick.ico", args.FileTitle);
    EXPECT_EQ(L"Icon Files (*.ico)\0*.ico"s, args.Filter);
    EXPECT_EQ(1, args.FilterIndex);
    EXPECT_TRUE(args.flags & OFN_FILEMUSTEXIST);
    EXPECT_EQ(1, dialog.APIReturn());
    EXPECT_EQ(0, dialog.ExtendedError());
}

TEST(cCommonDialogReal, OpenDialogCancelled)
{
    cCommonDialog dialog;
    OpenFileNameArgs args;
    args.FileName = L"C:\\offered.ico";
    User user{IDCANCEL, L""};
    EXPECT_FALSE(ShowDialog([&] { return dialog.VBGetOpenFileName(args); }, user));
    EXPECT_EQ(L"", args.FileName);
    EXPECT_EQ(L"", args.Filter);
    EXPECT_EQ(-1, args.FilterIndex);
    EXPECT_EQ(0, args.flags);
    EXPECT_EQ(0, dialog.APIReturn());
    EXPECT_EQ(0, dialog.ExtendedError());
}

TEST(cCommonDialogReal, ColorDialogHandsBackTheColourItOpenedWith)
{
    cCommonDialog dialog;
    dialog.CustomColor(4, 0x00102030);
    ChooseColorArgs args{0x000000FF};
    User user{IDOK, L"", kRedBox};
    EXPECT_TRUE(ShowDialog([&] { return dialog.VBChooseColor(args); }, user));
    EXPECT_EQ(0x000000FF, args.Color);
    EXPECT_EQ(1, dialog.APIReturn());
    EXPECT_EQ(0x00102030, dialog.CustomColor(4));
}

TEST(cCommonDialogReal, FontDialogSetsTheFontItOpenedWith)
{
    CoInitialize(nullptr);
    {
        // The face this system gives for Tahoma, so that the dialog lists it.
        std::wstring installed = InstalledFace();
        wchar_t face[LF_FACESIZE] = {};
        installed.copy(face, LF_FACESIZE - 1);

        FONTDESC desc{sizeof(FONTDESC), face, {}, FW_BOLD, ANSI_CHARSET, FALSE, FALSE, FALSE};
        desc.cySize.int64 = 120000;
        IFontDisp* font = nullptr;
        ASSERT_EQ(S_OK,
                  OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)));
        IFont* view = nullptr;
        font->QueryInterface(IID_IFont, reinterpret_cast<void**>(&view));

        cCommonDialog dialog;
        ChooseFontArgs args{font};
        User user{IDOK, L"", kFaceBox};
        EXPECT_TRUE(ShowDialog([&] { return dialog.VBChooseFont(args); }, user));
        EXPECT_EQ(1, dialog.APIReturn());
        BSTR name = nullptr;
        CY size{};
        BOOL bold = FALSE;
        view->get_Name(&name);
        view->get_Size(&size);
        view->get_Bold(&bold);
        EXPECT_EQ(std::wstring(face), name);
        EXPECT_EQ(120000, size.int64);
        EXPECT_TRUE(bold);
        SysFreeString(name);
        view->Release();
        font->Release();
    }
    CoUninitialize();
}

TEST(cCommonDialogReal, PrintDialogsWithoutAPrinterConfirmNothing)
{
    if (HasDefaultPrinter())
        GTEST_SKIP() << "this system has a default printer";
    // Both dialogs tell the user that there is no printer, and return 0.
    cCommonDialog dialog;
    PrintDlgArgs print;
    print.PrintRange = 1;
    print.FromPage = 2;
    print.PreventWarning = true;
    User user{IDOK, L"", kMessageText};
    EXPECT_FALSE(ShowDialog([&] { return dialog.VBPrintDlg(print); }, user));
    EXPECT_EQ(0, print.hdc);
    EXPECT_EQ(1, print.PrintRange);
    EXPECT_EQ(2, print.FromPage);
    EXPECT_EQ(-1, print.ToPage);
    EXPECT_EQ(0, dialog.APIReturn());
    EXPECT_EQ(0, dialog.ExtendedError());

    PageSetupDlgArgs setup;
    setup.LeftMargin = 1;
    User again{IDOK, L"", kMessageText};
    EXPECT_FALSE(ShowDialog([&] { return dialog.VBPageSetupDlg(setup); }, again));
    EXPECT_EQ(1, setup.LeftMargin);
    EXPECT_EQ(1, setup.PaperSize);
    EXPECT_EQ(0, dialog.ExtendedError()) << "page setup never keeps an error code";
}

TEST(cCommonDialogReal, PrinterFontsWithoutAPrinterAreAnError)
{
    if (HasDefaultPrinter())
        GTEST_SKIP() << "this system has a default printer";
    CoInitialize(nullptr);
    {
        FONTDESC desc{sizeof(FONTDESC),
                      const_cast<LPOLESTR>(L"Tahoma"),
                      {},
                      FW_NORMAL,
                      ANSI_CHARSET,
                      FALSE,
                      FALSE,
                      FALSE};
        desc.cySize.int64 = 120000;
        IFontDisp* font = nullptr;
        ASSERT_EQ(S_OK,
                  OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)));
        cCommonDialog dialog;
        ChooseFontArgs args{font, -1, -1, 0, 0, 0, CF_PRINTERFONTS};
        try
        {
            dialog.VBChooseFont(args);
            ADD_FAILURE() << "no error";
        }
        catch (const Error& e)
        {
            EXPECT_EQ(482, e.Number());
            EXPECT_NE(std::wstring::npos, e.Description().find(L"printer"));
        }
        EXPECT_EQ(0, args.PrinterDC);
        font->Release();
    }
    CoUninitialize();
}
