#pragma once
// What the command line asks for: the window, with boxes filled from paths, or a batch action.

#include <string>
#include <vector>

enum class CommandAction
{
    OpenWindow, // paths: folders and files to fill the boxes with
    Apply,      // paths: the icon, then the folders
    Remove,     // paths: the folders
    Register,   // put the program into the folder menu
    Unregister, // take it out
    ShowUsage,  // "/?"
    WrongUsage, // problem says what is wrong
};

struct CommandLine
{
    CommandAction action = CommandAction::OpenWindow;
    bool quiet = false; // no message box
    std::vector<std::wstring> paths;
    std::wstring problem;
};

// Reads the arguments that follow the program's name. Switches begin with "/" or "-" and are
// read in any case; every other argument is a path, made full against the current directory.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// This process's arguments after the program's name, split by the system's rules for quotes.
std::vector<std::wstring> ProcessArguments();

// How to call the program, for "/?" and a wrong command line.
std::wstring UsageText();
