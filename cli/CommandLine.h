#pragma once
// What the command line asks for: the window, with boxes filled from paths, or a batch action.

#include "engine/FolderPath.h"

#include <string>
#include <vector>

enum class CommandAction
{
    OpenWindow, // paths: folders and files to fill the boxes with
    Apply,      // icon, and paths: the folders
    Remove,     // paths: the folders
    List,       // paths: the folders whose icons to list
    PickColour, // paths: the folders, to take the colour chosen in the colour dialog
    Register,   // put the program into the folder menu
    Unregister, // take it out
    ShowUsage,  // "/?"
    WrongUsage, // problem says what is wrong
};

// A folder named again, under any name that leads to it: done once.
struct RepeatedPath
{
    std::wstring path; // as the engine would name it
    size_t sameAs;     // the index in paths of the one that is done
};

struct CommandLine
{
    CommandAction action = CommandAction::OpenWindow;
    bool quiet = false;      // no message box
    bool subfolders = false; // "/s": every folder below each folder too
    std::wstring inside;     // "/inside NAME": Apply gives each folder its own file of that name
    std::wstring icon; // the icon text, its path made full against the current folder; a colour
                       // "#RRGGBB" as given
    // Every other argument, read as a text from outside (made full against the current folder,
    // "C:" alone the drive); for Apply and Remove each folder once, compared without regard to
    // case.
    std::vector<FolderText> paths;
    std::vector<RepeatedPath> repeats;   // for Apply, Remove and PickColour: the folders dropped
    std::vector<std::wstring> unmatched; // the paths with wildcards that name no folder
    std::wstring problem;
};

// Reads the arguments that follow the program's name. Switches begin with "/" or "-" and are
// read in any case; every other argument is a path. For a batch action, wildcards ('*', '?') in
// a path's last part name the folders there that match, as the system's commands read them: not
// hidden ones, and not links. An argument that holds a quote is a wrong
// command line: the system's rules read a backslash before a closing quote as a quote within
// the argument, and the next arguments with it. But a drive's or a share's root with a quote at
// its end ("C:\" arrives as 'C:"', as the folder menu passes a root) is that root. commandLine,
// the line as the process got it, tells a backslash before a quote from a doubled quote.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments,
                             const std::wstring& commandLine = std::wstring());

// This process's arguments after the program's name, split by the system's rules for quotes.
std::vector<std::wstring> ProcessArguments();

// How to call the program, for "/?" and a wrong command line.
std::wstring UsageText();
