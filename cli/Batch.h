#pragma once
// The command line's actions without a window: apply or remove for many folders, register or
// unregister the folder menu's verb, or the usage. Goes on past a folder that fails; Remove takes
// away only Tessaline's icon and leaves a folder with another one alone. Reports each failure and
// each folder left alone on the console, or else in one message box at the end.

#include "cli/CommandLine.h"

class Host;

constexpr int kExitDone = 0;   // nothing failed; folders may have been left alone
constexpr int kExitFailed = 1; // a folder, the icon or the folder menu failed
constexpr int kExitUsage = 2;

// Runs every action but OpenWindow; returns the exit code.
int RunBatch(const CommandLine& command, Host& host);
