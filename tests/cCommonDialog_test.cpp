// cCommonDialog through a fake comdlg32 that keeps the record it received and plays the user.
#include "cCommonDialogFake.h"
#include "dialogs/cCommonDialog.h"
#include "runtime/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <tuple>

using namespace std::string_literals;

namespace
{
template <typename Args> struct Dialog;
template <> struct Dialog<OpenFileNameArgs>
{
    static constexpr long kNoFileIndex = -1;
    static constexpr const char* kFunction = "open";
    static bool Show(cCommonDialog& dialog, OpenFileNameArgs& args)
    {
        return dialog.VBGetOpenFileName(args);
    }
};
template <> struct Dialog<SaveFileNameArgs>
{
    static constexpr long kNoFileIndex = 0;
    static constexpr const char* kFunction = "save";
    static bool Show(cCommonDialog& dialog, SaveFileNameArgs& args)
    {
        return dialog.VBGetSaveFileName(args);
    }
};

auto Fields(const OpenFileNameArgs& a)
{
    return std::tie(a.FileName, a.FileTitle, a.FileMustExist, a.MultiSelect, a.ReadOnly,
                    a.HideReadOnly, a.Filter, a.FilterIndex, a.InitDir, a.DlgTitle, a.DefaultExt,
                    a.Owner, a.flags);
}
auto Fields(const SaveFileNameArgs& a)
{
    return std::tie(a.FileName, a.FileTitle, a.OverWritePrompt, a.Filter, a.FilterIndex, a.InitDir,
                    a.DlgTitle, a.DefaultExt, a.Owner, a.flags);
}

constexpr DWORD kBufferTooSmall = 0x3003; // FNERR_BUFFERTOOSMALL

Answer Failure()
{
    return {kFail, L"", L"", 0, 0};
}

template <typename Args> class FileDialog : public ::testing::Test
{
  protected:
    FakeDialogs fake;
    cCommonDialog dialog{fake};
    Args args;

    bool Show() { return Dialog<Args>::Show(dialog, args); }
    // Leaves both result members nonzero, so that a test can see them reset.
    void FailOnce()
    {
        args = {};
        fake.answer = Failure();
        fake.errorCode = kBufferTooSmall;
        Show();
        fake.answer = {};
        args = {};
    }
};
using OpenFileDialog = FileDialog<OpenFileNameArgs>;
using SaveFileDialog = FileDialog<SaveFileNameArgs>;
using FileDialogKinds = ::testing::Types<OpenFileNameArgs, SaveFileNameArgs>;
struct FileDialogNames
{
    template <typename Args> static std::string GetName(int) { return Dialog<Args>::kFunction; }
};
TYPED_TEST_SUITE(FileDialog, FileDialogKinds, FileDialogNames);
} // namespace

TYPED_TEST(FileDialog, EveryOutcomeWritesBackEveryOutput)
{
    const long none = Dialog<TypeParam>::kNoFileIndex;
    const struct
    {
        const char* name;
        BOOL result;
        bool chosen;
        std::wstring file, title, filter;
        long filterIndex, flags, extendedError;
        int errorQueries;
    } rows[] = {
        {"confirm", kConfirm, true, L"C:\\pics\\b.bmp", L"b.bmp", L"Bitmaps\0*.bmp"s, 2, 0x80004, 0,
         0},
        {"cancel", kCancel, false, L"", L"", L"", none, 0, 0, 0},
        {"failure", kFail, false, L"", L"", L"", none, 0, kBufferTooSmall, 1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        FakeDialogs fake;
        cCommonDialog dialog(fake);
        TypeParam args;
        args.FileName = L"C:\\start.ico";
        args.FileTitle = L"start.ico";
        args.Filter = L"Icons|*.ico|Bitmaps|*.bmp";
        args.flags = 0x80000;
        // What the dialog leaves behind, on a cancel or a failure too.
        fake.answer = {row.result, L"C:\\pics\\b.bmp\0a.bmp"s, L"b.bmp\0a"s, 2, 0x80004};
        fake.errorCode = kBufferTooSmall;

        EXPECT_EQ(row.chosen, Dialog<TypeParam>::Show(dialog, args));
        EXPECT_EQ(Dialog<TypeParam>::kFunction, fake.function);
        EXPECT_EQ(row.file, args.FileName);
        EXPECT_EQ(row.title, args.FileTitle);
        EXPECT_EQ(row.filter, args.Filter);
        EXPECT_EQ(row.filterIndex, args.FilterIndex);
        EXPECT_EQ(row.flags, args.flags);
        EXPECT_EQ(row.result, dialog.APIReturn());
        EXPECT_EQ(row.extendedError, dialog.ExtendedError());
        EXPECT_EQ(row.errorQueries, fake.errorQueries);
    }
}

TYPED_TEST(FileDialog, SuccessAfterFailureClearsExtendedError)
{
    this->FailOnce();
    ASSERT_NE(0, this->dialog.ExtendedError());
    this->fake.answer = {kConfirm, L"C:\\a.ico", L"a.ico", 1, 0};
    EXPECT_TRUE(this->Show());
    EXPECT_EQ(1, this->dialog.APIReturn());
    EXPECT_EQ(0, this->dialog.ExtendedError());
}

TYPED_TEST(FileDialog, RefusedArgumentsChangeNothingAndShowNoDialog)
{
    const struct
    {
        const char* name;
        std::function<void(TypeParam&)> set;
        long error;
    } rows[] = {
        {"FileName of 261", [](TypeParam& a) { a.FileName.assign(261, L'f'); }, 5},
        {"FileTitle of 261", [](TypeParam& a) { a.FileTitle.assign(261, L't'); }, 5},
        {"Filter of 32767", [](TypeParam& a) { a.Filter.assign(32767, L'x'); }, 6},
        {"Filter before FileName",
         [](TypeParam& a) {
             a.Filter.assign(40000, L'x');
             a.FileName.assign(300, L'f');
         },
         6},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        this->FailOnce();
        row.set(this->args);
        const TypeParam before = this->args;
        const int dialogs = this->fake.dialogs;
        try
        {
            this->Show();
            ADD_FAILURE() << "no error";
        }
        catch (const Error& e)
        {
            EXPECT_EQ(row.error, e.Number());
        }
        EXPECT_EQ(dialogs, this->fake.dialogs);
        EXPECT_EQ(Fields(before), Fields(this->args));
        EXPECT_EQ(0, this->dialog.APIReturn());
        EXPECT_EQ(0, this->dialog.ExtendedError());
    }
}

TYPED_TEST(FileDialog, LongestAcceptedArgumentsReachTheDialog)
{
    const std::wstring path(260, L'p'), name(260, L'n');
    this->args.FileName = path;
    this->args.FileTitle = name;
    this->args.Filter.assign(32766, L'x');
    this->fake.answer = {kConfirm, path, name, 1, 0};

    EXPECT_TRUE(this->Show());
    EXPECT_EQ(path, this->fake.file); // the whole buffer, no NUL in it
    EXPECT_EQ(name, this->fake.title);
    EXPECT_EQ(32768u, this->fake.filter.size());
    EXPECT_EQ(path, this->args.FileName);
    EXPECT_EQ(name, this->args.FileTitle);
}

TYPED_TEST(FileDialog, RecordCarriesTheArguments)
{
    this->args.FileName = L"C:\\in.ico";
    this->args.FileTitle = L"in.ico";
    this->args.FilterIndex = 3;
    this->args.InitDir = L"C:\\icons";
    this->args.DlgTitle = L"Pick";
    this->args.DefaultExt = L"ico";
    this->Show();
    const OPENFILENAMEW& r = this->fake.seen;
#if defined(_WIN64)
    EXPECT_EQ(136u, r.lStructSize); // up to lpTemplateName, with 8-byte pointers
#else
    EXPECT_EQ(76u, r.lStructSize);
#endif
    EXPECT_EQ(3u, r.nFilterIndex);
    EXPECT_EQ(260u, r.nMaxFile);
    EXPECT_EQ(260u, r.nMaxFileTitle);
    EXPECT_EQ(L"C:\\in.ico" + std::wstring(251, L'\0'), this->fake.file);
    EXPECT_EQ(L"in.ico" + std::wstring(254, L'\0'), this->fake.title);
    EXPECT_EQ(L"C:\\icons", this->fake.initDir);
    EXPECT_EQ(L"Pick", this->fake.dlgTitle);
    EXPECT_EQ(L"ico", this->fake.defExt);
    EXPECT_TRUE(!r.hInstance && !r.lpstrCustomFilter && !r.nMaxCustFilter && !r.nFileOffset &&
                !r.nFileExtension && !r.lCustData && !r.lpfnHook && !r.lpTemplateName);

    this->args = {};
    this->Show();
    EXPECT_FALSE(this->fake.initDir || this->fake.dlgTitle || this->fake.defExt);
}

TYPED_TEST(FileDialog, OwnerMinusOneAndZeroMeanNone)
{
    const std::pair<std::intptr_t, HWND> rows[] = {
        {-1, nullptr}, {0, nullptr}, {0x10A2C, reinterpret_cast<HWND>(0x10A2C)}};
    for (const auto& [owner, window] : rows)
    {
        this->args.Owner = owner;
        this->Show();
        EXPECT_EQ(window, this->fake.seen.hwndOwner) << owner;
    }
}

TEST_F(OpenFileDialog, FilterReachesTheDialogConverted)
{
    const std::pair<std::optional<std::wstring>, std::wstring> rows[] = {
        {L"Icon Files (*.ico)|*.ico", L"Icon Files (*.ico)\0*.ico\0\0"s},
        {L"Icons: small|*.ico|All|*.*", L"Icons\0 small\0*.ico\0All\0*.*\0\0"s},
        {L"", L"\0\0"s},
        {std::nullopt, L"All (*.*)\0 *.*\0\0"s}, // left out: the default, leading blank kept
    };
    for (const auto& [filter, expected] : rows)
    {
        args = {};
        if (filter)
            args.Filter = *filter;
        Show();
        EXPECT_EQ(expected, fake.filter);
    }
}

TEST_F(OpenFileDialog, FilterEntryOfTheConfirmedIndex)
{
    const struct
    {
        const wchar_t* filter;
        DWORD index;
        std::wstring entry;
    } rows[] = {
        {L"Icons|*.ico|Bitmaps|*.bmp", 1, L"Icons\0*.ico"s},
        {L"Icons|*.ico|Bitmaps|*.bmp", 2, L"Bitmaps\0*.bmp"s},
        {L"Icons|*.ico|Bitmaps|*.bmp", 3, L"\0"s}, // the gap between the closing NULs
        {L"Icons|*.ico|Bitmaps|*.bmp", 4, L""},
        {L"Icons|*.ico|Bitmaps|*.bmp", 0, L""},
        {L"Icons|*.ico|Bitmaps|*.bmp", static_cast<DWORD>(-1), L""},
        {L"Icons|*.ico|Bitmaps|*.bmp", static_cast<DWORD>(LONG_MIN), L""},
        {L"Icons|*.ico|Bitmaps|*.bmp", static_cast<DWORD>(LONG_MAX), L""},
        {L"Icons: small|*.ico", 2, L"*.ico\0"s}, // the colon shifted the pattern
        {L"", 1, L"\0"s},
    };
    for (const auto& row : rows)
    {
        args = {};
        args.Filter = row.filter;
        fake.answer = {kConfirm, L"C:\\a.ico", L"a.ico", row.index, 0};
        EXPECT_TRUE(Show());
        EXPECT_EQ(row.entry, args.Filter) << row.filter << L" #" << row.index;
        EXPECT_EQ(static_cast<long>(row.index), args.FilterIndex);
    }
}

TEST_F(OpenFileDialog, EachOptionAddsItsFlag)
{
    const struct
    {
        bool mustExist, multi, readOnly, hideReadOnly;
        long flags;
        DWORD expected;
    } rows[] = {
        {false, false, false, false, 0, 0},
        {true, false, false, false, 0, OFN_FILEMUSTEXIST},
        {false, true, false, false, 0, OFN_ALLOWMULTISELECT},
        {false, false, true, false, 0, OFN_READONLY},
        {false, false, false, true, 0, OFN_HIDEREADONLY},
        {false, false, false, false, 0x20, 0},
        {false, false, false, false, 0x40, 0},
        {true, false, false, true, 0x80068, 0x8100C},
        {false, false, false, false, -1, 0xFFFFFF9F},
    };
    for (const auto& row : rows)
    {
        args = {};
        args.FileMustExist = row.mustExist;
        args.MultiSelect = row.multi;
        args.ReadOnly = row.readOnly;
        args.HideReadOnly = row.hideReadOnly;
        args.flags = row.flags;
        Show();
        EXPECT_EQ(row.expected, fake.seen.Flags) << std::hex << row.expected;
    }
    args = {};
    Show();
    EXPECT_EQ(static_cast<DWORD>(OFN_FILEMUSTEXIST), fake.seen.Flags) << "defaults";
}

TEST_F(SaveFileDialog, ReadOnlyBoxIsAlwaysHidden)
{
    const std::tuple<bool, long, DWORD> rows[] = {
        {true, 0, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY},
        {false, 0, OFN_HIDEREADONLY},
        {false, 0x860, 0x804},
    };
    for (const auto& [prompt, flags, expected] : rows)
    {
        args = {};
        args.OverWritePrompt = prompt;
        args.flags = flags;
        Show();
        EXPECT_EQ(expected, fake.seen.Flags) << std::hex << expected;
    }
}

TEST_F(OpenFileDialog, ReadOnlyIsOnlyEverSet)
{
    const std::tuple<bool, BOOL, DWORD, bool> rows[] = {
        {true, kConfirm, 0, true},
        {false, kConfirm, OFN_READONLY, true},
        {false, kConfirm, 0, false},
        {true, kCancel, 0, true},
        {true, kConfirm, OFN_READONLY, true},
        {false, kCancel, OFN_READONLY, false},
    };
    for (const auto& [in, result, returned, expected] : rows)
    {
        args = {};
        args.ReadOnly = in;
        fake.answer = {result, L"C:\\a.ico", L"a.ico", 1, returned};
        Show();
        EXPECT_EQ(expected, args.ReadOnly) << in << " " << result << " " << returned;
    }
}

TEST_F(OpenFileDialog, FileTitleLeavesTheResultMembersAlone)
{
    const std::pair<short, std::wstring> rows[] = {{0, L"b.bmp"}, {6, L""}, {-1, L""}};
    for (const auto& [result, expected] : rows)
    {
        FailOnce();
        fake.answer.title = L"b.bmp";
        fake.titleResult = result;
        EXPECT_EQ(expected, dialog.VBGetFileTitle(L"C:\\pics\\b.bmp")) << result;
        EXPECT_EQ(L"C:\\pics\\b.bmp", fake.titleOf);
        EXPECT_EQ(260, fake.titleChars);
        EXPECT_EQ(kFail, dialog.APIReturn());
        EXPECT_EQ(static_cast<long>(kBufferTooSmall), dialog.ExtendedError());
    }
}
