#pragma once
// What a path handed to the program from outside its boxes names (a dropped item, an argument, a
// folder of batch mode), checked before it fills a box or reaches the engine.

#include <windows.h>

#include <string>

enum class PathKind
{
    Folder,
    File,
    DriveRoot,  // a drive's or a share's root, such as C:\, which takes no folder icon
    Missing,    // names nothing that exists
    ServerOnly, // \\server without a share
    TooLong,    // longer than kMaxPathLength
};

struct PathCheck
{
    PathKind kind;
    DWORD error; // for Missing, the system's reason
};

// The longest path taken: a folder's "\desktop.ini", and the file staged beside it under a name
// no longer, stay within MAX_PATH.
constexpr size_t kMaxPathLength = MAX_PATH - 1 - 12;

// The text made full against the current directory, without trailing backslashes (a root keeps
// its own). A text that can't be made full comes back as it was.
std::wstring FullPath(const std::wstring& text);

PathCheck CheckPath(const std::wstring& fullPath);

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
