// The real shell folder picker, answered from a second thread as a person would answer it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>

#include "engine/modFunction.h"
#include "runtime/UniqueAny.h"
#include "support/TempFolder.h"

namespace
{
const wchar_t kTitle[] = L"Choose folder to change icon";
constexpr int kTreeId = 0x3741;

struct Found
{
    HWND dialog = nullptr;
};

BOOL CALLBACK FindPicker(HWND window, LPARAM param)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || lstrcmpW(className, L"#32770") != 0 ||
        !IsWindowVisible(window))
        return TRUE;
    reinterpret_cast<Found*>(param)->dialog = window;
    return FALSE;
}

BOOL CALLBACK FindTitle(HWND child, LPARAM param)
{
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (lstrcmpW(text, kTitle) == 0)
        *reinterpret_cast<bool*>(param) = true;
    return TRUE;
}

// Waits for the picker, notes whether it shows the title, then selects path (when given) and
// presses button.
struct Answer
{
    std::wstring path;
    int button;
    std::atomic<bool> sawPicker{false};
    std::atomic<bool> sawTitle{false};

    void Run()
    {
        Found found;
        for (int i = 0; i < 200 && !found.dialog; ++i)
        {
            Sleep(50);
            EnumWindows(FindPicker, reinterpret_cast<LPARAM>(&found));
        }
        if (!found.dialog)
            return;
        sawPicker = true;
        bool title = false;
        EnumChildWindows(found.dialog, FindTitle, reinterpret_cast<LPARAM>(&title));
        sawTitle = title;
        // Typing into the picker's edit is ignored on Wine; selecting through the message works,
        // once the picker has finished selecting its own starting item.
        for (int i = 0; i < 50 && !path.empty() && SelectedName(found.dialog) != LeafName(); ++i)
        {
            SendMessageW(found.dialog, BFFM_SETSELECTIONW, TRUE,
                         reinterpret_cast<LPARAM>(path.c_str()));
            Sleep(100);
        }
        PostMessageW(found.dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(found.dialog, button)));
    }

    std::wstring LeafName() const { return path.substr(path.find_last_of(L'\\') + 1); }

    // The text of the tree item that the picker has selected.
    static std::wstring SelectedName(HWND dialog)
    {
        const HWND tree = GetDlgItem(dialog, kTreeId);
        const auto item =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        wchar_t text[MAX_PATH] = {};
        TVITEMW info{};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = MAX_PATH;
        if (!item || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info)))
            return std::wstring();
        return text;
    }

    static DWORD WINAPI Thread(void* param)
    {
        static_cast<Answer*>(param)->Run();
        return 0;
    }
};

// Opens the picker on this thread while answer runs on another; returns the picker's result.
std::wstring BrowseAnswered(Answer& answer)
{
    UniqueHandle thread(CreateThread(nullptr, 0, Answer::Thread, &answer, 0, nullptr));
    const std::wstring result = BrowseForFolder(nullptr, kTitle);
    WaitForSingleObject(thread.get(), INFINITE);
    return result;
}
} // namespace

TEST(BrowseForFolderTest, OkReturnsThePathAndCancelReturnsEmpty)
{
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"Photos");

    Answer ok{folder, IDOK};
    const std::wstring chosen = BrowseAnswered(ok);
    ASSERT_TRUE(ok.sawPicker) << "the picker did not appear";
    EXPECT_TRUE(ok.sawTitle) << "the picker shows the title";
    EXPECT_EQ(lstrcmpiW(chosen.c_str(), folder.c_str()), 0)
        << ::testing::PrintToString(chosen) << " is not " << ::testing::PrintToString(folder);

    Answer cancel{folder, IDCANCEL};
    const std::wstring cancelled = BrowseAnswered(cancel);
    ASSERT_TRUE(cancel.sawPicker) << "the picker did not appear";
    EXPECT_EQ(cancelled, L"");
}
