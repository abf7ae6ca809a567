// Tessaline: gives a folder a custom icon in the Windows shell, and takes it away again.

#include "cli/Batch.h"
#include "runtime/DllSearch.h"
#include "ui/SystemHost.h"
#include "ui/main/frmMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();
    // Relative paths are made full here, against the directory the program started in.
    CommandLine command = ParseCommandLine(ProcessArguments(), GetCommandLineW());
    if (command.action != CommandAction::OpenWindow)
        return RunBatch(command, TheSystemHost());
    frmMain mainWindow(TheSystemHost());
    mainWindow.Show();
    mainWindow.OpenPaths(command.paths, frmMain::ExtraPaths::Reported);
    return Form::RunUntilUnloaded(mainWindow);
}
