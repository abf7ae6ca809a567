// Tessaline: gives a folder a custom icon in the Windows shell, and takes it away again.

#include "cli/Batch.h"
#include "cli/MenuGathering.h"
#include "runtime/DllSearch.h"
#include "ui/SystemHost.h"
#include "ui/main/frmMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();
    std::vector<std::wstring> arguments = ProcessArguments();
    // One copy per folder selected in the folder menu: the first of a command does them all.
    if (TakeMenuSwitch(arguments) && !GatherMenuFolders(arguments))
        return kExitDone;
    // Relative paths are made full here, against the directory the program started in.
    CommandLine command = ParseCommandLine(arguments, GetCommandLineW());
    if (command.action != CommandAction::OpenWindow)
        return RunBatch(command, TheSystemHost());
    frmMain mainWindow(TheSystemHost());
    mainWindow.Show();
    mainWindow.OpenPaths(command.paths, frmMain::ExtraPaths::Reported);
    return Form::RunUntilUnloaded(mainWindow);
}
