#pragma once
// The main window: the folder and icon boxes, the four buttons, the preview and the notice.

#include "runtime/Form.h"
#include "ui/about/frmAbout.h"

#include <memory>

class frmMain : public Form
{
  public:
    // The controls, in the design's stored order; each value is the row of its design table.
    enum Control
    {
        cmdApply,
        cmdRemove,
        cmdIcon,
        cmdFolder,
        txtFolder,
        txtIcon,
        picIcon,
        lblMain1,
        lblMain0,
        lblCopyright,
        kControlCount
    };

    explicit frmMain(Host& host);

    // Enables Apply exactly when both boxes hold text (blanks count as text).
    void UpdateApplyButton();
    // Puts a chosen icon file into the icon box and previews it, whichever way it came (the
    // open dialog, a drop, an argument). A file holding several icons opens the system's icon
    // chooser: its choice goes in as "path,index", its cancel changes nothing, and without a
    // chooser the first icon goes in. Any other file but an ".ico" goes in with index 0.
    void IconFileChosen(const std::wstring& path);
    // The About window, once the notice has been clicked: one instance for the process.
    frmAbout* About() const { return m_about.get(); }

  protected:
    void OnInitialize() override;
    void OnEvent(int row, FormEvent event) override;

  private:
    void ShowMessage(const std::wstring& text, const std::wstring& title, UINT style);
    // Empty preview and boxes, Remove disabled: the state after an apply or a removal.
    void ResetAfterChange();
    void cmdApply_Click();
    void cmdRemove_Click();
    void cmdFolder_Click();
    void cmdIcon_Click();
    void lblCopyright_Click();

    std::unique_ptr<frmAbout> m_about;
};

const FormDesign& frmMainDesign();
