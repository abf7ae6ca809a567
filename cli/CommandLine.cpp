#include "cli/CommandLine.h"

#include "engine/PathCheck.h"
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
    {L"register", CommandAction::Register, L"no path"},
    {L"unregister", CommandAction::Unregister, L"no path"},
};

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
} // namespace

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments)
{
    CommandLine command;
    const Switch* chosen = nullptr;
    bool usage = false;
    for (const std::wstring& argument : arguments)
    {
        if (argument.empty() || (argument[0] != L'/' && argument[0] != L'-'))
        {
            command.paths.push_back(FullPath(argument));
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
        else if (action == std::end(kActions))
            return Wrong(L"Unknown switch " + argument + L".");
        else if (chosen != nullptr)
            return Wrong(L"Only one of /apply, /remove, /register and /unregister at a time.");
        else
            chosen = action;
    }
    if (usage)
    {
        command.action = CommandAction::ShowUsage;
        return command;
    }
    if (chosen == nullptr)
        return command.quiet ? Wrong(L"/quiet goes with /apply, /remove, /register or /unregister.")
                             : command;
    command.action = chosen->action;
    if (!PathCountFits(command.action, command.paths.size()))
        return Wrong(L"/" + std::wstring(chosen->name) + L" takes " + chosen->paths + L".");
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
           L"  tessaline /apply ICON FOLDER...  gives each folder the icon\r\n"
           L"  tessaline /remove FOLDER...      takes each folder's icon away\r\n"
           L"  tessaline /register              puts \"Change folder icon...\" into the menu\r\n"
           L"                                   of every folder, for this user\r\n"
           L"  tessaline /unregister            takes it out again\r\n"
           L"  /quiet                           no message box; /? this text\r\n"
           L"\r\n"
           L"Exit code: 0 all done, 1 something failed, 2 a wrong command line.\r\n";
}
