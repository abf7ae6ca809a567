#include "ui/main/frmMain.h"

#include <commctrl.h>

frmMain::frmMain(Host& host) : Form(frmMainDesign(), host) {}

void frmMain::OnInitialize()
{
    // Loads the common controls (version 6 by the manifest) before any control exists.
    InitCommonControls();
}

void frmMain::OnEvent(int row, FormEvent event)
{
    if (event == FormEvent::Change && (row == txtFolder || row == txtIcon))
    {
        UpdateApplyButton();
        return;
    }
    if (event != FormEvent::Click)
        return;
    switch (row)
    {
    case cmdApply:
        cmdApply_Click();
        break;
    case cmdRemove:
        cmdRemove_Click();
        break;
    case cmdFolder:
        cmdFolder_Click();
        break;
    case cmdIcon:
        cmdIcon_Click();
        break;
    case lblCopyright:
        lblCopyright_Click();
        break;
    default:
        break;
    }
}

void frmMain::UpdateApplyButton()
{
    std::wstring icon = Text(txtIcon);
    std::wstring folder = Text(txtFolder);
    SetEnabled(cmdApply, !icon.empty() && !folder.empty());
}

void frmMain::cmdApply_Click() {}

void frmMain::cmdRemove_Click() {}

void frmMain::cmdFolder_Click() {}

void frmMain::cmdIcon_Click() {}

void frmMain::lblCopyright_Click()
{
    if (!m_about)
        m_about = std::make_unique<frmAbout>(TheHost());
    m_about->ShowModal(*this);
}
