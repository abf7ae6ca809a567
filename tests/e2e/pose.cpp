// Puts the real program into a state worth a picture, for scripts/screenshot: "about" opens the
// About window over the main window. Then it waits to be stopped with the Wine session.

#include "e2e/Driver.h"
#include "ui/main/frmMain.h"

#include <cstring>

int main(int argc, char** argv)
{
    Driver app;
    if (argc > 1 && std::strcmp(argv[1], "about") == 0)
    {
        // Main window to the upper left, so that the centred About window leaves it in view.
        SetWindowPos(app.Main(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        app.Click(frmMain::lblCopyright);
        app.WaitForDialog(2000);
    }
    Sleep(INFINITE);
    return 0;
}
