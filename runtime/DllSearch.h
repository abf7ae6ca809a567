#pragma once
// Where the program's DLLs come from: Windows' system folder, not the folder the exe was started
// from (Downloads, a USB stick) or the current folder, where anyone could put a DLL named like a
// system one.

// The first call of the program, before any DLL is loaded on demand. Takes the current folder out
// of the DLL search; where Windows has SetDefaultDllDirectories (7 with KB2533623, 8 and later),
// the search is the system folder alone. The delay-load helper's notification hook, defined with
// it, loads the delay-loaded DLLs from the system folder by full path on every Windows version.
void RestrictDllSearch() noexcept;
