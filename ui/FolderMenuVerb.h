#pragma once
// The per-user verbs that put "Change folder icon..." and "Folder colour" in the menu of every
// folder and start a copy of the program with that folder. The one place in the program that
// touches the registry: two keys and what lies below them in HKEY_CURRENT_USER, which needs no
// administrator.

#include "runtime/Host.h"

#include <windows.h>

#include <string>

// The verb's key below HKEY_CURRENT_USER.
constexpr const wchar_t* kFolderMenuVerbKey = L"Software\\Classes\\Directory\\shell\\Tessaline";

// The command that the verb runs for exe: "<exe>" "%1".
std::wstring FolderMenuCommand(const std::wstring& exe);

// True when the verb is there and runs exe, not another copy of the program.
bool FolderMenuVerbRuns(const std::wstring& exe);

// The colour verb's key below HKEY_CURRENT_USER.
constexpr const wchar_t* kFolderColourVerbKey =
    L"Software\\Classes\\Directory\\shell\\TessalineColour";

// Whether the system shows submenus of registered verbs: Windows 7 and later.
bool SystemHasVerbSubmenus();

// Writes the verbs for exe: each text, exe's icon, the command and how many folders it takes. With
// submenus "Folder colour" opens the colours, "Other colour..." (the colour dialog) and "Default"
// (Tessaline's icon taken away); without, "Folder colour..." is the colour dialog. Every command
// but the main verb's (the window, one folder) takes any number of folders in one run. Whole or
// not at all: keys that hold anything Tessaline doesn't write are refused, and a failure midway
// puts back what was there.
FolderMenuChange AddFolderMenuVerb(const std::wstring& exe,
                                   bool submenus = SystemHasVerbSubmenus());

// Deletes the verbs' keys and what lies below them, whole or not at all, as AddFolderMenuVerb
// writes them. A verb that is not there is no error.
FolderMenuChange RemoveFolderMenuVerb();
