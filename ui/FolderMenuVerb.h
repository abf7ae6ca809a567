#pragma once
// The per-user verb that puts "Change folder icon..." in the menu of every folder and starts a
// copy of the program with that folder. The one place in the program that touches the registry:
// one key and its "command" subkey below HKEY_CURRENT_USER, which needs no administrator.

#include <windows.h>

#include <string>

// The verb's key below HKEY_CURRENT_USER.
constexpr const wchar_t* kFolderMenuVerbKey = L"Software\\Classes\\Directory\\shell\\Tessaline";

// The command that the verb runs for exe: "<exe>" "%1".
std::wstring FolderMenuCommand(const std::wstring& exe);

// True when the verb is there and runs exe, not another copy of the program.
bool FolderMenuVerbRuns(const std::wstring& exe);

// Writes the verb for exe: its text, exe's icon and the command. ERROR_SUCCESS or the Windows
// error number.
DWORD AddFolderMenuVerb(const std::wstring& exe);

// Deletes the verb's two keys, and nothing else. A verb that is not there is no error.
DWORD RemoveFolderMenuVerb();
