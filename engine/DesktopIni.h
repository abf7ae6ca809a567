#pragma once
// The folder's "desktop.ini": where it lies and what Tessaline writes into it.

#include "engine/IconEntry.h"

#include <string>
#include <string_view>
#include <vector>

// The section that the shell reads a folder's icon from.
inline constexpr std::wstring_view kShellSection = L".ShellClassInfo";
// The start of the comment that closes Tessaline's lines; the version follows it.
inline constexpr std::wstring_view kProductComment = L"; TESL (Tessaline) ";
// The comments that head the keys for each Windows version; the first opens Tessaline's lines.
inline constexpr std::wstring_view kWindows7Comment = L";for Windows 7/8/8.1";
inline constexpr std::wstring_view kWindowsXpComment = L";for Windows XP";

// Folder text + "\desktop.ini". The backslash is appended always, also after one that the text
// already ends in: "C:\x\" gives "C:\x\\desktop.ini", which Windows resolves like a single one.
std::wstring IniPath(const std::wstring& folderText);

// Folder text + "\": the form through which the folder's own attributes are set.
std::wstring FolderAttributePath(const std::wstring& folderText);

// Tessaline's own lines for one icon, the ones that follow the section's header.
std::vector<std::wstring> IconBlock(const IconEntry& icon);

// The nine lines for one icon (the header and the block), each ending CR LF.
std::wstring DesktopIniText(const IconEntry& icon);

// The file's bytes: the text in the system's ANSI code page, without a byte-order mark, when every
// character converts exactly; otherwise UTF-16 LE with a byte-order mark, which the profile
// functions and the shell read as well, so that no character of the icon path is changed.
std::string DesktopIniBytes(const IconEntry& icon);
