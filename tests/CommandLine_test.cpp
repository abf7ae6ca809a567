// Reading the command line: the arguments in, what the program is asked to do out. Paths are
// read from a temporary current folder, "{here}" in the table.

#include "cli/CommandLine.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
struct Case
{
    const char* name;
    std::vector<std::wstring> arguments;
    CommandAction action;
    std::wstring icon = L"";
    std::vector<std::wstring> paths = {}; // each path as the engine names it
    std::wstring problem = L"";
    std::wstring commandLine = L""; // the line as the process got it, where it matters
    size_t repeats = 0;             // the folders named again
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

// {here}, and {long} and {short}: the long and the short (8.3) name of a folder in it.
std::wstring Here(std::wstring text, const std::wstring& here)
{
    const std::wstring folder = here + L"\\Holiday photos";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(folder.c_str(), shortName, MAX_PATH);
    for (const auto& [place, value] : {std::pair<std::wstring, std::wstring>{L"{here}", here},
                                       {L"{long}", folder},
                                       {L"{short}", shortName}})
        for (size_t at = text.find(place); at != std::wstring::npos; at = text.find(place, at))
            text.replace(at, place.size(), value);
    return text;
}

class CommandLineTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(CommandLineTest, ReadsWhatIsAsked)
{
    TempFolder here;
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(here.Path().c_str());
    const Case& c = GetParam();
    std::vector<std::wstring> arguments;
    for (const std::wstring& argument : c.arguments)
        arguments.push_back(Here(argument, here.Path()));

    const CommandLine command = ParseCommandLine(arguments, c.commandLine);

    SetCurrentDirectoryW(saved);
    EXPECT_EQ(command.action, c.action);
    EXPECT_EQ(command.icon, Here(c.icon, here.Path()));
    std::vector<std::wstring> paths;
    for (const FolderText& path : command.paths)
        paths.push_back(path.Path());
    std::vector<std::wstring> expected;
    for (const std::wstring& path : c.paths)
        expected.push_back(Here(path, here.Path()));
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(command.problem, c.problem);
    EXPECT_EQ(command.repeats.size(), c.repeats);
}

using A = CommandAction;

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(
        Case{"Nothing", {}, A::OpenWindow},
        Case{"WindowPathsMadeFull",
             {L"Photos\\", L"star.ico"},
             A::OpenWindow,
             L"",
             {L"{here}\\Photos", L"{here}\\star.ico"}},
        Case{
            "WindowTakesEveryPath", {L"A", L"a"}, A::OpenWindow, L"", {L"{here}\\A", L"{here}\\a"}},
        Case{"DriveLetterAloneIsTheDrive",
             {L"/apply", L"star.ico", L"C:"},
             A::Apply,
             L"{here}\\star.ico",
             {L"C:\\"}},
        Case{"DriveLetterAloneInTheWindow", {L"c:"}, A::OpenWindow, L"", {L"c:\\"}},
        Case{"IndexedIconMadeFull",
             {L"/apply", L"lib.dll, +2 ", L"A"},
             A::Apply,
             L"{here}\\lib.dll, +2 ",
             {L"{here}\\A"}},
        Case{"EnvironmentVariablesStay",
             {L"/apply", L"%SystemRoot%\\system32\\shell32.dll,4", L"A"},
             A::Apply,
             L"%SystemRoot%\\system32\\shell32.dll,4",
             {L"{here}\\A"}},
        Case{"AColourStaysAsGiven",
             {L"/apply", L"#a0B1c2", L"A"},
             A::Apply,
             L"#a0B1c2",
             {L"{here}\\A"}},
        Case{"NotQuiteAColourIsAFile",
             {L"/apply", L"#A0B1C", L"A"},
             A::Apply,
             L"{here}\\#A0B1C",
             {L"{here}\\A"}},
        Case{"ColourDialogForFolders",
             {L"/Color", L"A", L"a"},
             A::PickColour,
             L"",
             {L"{here}\\A"},
             L"",
             L"",
             1},
        Case{"ColourDialogNeedsAFolder",
             {L"/colour"},
             A::WrongUsage,
             L"",
             {},
             L"/colour takes at least one folder."},
        Case{"EachFolderOnceInAnyCase",
             {L"-APPLY", L"star.ico", L"A", L"a\\", L"{here}\\A", L".\\B\\..\\A", L"B", L"b"},
             A::Apply,
             L"{here}\\star.ico",
             {L"{here}\\A", L"{here}\\B"},
             L"",
             L"",
             4},
        Case{"EachFolderOnceByAnyName",
             {L"/remove", L"{long}", L"{short}", L"\\\\?\\{long}"},
             A::Remove,
             L"",
             {L"{long}"},
             L"",
             L"",
             2},
        Case{"EmptyArgument",
             {L"/remove", L""},
             A::WrongUsage,
             L"",
             {},
             L"An argument is empty (\"\"): give a folder or an icon file."},
        Case{"QuoteAfterABackslash",
             {L"/apply", L"star.ico", L"D:\\My Photos\" D:\\Other"},
             A::WrongUsage,
             L"",
             {},
             L"An argument holds a quote: \"D:\\My Photos\" D:\\Other\". A backslash just before "
             L"a closing quote makes Windows read the quote as part of the path: write "
             L"\"D:\\My Photos\" rather than \"D:\\My Photos\\\".",
             L"tessaline.exe /apply star.ico \"D:\\My Photos\\\" D:\\Other"},
        Case{"DoubledQuoteIsNoBackslash",
             {L"C:\\a\""},
             A::WrongUsage,
             L"",
             {},
             L"An argument holds a quote: \"C:\\a\"\".",
             L"tessaline.exe \"C:\\a\"\"\""},
        Case{"QuotedRootIsTheRoot", {L"/remove", L"C:\""}, A::Remove, L"", {L"C:\\"}},
        Case{"QuotedShareRootInTheWindow",
             {L"\\\\srv\\share\""},
             A::OpenWindow,
             L"",
             {L"\\\\srv\\share"}},
        Case{
            "RootBeforeAQuote",
            {L"C:\" D:\\x"},
            A::WrongUsage,
            L"",
            {},
            L"An argument holds a quote: \"C:\" D:\\x\". A backslash just before a closing quote "
            L"makes Windows read the quote as part of the path; and C:\\ is a drive's or a share's "
            L"root, which takes no folder icon.",
            L"tessaline.exe \"C:\\\" D:\\x"},
        Case{"QuoteInAWindowArgument",
             {L"D:\\My Photos\""},
             A::WrongUsage,
             L"",
             {},
             L"An argument holds a quote: \"D:\\My Photos\"\"."},
        Case{"UnknownSwitch",
             {L"/apply", L"star.ico", L"/nope"},
             A::WrongUsage,
             L"",
             {},
             L"Unknown switch /nope."},
        Case{"TooFewPaths",
             {L"/apply", L"star.ico"},
             A::WrongUsage,
             L"",
             {},
             L"/apply takes an icon file and at least one folder."},
        Case{"TwoActions",
             {L"/apply", L"/remove"},
             A::WrongUsage,
             L"",
             {},
             L"Only one of /apply, /remove, /list, /colour, /register and /unregister at a time."},
        Case{"RegisterTakesNoPath",
             {L"/register", L"A"},
             A::WrongUsage,
             L"",
             {},
             L"/register takes no path."},
        Case{"QuietAlone",
             {L"/quiet", L"A"},
             A::WrongUsage,
             L"",
             {},
             L"/quiet goes with /apply, /remove, /list, /colour, /register or /unregister."},
        Case{"Usage", {L"/apply", L"/?"}, A::ShowUsage}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

// Trees, a file inside each folder, and wildcards: what the command asks, in one text.
TEST(CommandLine, SubfoldersInsideAndWildcards)
{
    TempFolder here;
    const std::wstring h = here.Path();
    here.MakeFolder(L"Hats"), here.MakeFolder(L"Hidden"), here.MakeFolder(L"Other");
    SetFileAttributesW((here / L"Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    here.WriteFile(L"Hx.txt", "a file");
    const auto read = [&](const std::vector<std::wstring>& arguments) {
        const CommandLine command = ParseCommandLine(arguments);
        std::wstring text = std::to_wstring(static_cast<int>(command.action)) + L" " +
                            command.icon + (command.subfolders ? L" /s" : L"") + L" [" +
                            command.inside + L"]";
        for (const FolderText& path : command.paths)
            text += L" " + path.Path().substr(path.Path().find_last_of(L'\\') + 1);
        for (const std::wstring& path : command.unmatched)
            text += L" unmatched " + path.substr(path.find_last_of(L'\\') + 1);
        return command.problem.empty() ? text : command.problem;
    };
    const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
        {{L"/LIST", L"/S", h + L"\\H*"}, L"3  /s [] Hats"}, // not the hidden folder, nor a file
        {{L"/remove", h + L"\\?ats", h + L"\\Hats", h + L"\\Q*"}, L"2  [] Hats unmatched Q*"},
        {{L"/apply", L"/inside", L"folder.jpg", L"/s", h + L"\\Other"},
         L"1  /s [folder.jpg] Other"},
        {{L"/apply", L"/inside", L"x\\folder.jpg", h},
         L"/inside goes with /apply and a file's "
         L"name, such as /inside folder.jpg."},
        {{L"/remove", L"/inside", L"a.ico", h},
         L"/inside goes with /apply and a file's name, "
         L"such as /inside folder.jpg."},
        {{L"/apply", L"/inside"},
         L"/inside goes with /apply and a file's name, such as /inside "
         L"folder.jpg."},
        {{L"/s", h}, L"/s goes with /apply, /remove or /list."},
        {{h + L"\\H*"}, L"0  [] H*"}, // the window takes a path as it is
    };
    for (const auto& [arguments, wanted] : cases)
        EXPECT_EQ(read(arguments), wanted) << ::testing::PrintToString(arguments);
}
} // namespace
