#include "cli/CommandLine.h"

#include "engine/FolderColour.h"
#include "engine/IconEntry.h"
#include "runtime/AsciiText.h"
#include "runtime/Version.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace
{
struct Switch
{
    const wchar_t* name;
    CommandAction action;
    const wchar_t* paths; // what follows it, for the message about a wrong number of paths
};

constexpr Switch kActions[] = {
    {L"apply", CommandAction::Apply, L"an icon file and at least one folder"},
    {L"remove", CommandAction::Remove, L"at least one folder"},
    {L"list", CommandAction::List, L"at least one folder"},
    {L"colour", CommandAction::PickColour, L"at least one folder"},
    {L"color", CommandAction::PickColour, L"at least one folder"},
    {L"register", CommandAction::Register, L"no path"},
    {L"unregister", CommandAction::Unregister, L"no path"},
};

constexpr wchar_t kInsideUsage[] =
    L"/inside goes with /apply and a file's name, such as /inside folder.jpg.";

CommandLine Wrong(const std::wstring& problem)
{
    CommandLine wrong;
    wrong.action = CommandAction::WrongUsage;
    wrong.problem = problem;
    return wrong;
}

bool PathCountFits(CommandAction action, size_t count)
{
    switch (action)
    {
    case CommandAction::Apply:
        return count >= 2;
    case CommandAction::Remove:
    case CommandAction::List:
    case CommandAction::PickColour:
        return count >= 1;
    case CommandAction::Register:
    case CommandAction::Unregister:
        return count == 0;
    case CommandAction::OpenWindow:
    case CommandAction::ShowUsage:
    case CommandAction::WrongUsage:
        break;
    }
    return true;
}

// '"D:\My Photos\" D:\Other' reaches the program as one argument, 'D:\My Photos" D:\Other'; so does
// '"D:\My Photos""" D:\Other', where no backslash is to blame.
CommandLine QuoteInside(const std::wstring& argument, const std::wstring& commandLine)
{
    const std::wstring before = argument.substr(0, argument.find(L'"'));
    std::wstring problem = L"An argument holds a quote: \"" + argument + L"\".";
    const bool root = !before.empty() && FolderText::FromOutside(before).IsRoot();
    if (root)
        problem += L" A backslash just before a closing quote makes Windows read the quote as "
                   L"part of the path; and " +
                   before + L"\\ is a drive's or a share's root, which takes no folder icon.";
    else if (!before.empty() && commandLine.find(before + L"\\\"") != std::wstring::npos)
        problem += L" A backslash just before a closing quote makes Windows read the quote as "
                   L"part of the path: write \"" +
                   before + L"\" rather than \"" + before + L"\\\".";
    return Wrong(problem);
}

// 'C:"' is what '"C:\"' becomes: the root, which is then refused as a root.
bool IsQuotedRoot(const std::wstring& argument)
{
    return argument.find(L'"') == argument.size() - 1 &&
           FolderText::FromOutside(argument.substr(0, argument.size() - 1)).IsRoot();
}

using Texts = std::vector<std::wstring>;

// The folders that a path with wildcards in its last part names, in the order the system lists
// them; the path itself where it has none.
Texts Matches(const std::wstring& text)
{
    const size_t last = text.find_last_of(L"\\/") + 1;
    if (text.find_first_of(L"*?", last) == std::wstring::npos)
        return {text};
    Texts matches;
    const std::wstring path = FolderText::FromOutside(text).Path();
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(path.c_str(), &data);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &data))
    {
        const std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY &&
            name != L"." && name != L"..")
            matches.push_back(path.substr(0, path.find_last_of(L'\\') + 1) + name);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return matches;
}

// The texts read as coming from outside, into command.paths. With eachOnce a folder named again
// (by FolderKey) goes to command.repeats: a second Remove of a folder would take away the icon
// that the first brought back.
void ReadPaths(Texts::const_iterator first, Texts::const_iterator last, bool eachOnce,
               CommandLine& command)
{
    Texts seen, texts;
    for (; first != last; ++first)
    {
        const Texts matches = eachOnce ? Matches(*first) : Texts{*first};
        if (matches.empty())
            command.unmatched.push_back(*first);
        texts.insert(texts.end(), matches.begin(), matches.end());
    }
    for (const std::wstring& text : texts)
    {
        FolderText path = FolderText::FromOutside(text);
        std::wstring key = eachOnce ? FolderKey(path) : std::wstring();
        const auto same = std::find(seen.begin(), seen.end(), key);
        if (eachOnce && same != seen.end())
        {
            command.repeats.push_back({path.Path(), static_cast<size_t>(same - seen.begin())});
            continue;
        }
        seen.push_back(std::move(key));
        command.paths.push_back(std::move(path));
    }
}
} // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments,
                             const std::wstring& commandLine)
{
    CommandLine command;
    const Switch* chosen = nullptr;
    bool usage = false;
    Texts texts;
    for (auto next = arguments.begin(); next != arguments.end(); ++next)
    {
        const std::wstring& argument = *next;
        if (argument.empty())
            return Wrong(L"An argument is empty (\"\"): give a folder or an icon file.");
        if (argument[0] != L'/' && argument[0] != L'-')
        {
            if (IsQuotedRoot(argument))
                texts.push_back(argument.substr(0, argument.size() - 1) + L"\\");
            else if (argument.find(L'"') != std::wstring::npos)
                return QuoteInside(argument, commandLine);
            else
                texts.push_back(argument);
            continue;
        }
        const std::wstring_view name = std::wstring_view(argument).substr(1);
        const Switch* action =
            std::find_if(std::begin(kActions), std::end(kActions),
                         [&](const Switch& s) { return SameAsciiText(name, s.name); });
        if (name == L"?")
            usage = true;
        else if (SameAsciiText(name, L"quiet"))
            command.quiet = true;
        else if (SameAsciiText(name, L"s"))
            command.subfolders = true;
        else if (SameAsciiText(name, L"inside"))
        {
            if (++next == arguments.end() || next->empty())
                return Wrong(kInsideUsage);
            command.inside = *next;
        }
        else if (action == std::end(kActions))
            return Wrong(L"Unknown switch " + argument + L".");
        else if (chosen != nullptr)
            return Wrong(
                L"Only one of /apply, /remove, /list, /colour, /register and /unregister at "
                L"a time.");
        else
            chosen = action;
    }
    if (usage)
    {
        command.action = CommandAction::ShowUsage;
        return command;
    }
    auto paths = texts.cbegin();
    if (chosen == nullptr && command.quiet)
        return Wrong(
            L"/quiet goes with /apply, /remove, /list, /colour, /register or /unregister.");
    const CommandAction action = chosen != nullptr ? chosen->action : CommandAction::OpenWindow;
    if (command.subfolders && action != CommandAction::Apply && action != CommandAction::Remove &&
        action != CommandAction::List)
        return Wrong(L"/s goes with /apply, /remove or /list.");
    if (!command.inside.empty() &&
        (action != CommandAction::Apply ||
         command.inside.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos))
        return Wrong(kInsideUsage);
    if (chosen != nullptr)
    {
        command.action = action;
        const bool takesIcon = action == CommandAction::Apply && command.inside.empty();
        // With /inside, each folder's own file serves as the icon.
        if (!PathCountFits(action, texts.size() + (command.inside.empty() ? 0 : 1)))
            return Wrong(L"/" + std::wstring(chosen->name) + L" takes " + chosen->paths + L".");
        COLORREF colour = 0;
        if (takesIcon)
            command.icon = ParseColourText(*paths, &colour) ? *paths : FullIconText(*paths);
        paths += takesIcon ? 1 : 0;
    }
    ReadPaths(paths, texts.cend(), chosen != nullptr, command);
    return command;
}

std::vector<std::wstring> ProcessArguments()
{
    // As the C runtime split them before the program began: CommandLineToArgvW would load
    // shell32 before the window shows.
    if (__wargv == nullptr || __argc < 1)
        return {};
    return std::vector<std::wstring>(__wargv + 1, __wargv + __argc);
}

std::wstring UsageText()
{
    return L"Tessaline " + VersionText() +
           L": gives a folder a custom icon.\r\n"
           L"\r\n"
           L"  tessaline [FOLDER] [ICON]        the window, with the boxes filled\r\n"
           L"  tessaline /apply ICON FOLDER...  gives each folder the icon; ICON may be a\r\n"
           L"                                   colour, #RRGGBB: the folder icon in it\r\n"
           L"  tessaline /apply /inside NAME FOLDER...  each folder's own file NAME\r\n"
           L"  tessaline /colour FOLDER...      asks for a colour, then colours each folder\r\n"
           L"  tessaline /remove FOLDER...      takes away the icon that Tessaline gave each\r\n"
           L"                                   folder; others are left alone and listed\r\n"
           L"  tessaline /list FOLDER...        each folder with an icon: path, whose, icon\r\n"
           L"  tessaline /register              puts \"Change folder icon...\" and \"Folder\r\n"
           L"                                   colour\" into the menu of every folder, for\r\n"
           L"                                   this user\r\n"
           L"  tessaline /unregister            takes them out again\r\n"
           L"  /s                               the folders below too, not links or hidden\r\n"
           L"  /quiet                           no message box; /? this text\r\n"
           L"  FOLDER may end in wildcards: D:\\Projects\\*\r\n"
           L"\r\n"
           L"Exit code: 0 nothing failed, 1 something failed, 2 a wrong command line.\r\n";
}
