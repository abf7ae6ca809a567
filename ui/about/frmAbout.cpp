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
    PictureBox& picture = Picture(picIcon);
    picture.Clear();
    DrawIcon(picture.Hdc(), 0, 0,
             reinterpret_cast<HICON>(SendMessageW(Hwnd(), WM_GETICON, ICON_BIG, 0)));
    picture.Refresh();
    SetText(lblVer, VersionText());
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
