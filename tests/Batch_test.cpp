// Batch mode's report without a console to write to: one message box at the end, through the
// host seam, on real folders.

#include "cli/Batch.h"
#include "support/FakeHost.h"
#include "support/TempFolder.h"
#include "support/UnixSide.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
TEST(BatchTest, WithoutAConsoleFoldersLeftAloneAreNamedInAnInformationBox)
{
    TempFolder temp;
    const std::wstring foreign = temp.MakeFolder(L"Foreign");
    const std::string ini = "[.ShellClassInfo]\r\nIconResource=C:\\old.ico,3\r\n";
    temp.WriteFile(L"Foreign\\desktop.ini", ini);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    FakeHost host;
    const int leftAlone = RunBatch(ParseCommandLine({L"/remove", foreign}), host);
    const int failed = RunBatch(ParseCommandLine({L"/remove", temp / L"gone", foreign}), host);
    // Any file but an ".ico" must hold an icon, as the window's "..." takes it.
    const std::wstring notes = temp.WriteFile(L"notes.txt", "x");
    const int notIcon = RunBatch(ParseCommandLine({L"/apply", notes, foreign}), host);
    SetStdHandle(STD_OUTPUT_HANDLE, out);

    const std::wstring line = foreign + L": left alone: its icon was not set by Tessaline";
    EXPECT_EQ(leftAlone, kExitDone) << "nothing failed";
    EXPECT_EQ(failed, kExitFailed);
    EXPECT_EQ(notIcon, kExitFailed);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_NE(host.messages[2].text.find(L"\"" + notes + L"\" is neither an icon"),
              std::wstring::npos)
        << ::testing::PrintToString(host.messages[2].text);
    EXPECT_EQ(host.messages[0].text, L"1 of 1 folders was left alone.\r\n\r\n" + line);
    EXPECT_EQ(host.messages[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    const std::wstring& both = host.messages[1].text;
    EXPECT_EQ(both.rfind(L"1 of 2 folders could not be changed. 1 of 2 folders was left alone."
                         L"\r\n\r\n" +
                             temp / L"gone: not found",
                         0),
              0u)
        << ::testing::PrintToString(both);
    EXPECT_EQ(both.substr(both.size() - line.size()), line);
    EXPECT_EQ(host.messages[1].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ReadFileBytes(foreign + L"\\desktop.ini"), ini);
}
TEST(BatchTest, AFolderNamedAgainByAnyPathIsDoneOnceAndSaidSo)
{
    TempFolder temp, links;
    const std::wstring upper = temp.MakeFolder(L"Case"), lower = temp / L"case";
    const UnixMade caseSensitive = UnixMade::Folder(lower);
    const UnixMade link = UnixMade::Link(upper, links / L"link");
    wchar_t letter = L'P';
    while (letter < L'Y' && (GetLogicalDrives() & (1u << (letter - L'A'))))
        ++letter;
    const std::wstring drive = std::wstring(1, letter) + L":";
    const UnixMade subst = UnixMade::Drive(temp.Path(), drive);
    if (!caseSensitive || !link || !subst)
        GTEST_SKIP() << "links, a drive for a folder and names that differ only in case are made "
                        "on the Unix side of Wine";
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    FakeHost host;
    const int code =
        RunBatch(ParseCommandLine({L"/apply", L"#12AB0F", upper, lower, links / L"link",
                                   drive + L"\\CASE", upper, temp / L"gone"}),
                 host);
    SetStdHandle(STD_OUTPUT_HANDLE, out);

    EXPECT_EQ(code, kExitFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    const std::wstring& text = host.messages[0].text;
    EXPECT_EQ(text.rfind(L"1 of 3 folders could not be changed.\r\n\r\n" + links / L"link" +
                             L": the same folder as " + upper + L": named twice, done once\r\n" +
                             drive + L"\\CASE: the same folder as " + lower +
                             L": named twice, done once\r\n" + upper +
                             L": named twice, done once\r\n" + temp / L"gone: not found",
                         0),
              0u)
        << ::testing::PrintToString(text);
    for (const std::wstring& folder : {upper, lower})
    {
        wchar_t named[MAX_PATH] = {};
        GetPrivateProfileStringW(L".ShellClassInfo", L"IconFile", L"", named, MAX_PATH,
                                 (folder + L"\\desktop.ini").c_str());
        EXPECT_STREQ(named, L"Tessaline-colour2-12AB0F.ico") << ::testing::PrintToString(folder);
    }
}

TEST(BatchTest, TheColourDialogColoursEachFolderOrNothingWhenCancelled)
{
    TempFolder temp;
    const std::wstring a = temp.MakeFolder(L"A"), b = temp.MakeFolder(L"B");
    FakeHost host;
    // No colour is asked for a folder that can't take it.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    EXPECT_EQ(RunBatch(ParseCommandLine({L"/colour", L"C:\\"}), host), kExitFailed);
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    EXPECT_EQ(host.openDialog.colourSeen.lStructSize, 0u) << "the colour dialog was not opened";
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.rfind(L"No folder was changed.\r\n\r\nC:\\: a drive's", 0), 0u)
        << ::testing::PrintToString(host.messages[0].text);
    host.messages.clear();
    const CommandLine command = ParseCommandLine({L"/colour", a, b});
    EXPECT_EQ(RunBatch(command, host), kExitDone);
    EXPECT_EQ(GetFileAttributesW((a + L"\\desktop.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(host.openDialog.colourSeen.Flags & CC_FULLOPEN);
    host.openDialog.colourAnswer = RGB(0x12, 0xAB, 0x0F);
    EXPECT_EQ(RunBatch(command, host), kExitDone);
    for (const std::wstring& folder : {a, b})
    {
        wchar_t named[MAX_PATH] = {};
        GetPrivateProfileStringW(L".ShellClassInfo", L"IconFile", L"", named, MAX_PATH,
                                 (folder + L"\\desktop.ini").c_str());
        EXPECT_STREQ(named, L"Tessaline-colour2-12AB0F.ico");
    }
    EXPECT_TRUE(host.messages.empty()) << "no window unless something fails";
}
} // namespace
