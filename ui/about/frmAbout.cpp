#include "ui/about/frmAbout.h"

#include "runtime/Host.h"
#include "runtime/Version.h"

#include <commctrl.h>

frmAbout::frmAbout(Host& host) : Form(frmAboutDesign(), host) {}

void frmAbout::OnInitialize()
{
    InitCommonControls();
}

void frmAbout::OnLoad()
{
    DrawPicture();
    SetText(lblVer, VersionText());
}

bool frmAbout::OnMessage(UINT message, WPARAM, LPARAM)
{
    // WM_DPICHANGED after the layout, or a new theme: the icon at the new scale or background.
    if (message == WM_DPICHANGED || message == WM_SYSCOLORCHANGE)
        DrawPicture();
    return false;
}

void frmAbout::DrawPicture()
{
    // The window's big icon, at its own size: the form made it for the window's DPI.
    PictureBox& picture = Picture(picIcon);
    picture.Clear();
    DrawIconEx(picture.Hdc(), 0, 0,
               reinterpret_cast<HICON>(SendMessageW(Hwnd(), WM_GETICON, ICON_BIG, 0)), 0, 0, 0,
               nullptr, DI_NORMAL);
    picture.Refresh();
}

void frmAbout::OnEvent(int row, FormEvent event)
{
    if (event == FormEvent::Click && row >= lblLink0 && row <= lblLink2)
        lblLink_Click(Design(row).index);
}

void frmAbout::lblLink_Click(int index)
{
    TheHost().OpenLink(Hwnd(), Text(lblLink0 + index));
}
