#pragma once
// The shared shell and system procedures: string trim, folder picker, working-set trim, INI read,
// shortcut targets.

#include <windows.h>

#include <string>

// The text up to its first NUL character, or the whole text when it holds none.
std::wstring TrimNull(const std::wstring& text);

// Shows the shell's folder picker, modal to owner. Returns the chosen folder's file-system path,
// or an empty string when the user cancels.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title);

// Empties the process's working set. Failures are silent.
void FreeMemory();

// The value of key in section of the INI file, cut to 254 characters; empty when the file, the
// section or the key is missing. Reads ANSI files and UTF-16 LE files with a byte-order mark.
std::wstring ReadIni(const std::wstring& section, const std::wstring& key,
                     const std::wstring& file);

// True when the path names a shell shortcut by its extension (".lnk", in any case).
bool IsShortcut(const std::wstring& path);

// The file or folder that the shortcut points at, or an empty string when it can't be read or
// points at nothing in the file system (a printer, the Control Panel).
std::wstring ShortcutTarget(const std::wstring& shortcut);
