#include "ui/main/frmMain.h"

#include "dialogs/cCommonDialog.h"
#include "engine/DesktopIni.h"
#include "engine/FolderColour.h"
#include "engine/FolderIcon.h"
#include "engine/IconEntry.h"
#include "engine/IconLocation.h"
#include "engine/IconMessages.h"
#include "engine/PathCheck.h"
#include "engine/modFunction.h"
#include "runtime/AsciiText.h"
#include "runtime/DecimalText.h"
#include "runtime/Host.h"
#include "runtime/SystemError.h"
#include "ui/main/Preview.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

namespace
{
std::wstring IndexedIconText(const std::wstring& path, int index)
{
    return path + L"," + DecimalText(index);
}

// The system's text for the error of a failed write, for its message.
std::wstring ErrorDescription(const IconResult& result)
{
    return result.status == IconStatus::WriteFailed ? SystemErrorText(result.error) : L"";
}

// Every path of a drop, in the order the shell gives them, whatever their length.
std::vector<FolderText> DroppedPaths(HDROP drop)
{
    std::vector<FolderText> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i)
    {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, &path[0], static_cast<UINT>(path.size())));
        paths.push_back(FolderText::FromOutside(path));
    }
    DragFinish(drop);
    return paths;
}
} // namespace

frmMain::frmMain(Host& host) : Form(frmMainDesign(), host), m_colourDialog(host.CommonDialogs()) {}

void frmMain::OnInitialize()
{
    // Loads the common controls (version 6 by the manifest) before any control exists.
    InitCommonControls();
}

void frmMain::OnLoad()
{
    // What DragAcceptFiles does, without loading shell32 before the window shows.
    SetWindowLongPtrW(Hwnd(), GWL_EXSTYLE,
                      GetWindowLongPtrW(Hwnd(), GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    HMENU menu = GetSystemMenu(Hwnd(), FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kFolderMenuCommand, L"Show in the folder menu");
    AppendMenuW(menu, MF_STRING, kFolderColourCommand, L"Folder colour...");
}

bool frmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DROPFILES: {
        std::vector<FolderText> paths = DroppedPaths(reinterpret_cast<HDROP>(wParam));
        if (m_busy == 0)
            OpenPaths(paths, ExtraPaths::Ignored);
        return true;
    }
    case WM_DPICHANGED:
    case WM_SYSCOLORCHANGE:
        // The preview again, at the new scale or on the new background.
        Picture(picIcon).Clear();
        ShowPreview(m_shownPath, m_shownIndex, m_shownColour);
        return false;
    case WM_INITMENUPOPUP:
        // Read each time: another copy, or a deployment script, may have changed it meanwhile.
        if (HIWORD(lParam) != 0)
            CheckMenuItem(reinterpret_cast<HMENU>(wParam), kFolderMenuCommand,
                          MF_BYCOMMAND | (TheHost().InFolderMenu() ? MF_CHECKED : MF_UNCHECKED));
        return false;
    case WM_SYSCOMMAND:
        // The system keeps the low four bits of a system command for itself.
        switch (wParam & 0xFFF0)
        {
        case kFolderMenuCommand:
            FolderMenu_Click();
            return true;
        case kFolderColourCommand:
            FolderColour_Click();
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

void frmMain::OnEvent(int row, FormEvent event)
{
    Busy busy(m_busy);
    if (event == FormEvent::Change && (row == txtFolder || row == txtIcon))
    {
        UpdateApplyButton();
        if (row == txtIcon)
            txtIcon_Change();
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

void frmMain::ShowMessage(const std::wstring& text, const std::wstring& title, UINT style)
{
    TheHost().ShowMessage(Hwnd(), text, title, style);
}

void frmMain::ResetAfterChange()
{
    ClearPreview();
    SetText(txtFolder, L"");
    SetText(txtIcon, L"");
    SetEnabled(cmdRemove, false);
}

void frmMain::cmdApply_Click()
{
    IconResult result = ApplyFolderIcon(FolderText::Typed(Text(txtFolder)), Text(txtIcon));
    IconMessage message = ApplyMessage(result, ErrorDescription(result));
    ShowMessage(message.text, message.title, message.style);
    if (!IsLoaded())
        return; // closed while the message was open: the program is ending
    // After a refusal or a failed write the texts stay, so that the user can correct them.
    if (result.status != IconStatus::Ok)
        return;
    ResetAfterChange();
    FreeMemory();
}

void frmMain::cmdRemove_Click()
{
    IconResult result = RemoveFolderIcon(FolderText::Typed(Text(txtFolder)));
    if (std::optional<IconMessage> message = RemoveMessage(result, ErrorDescription(result)))
    {
        ShowMessage(message->text, message->title, message->style);
        if (!IsLoaded())
            return;
        // Remove was left enabled from an earlier folder whose text is gone.
        if (result.status == IconStatus::EmptyFolder)
            SetEnabled(cmdRemove, false);
        return;
    }
    ResetAfterChange();
}

void frmMain::cmdFolder_Click()
{
    std::wstring picked = TheHost().BrowseForFolder(Hwnd(), L"Choose folder to change icon");
    if (!IsLoaded())
        return;
    // The picker gives a full path, which goes into the box as the box's text.
    SelectFolderPath(FolderText::Typed(picked));
}

void frmMain::SelectFolderPath(const FolderText& folder)
{
    SetText(txtFolder, folder.Path());
    ClearPreview();
    if (folder.IsRoot())
    {
        // A drive's or a share's root, such as C:\, takes no folder icon.
        SetText(txtFolder, L"");
        ShowMessage(L"Please choose folder to change icon", L"Error", MB_OK | MB_ICONERROR);
    }
    else if (folder.Kind() == FolderKind::Empty)
    {
        // A cancelled pick: "\desktop.ini" would name the current drive's root, not a choice.
        SetEnabled(cmdRemove, false);
    }
    else
    {
        std::wstring ini = IniPath(folder.Path());
        bool exists = PathFileExistsW(ini.c_str()) != FALSE;
        if (exists)
        {
            IconLocation icon =
                ParseIconLocation(ReadIni(L".ShellClassInfo", L"IconResource", ini), folder.Full());
            ShowPreview(icon.path, icon.index);
        }
        SetEnabled(cmdRemove, exists);
    }
    FreeMemory();
}

void frmMain::cmdIcon_Click()
{
    cCommonDialog dialog(TheHost().CommonDialogs());
    OpenFileNameArgs args;
    args.FileName = L"";
    args.FileTitle = L"";
    args.FileMustExist = true;
    args.MultiSelect = false;
    args.ReadOnly = false;
    args.HideReadOnly = false;
    args.Filter = L"Icon Files (*.ico)|*.ico|"
                  L"Icons in programs and libraries (*.exe;*.dll;*.icl)|*.exe;*.dll;*.icl|"
                  L"Pictures (*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff)|"
                  L"*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff|"
                  L"All files (*.*)|*.*";
    args.FilterIndex = 1;
    args.InitDir = L"";
    args.DlgTitle = L"";
    args.DefaultExt = L"";
    args.Owner = -1; // no owner: the main window stays usable while the dialog is open
    args.flags = 0;
    dialog.VBGetOpenFileName(args);
    // The dialog has no owner, so the window can be closed while it is open.
    if (!IsLoaded())
        return;
    SelectIconPath(args.FileName);
}

void frmMain::SelectIconPath(const std::wstring& path)
{
    std::wstring text = path;
    // A picture is made into an icon of one image, shown as Apply writes it; one that can't be is
    // refused by Apply, by its name.
    const IconEntry entry =
        path.empty() ? IconEntry{} : MakeIconEntry(FolderText::Typed(Text(txtFolder)), path);
    const bool made = entry.made.bytes != nullptr ||
                      entry.problem == IconProblem::PictureNoPixels ||
                      entry.problem == IconProblem::PictureTooLarge ||
                      entry.problem == IconProblem::PictureUnreadable;
    if (!made && IconCount(path) > 1)
    {
        const IconChoice choice = TheHost().PickIcon(Hwnd(), path, 0);
        switch (choice.outcome)
        {
        case IconChoice::Outcome::Chosen:
            text = IndexedIconText(choice.path, choice.index);
            break;
        case IconChoice::Outcome::Cancelled:
            FreeMemory();
            return;
        case IconChoice::Outcome::Unavailable:
            text = IndexedIconText(path, 0);
            break;
        }
    }
    else if (!made && !path.empty() && !HasExtension(path, L".ico"))
    {
        // Apply then examines the file and says what is wrong with it.
        text = IndexedIconText(path, 0);
    }
    SetText(txtIcon, text);
    ClearPreview();
    if (entry.made.bytes != nullptr)
    {
        m_shownMade = *entry.made.bytes;
        ShowPreview(L"", 0);
    }
    else if (!made)
    {
        const IconLocation shown = IconTextLocation(FolderText::Typed(Text(txtFolder)), text);
        ShowPreview(shown.path, shown.index);
    }
    FreeMemory();
}

void frmMain::OpenPaths(const std::vector<FolderText>& paths, ExtraPaths extras)
{
    Busy busy(m_busy);
    std::vector<FolderText> folders;
    std::vector<std::wstring> files, refusals;
    for (const FolderText& given : paths)
    {
        FolderText path = IsShortcut(given.Path())
                              ? FolderText::FromOutside(ShortcutTarget(given.Path()))
                              : given;
        const PathCheck check = CheckPath(path);
        if (check.kind == PathKind::Folder || check.kind == PathKind::DriveRoot)
            folders.push_back(std::move(path));
        else if (check.kind == PathKind::File)
            files.push_back(path.Path());
        else
            refusals.push_back(RefusalLine(given.Path(), check, PathRole::Folder));
    }
    if (extras == ExtraPaths::Reported)
    {
        for (size_t i = 1; i < folders.size(); ++i)
            refusals.push_back(folders[i].Path() +
                               L": one folder at a time; the first one is taken");
        for (size_t i = 1; i < files.size(); ++i)
            refusals.push_back(files[i] + L": one icon at a time; the first one is taken");
    }
    // The folder first: the preview then ends on the icon that is about to be applied.
    if (!folders.empty())
        SelectFolderPath(folders.front());
    if (!IsLoaded())
        return; // closed while the drive root's message was open
    if (!files.empty())
        SelectIconPath(files.front());
    if (refusals.empty())
        return;
    std::wstring text = L"Tessaline can't use:\n";
    for (const std::wstring& line : refusals)
        text += L"\n" + line;
    ShowMessage(text, L"Error", MB_OK | MB_ICONERROR);
}

void frmMain::FolderMenu_Click()
{
    Busy busy(m_busy);
    const FolderMenuChange change = TheHost().SetInFolderMenu(!TheHost().InFolderMenu());
    if (change.error != ERROR_SUCCESS)
        ShowMessage(change.line, L"Error", MB_OK | MB_ICONERROR);
}

void frmMain::txtIcon_Change()
{
    COLORREF colour = 0;
    const bool isColour = ParseColourText(Text(txtIcon), &colour);
    if (!isColour && m_shownColour == CLR_INVALID)
        return; // a path shows its icon once it is chosen
    ClearPreview();
    if (isColour)
        ShowPreview(L"", 0, colour);
}

void frmMain::ClearPreview()
{
    Picture(picIcon).Clear();
    m_shownPath.clear();
    m_shownColour = CLR_INVALID;
    m_shownMade.clear();
}

void frmMain::ShowPreview(const std::wstring& path, int index, COLORREF colour)
{
    m_shownPath = path;
    m_shownIndex = index;
    m_shownColour = colour;
    if (!m_shownMade.empty())
        DrawPreviewMade(Picture(picIcon), Dpi(), m_shownMade);
    else if (colour != CLR_INVALID)
        DrawPreviewColour(Picture(picIcon), Dpi(), colour);
    else
        DrawPreviewIcon(Picture(picIcon), Dpi(), path, index);
}

void frmMain::FolderColour_Click()
{
    Busy busy(m_busy);
    ChooseColorArgs args;
    COLORREF colour = 0;
    if (ParseColourText(Text(txtIcon), &colour))
        args.Color = static_cast<long>(colour);
    args.FullOpen = true;
    args.Owner = reinterpret_cast<std::intptr_t>(Hwnd());
    if (m_colourDialog.VBChooseColor(args) && IsLoaded())
        SetText(txtIcon, ColourText(static_cast<COLORREF>(args.Color)));
}

void frmMain::lblCopyright_Click()
{
    if (!m_about)
        m_about = std::make_unique<frmAbout>(TheHost());
    m_about->ShowModal(*this);
}
