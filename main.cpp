// Tessaline: gives a folder a custom icon in the Windows shell, and takes it away again.

#include "ui/SystemHost.h"
#include "ui/main/frmMain.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    frmMain mainWindow(TheSystemHost());
    mainWindow.Show();
    return Form::RunUntilUnloaded(mainWindow);
}
