// The real open-file dialog under Wine: another thread plays the user, as a person would, and
// the chosen path comes back through the binding to comdlg32.
#include "dialogs/cCommonDialog.h"
#include "runtime/UniqueAny.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace
{
constexpr int kFileNameBox = 0x47C; // the dialog's file-name ComboBoxEx

struct User
{
    int button;        // IDOK or IDCANCEL
    std::wstring path; // typed into the file-name box before OK
    bool sawDialog = false;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || std::wstring(className) != L"#32770" ||
        !IsWindowVisible(window) || !GetDlgItem(window, kFileNameBox))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

DWORD WINAPI PlayUser(void* parameter)
{
    User& user = *static_cast<User*>(parameter);
    HWND dialog = nullptr;
    for (int tries = 0; tries < 300 && !dialog; ++tries) // 15 s at most
    {
        Sleep(50);
        EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&dialog));
    }
    if (!dialog)
        return 1;
    user.sawDialog = true;
    if (user.button == IDOK)
        SendMessageW(GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(user.path.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(user.button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, user.button)));
    return 0;
}

// Shows the real dialog while another thread answers it as the user.
bool ShowOpenDialog(cCommonDialog& dialog, OpenFileNameArgs& args, User& user)
{
    UniqueHandle player(CreateThread(nullptr, 0, PlayUser, &user, 0, nullptr));
    EXPECT_TRUE(player);
    const bool chosen = dialog.VBGetOpenFileName(args);
    WaitForSingleObject(player.get(), INFINITE);
    EXPECT_TRUE(user.sawDialog);
    return chosen;
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
    EXPECT_TRUE(ShowOpenDialog(dialog, args, user));
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
    EXPECT_FALSE(ShowOpenDialog(dialog, args, user));
    EXPECT_EQ(L"", args.FileName);
    EXPECT_EQ(L"", args.Filter);
    EXPECT_EQ(-1, args.FilterIndex);
    EXPECT_EQ(0, args.flags);
    EXPECT_EQ(0, dialog.APIReturn());
    EXPECT_EQ(0, dialog.ExtendedError());
}
