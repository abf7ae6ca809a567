#pragma once
// The main window: the folder and icon boxes, the four buttons, the preview and the notice.

#include "dialogs/cCommonDialog.h"
#include "engine/FolderPath.h"
#include "runtime/Form.h"
#include "ui/about/frmAbout.h"

#include <memory>
#include <string>
#include <vector>

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
    // The About window, once the notice has been clicked: one instance for the process.
    frmAbout* About() const { return m_about.get(); }

    // What happens with folders and files beyond the first of each kind.
    enum class ExtraPaths
    {
        Ignored,  // a drop: the first of each kind is taken
        Reported, // arguments: named in the message about what could not be used
    };
    // Dropped items or arguments, read as texts from outside: a shortcut stands for its target,
    // the first folder is taken as if picked (a root refused as there), then the first file as
    // if chosen in the open dialog. What can't be used is named in one message.
    void OpenPaths(const std::vector<FolderText>& paths, ExtraPaths extras);

    // The system-menu command that shows or hides the program in the folder menu.
    static constexpr UINT kFolderMenuCommand = 0x0010;
    // The system-menu command that puts a colour, "#RRGGBB", into the icon box.
    static constexpr UINT kFolderColourCommand = 0x0020;

  protected:
    void OnInitialize() override;
    void OnLoad() override;
    void OnEvent(int row, FormEvent event) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    // Counts the handlers running: while one runs a modal window is open, and drops are refused.
    class Busy
    {
      public:
        explicit Busy(int& count) : m_count(count) { ++m_count; }
        ~Busy() { --m_count; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

      private:
        int& m_count;
    };

    void ShowMessage(const std::wstring& text, const std::wstring& title, UINT style);
    // Empty preview and boxes, Remove disabled: the state after an apply or a removal.
    void ResetAfterChange();
    void cmdApply_Click();
    void cmdRemove_Click();
    void cmdFolder_Click();
    void cmdIcon_Click();
    void lblCopyright_Click();
    // What a picked folder and a chosen icon file do, whichever way they came. A file holding
    // several icons opens the system's icon chooser: its choice goes in as "path,index", its
    // cancel changes nothing, and without a chooser the first icon goes in. Any other file but an
    // ".ico" goes in with index 0.
    void SelectFolderPath(const FolderText& folder);
    void SelectIconPath(const std::wstring& path);
    void FolderMenu_Click();
    void FolderColour_Click();
    // The preview after the icon box changed: a colour shows its folder at once.
    void txtIcon_Change();
    // The preview empty, or showing an icon of a file or a colour's folder, at the window's DPI;
    // what it shows is kept for a change of DPI.
    void ClearPreview();
    void ShowPreview(const std::wstring& path, int index, COLORREF colour = CLR_INVALID);

    std::unique_ptr<frmAbout> m_about;
    // Keeps the colour dialog's custom colours for the process.
    cCommonDialog m_colourDialog;
    std::wstring m_shownPath;
    int m_shownIndex = 0;
    COLORREF m_shownColour = CLR_INVALID;
    std::string m_shownMade; // the .ico file made of a picture, shown instead
    int m_busy = 0;
};

const FormDesign& frmMainDesign();
