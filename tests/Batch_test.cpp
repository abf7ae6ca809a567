// Batch mode's report without a console to write to: one message box at the end, through the
// host seam, on real folders.

#include "cli/Batch.h"
#include "support/FakeHost.h"
#include "support/ProfileModel.h"
#include "support/TempFolder.h"
#include "support/UnixSide.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <random>
#include <set>

namespace
{
// Every file and folder below path: its marks (the folder's that Wine keeps) and a file's bytes.
void Snapshot(const std::wstring& path, std::map<std::wstring, std::string>& out)
{
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &data))
    {
        const std::wstring name = data.cFileName, child = path + L"\\" + name;
        const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (name == L"." || name == L"..")
            continue;
        out[child] = std::to_string(data.dwFileAttributes & (folder ? 6 : 7)) + ":" +
                     (folder ? "" : ReadFileBytes(child));
        if (folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            Snapshot(child, out);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

// The command run with its output into a file: the exit code, and the lines written as UTF-8.
int RunInto(const std::vector<std::wstring>& arguments, std::set<std::wstring>& lines)
{
    TempFolder temp;
    const std::wstring path = temp / L"out.txt";
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, 0, nullptr);
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    FakeHost host;
    const int code = RunBatch(ParseCommandLine(arguments), host);
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    CloseHandle(file);
    const std::string bytes = ReadFileBytes(path);
    // UTF-8 from /list, the console's code page from the others.
    std::wstring text(bytes.size(), L'\0');
    const UINT console = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : GetOEMCP();
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), console})
        if (const int length = MultiByteToWideChar(
                codePage, codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, bytes.data(),
                static_cast<int>(bytes.size()), &text[0], static_cast<int>(text.size()));
            length > 0 || bytes.empty())
        {
            text.resize(length);
            break;
        }
    lines.clear();
    for (size_t at = 0, end; (end = text.find(L"\r\n", at)) != std::wstring::npos; at = end + 2)
        lines.insert(text.substr(at, end - at));
    return code;
}

// The lines of /list /s: those of the folders with an icon, and a line for each folder refused
// with the summary after them.
void ExpectListed(const std::wstring& top, const std::set<std::wstring>& wanted, size_t refused)
{
    std::set<std::wstring> lines, listed;
    EXPECT_EQ(RunInto({L"/list", L"/s", top}, lines), refused == 0 ? kExitDone : kExitFailed);
    for (const std::wstring& line : lines)
        if (line.find(L'\t') != std::wstring::npos)
            listed.insert(line);
    EXPECT_EQ(listed, wanted);
    EXPECT_EQ(lines.size() - listed.size(), refused + (refused != 0));
}

// A generated tree (depth, names outside every code page, hidden folders, links out of it, names
// ending in a dot, someone's icons and files) through /apply /s, /list /s and /remove /s, against
// a model of the folders the walk must reach: those get the icon and are listed; every other
// byte and mark of the tree, and all outside it, stays; the removal gives back the tree as it was.
TEST(BatchTest, ATreeIsAppliedListedAndRemovedWholeButNeverPastALinkOrAHiddenFolder)
{
    TempFolder temp, outside;
    const std::wstring away = outside.MakeFolder(L"Away");
    outside.WriteFile(L"Away\\desktop.ini", "[.ShellClassInfo]\r\nInfoTip=away\r\n");
    // Someone's icons, and what the shell shows of each: IconResource first, then IconFile with
    // IconIndex.
    const std::pair<std::string, std::wstring> theirs[] = {
        {"[.ShellClassInfo]\r\nIconResource=C:\\theirs.ico,2\r\nIconFile=C:\\no.ico\r\n",
         L"C:\\theirs.ico,2"},
        {"[.ShellClassInfo]\r\n iconfile = C:\\file.ico \r\nIconIndex=3\r\n[X]\r\nIconIndex=4\r\n",
         L"C:\\file.ico,3"},
        {"[.ShellClassInfo]\r\nIconResource=\r\nIconFile=C:\\file.ico\r\n", L"C:\\file.ico,0"}};
    std::map<std::wstring, std::wstring> shows; // someone's, by folder
    std::mt19937 random(28);
    std::set<std::wstring> reached;
    size_t links = 0, hidden = 0, refused = 0; // where the walk finds them
    std::vector<UnixMade> made;
    const std::function<void(const std::wstring&, int, bool)> grow = [&](const std::wstring& path,
                                                                         int depth, bool reach) {
        if (reach)
            reached.insert(path);
        if (random() % 3 == 0)
            temp.WriteFile(path.substr(temp.Path().size() + 1) + L"\\notes.txt",
                           std::string(random() % 50, 'n'));
        if (random() % 4 == 0)
        {
            const auto& [ini, shown] = theirs[random() % 3];
            temp.WriteFile(path.substr(temp.Path().size() + 1) + L"\\desktop.ini", ini);
            if (reach)
                shows[path] = shown;
        }
        for (int child = depth < 4 ? 3 : 0; child > 0; --child)
        {
            const std::wstring name = path + L"\\" + std::wstring(1, L'a' + random() % 26) +
                                      (random() % 5 == 0 ? L" Caf\u00E9 \u4E2D" : L"") +
                                      std::to_wstring(child);
            switch (child == 1 ? 9 : random() % 9) // the first one is a plain folder
            {
            case 0: // hidden: neither changed nor entered
                hidden += reach;
                CreateDirectoryW(name.c_str(), nullptr);
                SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
                grow(name, depth + 1, false);
                break;
            case 1: // a link out of the tree
                links += reach;
                made.push_back(UnixMade::Link(away, name));
                break;
            case 2: // a name the system would read without its dot: refused, never another
                made.push_back(UnixMade::Folder(name + L"."));
                refused += reach;
                break;
            default:
                CreateDirectoryW(name.c_str(), nullptr);
                grow(name, depth + 1, reach);
            }
        }
    };
    const std::wstring top = temp.MakeFolder(L"Tree");
    grow(top, 0, true);
    for (const UnixMade& thing : made)
        if (!thing)
            GTEST_SKIP() << "links and names ending in a dot are made on the Unix side of Wine";
    ASSERT_GT(reached.size(), 20u);
    std::map<std::wstring, std::string> before, after;
    Snapshot(temp.Path(), before), Snapshot(outside.Path(), before);

    std::set<std::wstring> lines, wanted;
    EXPECT_EQ(RunInto({L"/apply", L"#3A7BD5", L"/s", top}, lines),
              refused == 0 ? kExitDone : kExitFailed);
    // A name ending in a dot is refused (its failure line is in the console's code page).
    EXPECT_EQ(lines.count(L"Folders: " + std::to_wstring(reached.size()) +
                          L" done, 0 left alone, " + std::to_wstring(links + hidden) +
                          L" skipped (" + std::to_wstring(links) +
                          (links == 1 ? L" link, " : L" links, ") + std::to_wstring(hidden) +
                          L" hidden), " + std::to_wstring(refused) + L" failed."),
              1u);
    for (const std::wstring& folder : reached)
        wanted.insert(folder + L"\tTessaline\t#3A7BD5");
    ExpectListed(top, wanted, refused);
    Snapshot(temp.Path(), after), Snapshot(outside.Path(), after);
    // Each folder reached gains its colour file, and a desktop.ini where it had none: no more.
    EXPECT_EQ(after.size(), before.size() + 2 * reached.size() - shows.size());
    for (const auto& [path, state] : before)
    {
        const size_t slash = path.find_last_of(L'\\');
        const bool inReached = reached.count(path.substr(0, slash)) != 0;
        if (!inReached || path.substr(slash + 1) != L"desktop.ini")
        {
            EXPECT_EQ(after[path], state) << ::testing::PrintToString(path);
        }
    }

    RunInto({L"/remove", L"/s", top}, lines);
    after.clear();
    Snapshot(temp.Path(), after), Snapshot(outside.Path(), after);
    EXPECT_EQ(after, before);
    wanted.clear();
    for (const auto& [folder, shown] : shows)
        wanted.insert(folder + L"\tother\t" + shown);
    ExpectListed(top, wanted, refused);
}

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
