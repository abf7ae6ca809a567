#pragma once
// What a path handed to the program from outside its boxes names (a dropped item, an argument, a
// folder of batch mode), checked before it fills a box or reaches the engine.

#include "engine/FolderPath.h"

#include <windows.h>

#include <string>

enum class PathKind
{
    Folder,
    File,
    DriveRoot,       // a drive's or a share's root, such as C:\, which takes no folder icon
    Missing,         // names nothing that exists
    ServerOnly,      // \\server without a share
    TooLong,         // longer than kMaxPathLength
    DotOrSpaceAtEnd, // a name ends in a dot or a space, which the system drops
    DeviceName,      // CON, COM1, x\aux: a device, not a folder
};

struct PathCheck
{
    PathKind kind;
    DWORD error; // for Missing, the system's reason
};

// What the path names, by its kind first (a root, a server alone, too long), then by what is
// there: a folder that leads to a drive's or a share's root (a link to it) is a root.
PathCheck CheckPath(const FolderText& path);

// What a path is wanted as: the folder to change, or the icon file to give it.
enum class PathRole
{
    Folder,
    Icon,
};

// Empty when the check lets the path serve in role; otherwise one line that says why not:
// "<path>: <reason> (error <number>: <the system's description>)".
std::wstring RefusalLine(const std::wstring& path, const PathCheck& check, PathRole role);

// The same form of line for any failure that carries a Windows error number.
std::wstring FailureLine(const std::wstring& path, const std::wstring& reason, DWORD error);
