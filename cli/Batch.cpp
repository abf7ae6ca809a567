#include "cli/Batch.h"

#include "cli/Console.h"
#include "dialogs/cCommonDialog.h"
#include "engine/FolderColour.h"
#include "engine/FolderIcon.h"
#include "engine/FolderTree.h"
#include "engine/IconEntry.h"
#include "engine/IconMessages.h"
#include "engine/ComApartment.h"
#include "engine/PathCheck.h"
#include "runtime/AsciiText.h"
#include "runtime/DecimalText.h"
#include "runtime/Host.h"
#include "runtime/UniqueAny.h"

#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

namespace
{
// The most lines one message box lists; the console gets every one.
constexpr size_t kLinesInBox = 20;

// Set by Ctrl+C or Ctrl+Break: the work stops between two folders.
volatile LONG g_stopAsked = 0;

BOOL WINAPI AskStop(DWORD)
{
    InterlockedExchange(&g_stopAsked, 1);
    return TRUE;
}

// Failures, and folders left alone, as they come: each on the console at once, or kept for one
// message box at the end (as many as it lists: a tree's run may find any number).
class Report
{
  public:
    Report(Host& host, bool quiet, bool utf8) : m_host(host), m_quiet(quiet), m_console(utf8) {}

    void Failure(const std::wstring& line)
    {
        Add(line);
        m_failed = true;
    }

    // Not a failure: the folder is as it should stay, but the person asked for it to change.
    void LeftAlone(const std::wstring& line) { Add(line); }

    // What was asked for: a line of a list.
    void Output(const std::wstring& line) { Add(line); }

    bool HasConsole() const { return static_cast<bool>(m_console); }

    // Information only: on the console, and in a box that shows for another line.
    void Note(const std::wstring& line)
    {
        Add(line);
        ++m_notes;
    }

    // What a long run is at, at most ten times a second: on a console's window, one line that
    // the next overwrites (not into a file or a pipe); without a console, the shell's progress
    // window once the work has taken a second, whose Cancel stops it.
    void Progress(size_t done, const std::wstring& folder)
    {
        const DWORD now = GetTickCount();
        const size_t columns = m_console ? m_console.Columns() : 0;
        if (now - m_progressAt < 100)
            return;
        m_progressAt = now;
        if (!m_console && !m_quiet && now - m_started >= 1000)
            ShowProgressWindow(done, folder);
        if (columns < 2)
            return;
        const size_t width = columns - 1; // the cursor stays on the line
        std::wstring line = DecimalText(done) + L" folders: " + folder;
        if (line.size() > width)
            line.erase(width);
        ClearProgress();
        m_console.Write(L"\r" + line);
        m_progressWidth = line.size();
    }

    // The work was stopped before its end: not all that was asked is done, which the summary
    // says in any case.
    void Stopped() { m_stopped = true; }

    // The exit code: after any line, the summary follows them on the console or heads the box,
    // an error box only after a failure. A summary that is always to be had goes to the
    // console even after no line.
    int Finish(const std::wstring& summary, bool always = false)
    {
        ClearProgress(true);
        const int exitCode = m_failed || m_stopped ? kExitFailed : kExitDone;
        if (m_count == m_notes && !m_stopped && !(m_console && always))
            return exitCode;
        if (m_console)
        {
            if (!summary.empty())
                m_console.Write(summary + L"\r\n");
            return exitCode;
        }
        std::wstring text = summary + L"\r\n";
        for (const std::wstring& line : m_lines)
            text += L"\r\n" + line;
        if (m_count > kLinesInBox)
            text += L"\r\n... and " + DecimalText(m_count - kLinesInBox) + L" more.";
        Say(text, m_failed ? MB_ICONERROR : MB_ICONINFORMATION);
        return exitCode;
    }

    void Say(const std::wstring& text, UINT icon)
    {
        ClearProgress(true);
        if (m_console)
            m_console.Write(text);
        else if (!m_quiet)
            m_host.ShowMessage(nullptr, text, L"Tessaline", MB_OK | icon);
    }

  private:
    void Add(const std::wstring& line)
    {
        ClearProgress();
        if (m_console)
            m_console.Write(line + L"\r\n");
        if (m_lines.size() < kLinesInBox)
            m_lines.push_back(line);
        ++m_count;
    }

    void ShowProgressWindow(size_t done, const std::wstring& folder)
    {
        // XP on: the shell's own, so the work looks like the system's copying.
        constexpr GUID kProgressDialog = {
            0xf8383852, 0xfcd3, 0x11d1, {0xa6, 0xb9, 0x00, 0x60, 0x97, 0xdf, 0x5b, 0xd4}};
        if (!m_apartment)
        {
            m_apartment.emplace();
            IProgressDialog* dialog = nullptr;
            if (SUCCEEDED(CoCreateInstance(kProgressDialog, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IProgressDialog, reinterpret_cast<void**>(&dialog))))
                m_window.reset(dialog);
            if (m_window)
            {
                m_window.get()->SetTitle(L"Tessaline");
                m_window.get()->StartProgressDialog(nullptr, nullptr, PROGDLG_NOPROGRESSBAR,
                                                    nullptr);
            }
        }
        if (!m_window)
            return;
        if (m_window.get()->HasUserCancelled())
            InterlockedExchange(&g_stopAsked, 1);
        m_window.get()->SetLine(1, (DecimalText(done) + L" folders").c_str(), FALSE, nullptr);
        m_window.get()->SetLine(2, folder.c_str(), TRUE, nullptr);
    }

    // The console's line, and at the end the progress window.
    void ClearProgress(bool end = false)
    {
        if (m_window && end)
        {
            m_window.get()->StopProgressDialog();
            m_window.reset();
        }
        if (m_progressWidth != 0)
            m_console.Write(L"\r" + std::wstring(m_progressWidth, L' ') + L"\r");
        m_progressWidth = 0;
    }

    Host& m_host;
    bool m_quiet;
    bool m_failed = false;
    bool m_stopped = false;
    size_t m_notes = 0;
    size_t m_count = 0; // every line, of which m_lines keeps those the box lists
    ConsoleOutput m_console;
    std::vector<std::wstring> m_lines;
    DWORD m_started = GetTickCount();
    DWORD m_progressAt = m_started;
    size_t m_progressWidth = 0;
    std::optional<ApartmentScope> m_apartment; // for the progress window, once it is asked for
    UniqueCom<IProgressDialog> m_window;
};

// Empty when the engine changed the folder, otherwise the line that says why it did not.
std::wstring ResultLine(const std::wstring& folder, const IconResult& result)
{
    switch (result.status)
    {
    case IconStatus::Ok:
        return L"";
    case IconStatus::WriteFailed:
        return FailureLine(result.path, L"could not be written", result.error);
    case IconStatus::ControlCharacter:
        return FailureLine(folder, L"holds a tab, a line break or another control character",
                           ERROR_INVALID_NAME);
    case IconStatus::DriveRoot:
        return RefusalLine(folder, {PathKind::DriveRoot, ERROR_SUCCESS}, PathRole::Folder);
    case IconStatus::RelativeFolder:
        return FailureLine(folder, L"not a full path", ERROR_BAD_PATHNAME);
    case IconStatus::DotOrSpaceAtEnd:
        return RefusalLine(folder, {PathKind::DotOrSpaceAtEnd, ERROR_INVALID_NAME},
                           PathRole::Folder);
    case IconStatus::DeviceName:
        return RefusalLine(folder, {PathKind::DeviceName, ERROR_DIRECTORY}, PathRole::Folder);
    case IconStatus::NotSettingsFile:
        return FailureLine(result.path,
                           L"is no settings file to change: " + IniFaultText(result.fault),
                           ERROR_INVALID_DATA);
    case IconStatus::IconRefused:
    case IconStatus::IniTooLarge:
    case IconStatus::MadeFileTaken:
        return ApplyMessage(result, L"").text;
    case IconStatus::NotTessalines:
        return folder + L": left alone: its icon was not set by Tessaline";
    case IconStatus::MissingInput:
    case IconStatus::EmptyFolder:
        break;
    }
    return FailureLine(folder, L"not found", ERROR_PATH_NOT_FOUND);
}

// Empty when the icon can serve, otherwise the line that says why not. The window's own rules
// decide what the text names (its path is full: the folder does not matter); a plain path must
// name a file here, where the window writes it as given, and any file but an ".ico" must hold an
// icon, as the window's "..." takes it as "path,0".
std::wstring IconRefusal(const std::wstring& icon)
{
    COLORREF colour = 0;
    IconResult refused;
    refused.status = IconStatus::IconRefused;
    refused.path = icon;
    if (ParseColourText(icon, &colour))
    {
        // Made here once, for every folder.
        refused.problem = IconProblem::NoFolderIcon;
        return ColouredFolderIconFile(colour).empty() ? ApplyMessage(refused, L"").text : L"";
    }
    const FolderText here = FolderText::FromOutside(L".");
    const bool indexed = SplitIconText(icon).kind != IndexKind::None;
    if (!indexed)
    {
        const std::wstring file = IconTextLocation(here, icon).path;
        std::wstring refusal =
            RefusalLine(file, CheckPath(FolderText::FromOutside(file)), PathRole::Icon);
        if (!refusal.empty() || HasExtension(icon, L".ico"))
            return refusal;
    }
    const IconEntry entry = MakeIconEntry(here, indexed ? icon : icon + L",0");
    if (entry.problem == IconProblem::None)
        return L"";
    refused.problem = entry.problem;
    refused.iconCount = entry.iconCount;
    return ApplyMessage(refused, L"").text;
}

// What a run over folders (and their trees) did, for its summary.
struct Tally
{
    size_t folders = 0; // worked on
    size_t failed = 0, leftAlone = 0, leftFiles = 0;
    size_t links = 0, hidden = 0, without = 0; // skipped
    size_t listed = 0;
};

// The summary of a run over trees or of /inside: every count, and whether the work was stopped.
std::wstring TreeSummary(const Tally& tally, const std::wstring& inside, bool stopped)
{
    std::wstring text = stopped ? L"Stopped. Folders: " : L"Folders: ";
    const auto add = [&](size_t count, const std::wstring& what) {
        text.append(DecimalText(count)).append(what);
    };
    add(tally.folders - tally.failed - tally.leftAlone, L" done, ");
    add(tally.leftAlone, L" left alone, ");
    add(tally.links + tally.hidden + tally.without, L" skipped (");
    add(tally.links, tally.links == 1 ? L" link, " : L" links, ");
    add(tally.hidden, inside.empty() ? L" hidden), " : L" hidden, ");
    if (!inside.empty())
        add(tally.without, L" without " + inside + L"), ");
    add(tally.failed, stopped ? L" failed. The others were not touched." : L" failed.");
    return text;
}

// The summary of a run over the named folders alone, as it has always read.
std::wstring FolderSummary(const Tally& tally)
{
    const std::wstring count = DecimalText(tally.folders);
    std::wstring summary;
    if (tally.failed != 0)
        summary = DecimalText(tally.failed) + L" of " + count + L" folders could not be changed.";
    if (tally.leftAlone != 0)
        summary += std::wstring(summary.empty() ? L"" : L" ") + DecimalText(tally.leftAlone) +
                   L" of " + count + (tally.leftAlone == 1 ? L" folders was" : L" folders were") +
                   L" left alone.";
    if (tally.leftFiles != 0)
        summary += std::wstring(summary.empty() ? L"" : L" ") + DecimalText(tally.leftFiles) +
                   (tally.leftFiles == 1 ? L" file" : L" files") +
                   L" of Tessaline's could not be deleted yet.";
    return summary;
}

// One folder's work: its icon listed, given or taken away.
void DoFolder(const CommandLine& command, const std::wstring& icon, const FolderText& folder,
              Report& report, Tally& tally)
{
    ++tally.folders;
    if (command.action == CommandAction::List)
    {
        const FolderIconShown shown = ReadFolderIcon(folder);
        if (shown.result.status != IconStatus::Ok)
        {
            report.Failure(
                shown.result.status == IconStatus::WriteFailed
                    ? FailureLine(shown.result.path, L"could not be read", shown.result.error)
                    : ResultLine(folder.Path(), shown.result));
            ++tally.failed;
        }
        else if (!shown.shows.empty() && ++tally.listed)
            report.Output(folder.Path() + (shown.tessalines ? L"\tTessaline\t" : L"\tother\t") +
                          shown.shows);
        return;
    }
    std::wstring given = icon;
    if (!command.inside.empty())
    {
        given = folder.Path() + L"\\" + command.inside;
        const DWORD attributes = GetFileAttributesW(given.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        {
            --tally.folders;
            ++tally.without;
            return;
        }
    }
    // Only what Tessaline put in: batch mode shows no preview of the icon it would take away.
    const IconResult result = command.action != CommandAction::Remove
                                  ? ApplyFolderIcon(folder, given)
                                  : RemoveFolderIcon(folder, RemoveScope::TessalinesOnly);
    const std::wstring line = ResultLine(folder.Path(), result);
    for (const std::wstring& left : result.leftFiles)
        report.LeftAlone(LeftFileLine(left));
    tally.leftFiles += result.leftFiles.size();
    if (result.status == IconStatus::NotTessalines)
    {
        report.LeftAlone(line);
        ++tally.leftAlone;
    }
    else if (!line.empty())
    {
        report.Failure(line);
        ++tally.failed;
    }
}

// Changes or lists each folder that can be; a PickColour asks for the colour once the folders
// are known to be worth it.
int ChangeFolders(const CommandLine& command, Report& report, Host& host)
{
    std::wstring icon = command.icon;
    const auto iconRefused = [&] {
        const std::wstring refusal = IconRefusal(icon);
        if (!refusal.empty())
            report.Failure(refusal);
        return !refusal.empty();
    };
    if (command.action == CommandAction::Apply && command.inside.empty() && iconRefused())
        return report.Finish(L"No folder was changed.");
    for (const RepeatedPath& repeat : command.repeats)
    {
        const std::wstring& first = command.paths[repeat.sameAs].Path();
        report.Note(repeat.path + (repeat.path == first ? L"" : L": the same folder as " + first) +
                    L": named twice, done once");
    }
    Tally tally;
    for (const std::wstring& unmatched : command.unmatched)
        report.Failure(unmatched + L": no folder matches");
    tally.failed = tally.folders = command.unmatched.size();
    std::vector<const FolderText*> changeable;
    for (const FolderText& folder : command.paths)
    {
        const std::wstring line = RefusalLine(folder.Path(), CheckPath(folder), PathRole::Folder);
        if (line.empty())
            changeable.push_back(&folder);
        else
            report.Failure(line);
    }
    tally.failed += command.paths.size() - changeable.size();
    tally.folders += command.paths.size() - changeable.size();
    if (command.action == CommandAction::PickColour)
    {
        // The folder menu's "Other colour...": the dialog, then an apply of that colour.
        cCommonDialog dialog(host.CommonDialogs());
        ChooseColorArgs args;
        args.FullOpen = true;
        if (changeable.empty() || !dialog.VBChooseColor(args))
            return report.Finish(L"No folder was changed.");
        icon = ColourText(static_cast<COLORREF>(args.Color));
        if (iconRefused())
            return report.Finish(L"No folder was changed.");
    }
    // Ctrl+C stops the work between two folders: each is done or untouched.
    SetConsoleCtrlHandler(AskStop, TRUE);
    bool stopped = false;
    for (const FolderText* named : changeable)
    {
        // The folder named, then each below it as the walk finds it.
        FolderTree tree(command.subfolders ? named->Path() : std::wstring());
        FoundFolder found{named->Path()};
        for (bool first = true; !stopped && (first || tree.Next(found)); first = false)
        {
            if ((stopped = g_stopAsked != 0))
                break;
            if (found.kind == TreeEntry::Folder)
            {
                report.Progress(tally.folders, found.path);
                DoFolder(command, icon, first ? *named : FolderText::FromOutside(found.path),
                         report, tally);
            }
            else if (found.kind == TreeEntry::Unreadable)
            {
                report.Failure(
                    FailureLine(found.path, L"its folders could not be read", found.error));
                ++tally.failed;
            }
            else
                ++(found.kind == TreeEntry::Link ? tally.links : tally.hidden);
        }
    }
    SetConsoleCtrlHandler(AskStop, FALSE);
    if (stopped)
        report.Stopped();
    if (command.action == CommandAction::List)
    {
        // On the console the lines alone, which a program may read; a box says what they are.
        const std::wstring failed = DecimalText(tally.failed) + L" of " +
                                    DecimalText(tally.folders) + L" folders could not be read.";
        if (report.HasConsole())
            return report.Finish(tally.failed == 0 ? std::wstring() : failed);
        return report.Finish(DecimalText(tally.listed) + L" of " + DecimalText(tally.folders) +
                             L" folders have an icon." + (tally.failed == 0 ? L"" : L" " + failed));
    }
    if (command.subfolders || !command.inside.empty() || stopped)
        return report.Finish(TreeSummary(tally, command.inside, stopped), true);
    return report.Finish(FolderSummary(tally));
}
} // namespace

int RunBatch(const CommandLine& command, Host& host)
{
    Report report(host, command.quiet, command.action == CommandAction::List);
    switch (command.action)
    {
    case CommandAction::ShowUsage:
        report.Say(UsageText(), MB_ICONINFORMATION);
        return kExitUsage;
    case CommandAction::WrongUsage:
        report.Say(command.problem + L"\r\n\r\n" + UsageText(), MB_ICONERROR);
        return kExitUsage;
    case CommandAction::Register:
    case CommandAction::Unregister: {
        const FolderMenuChange change =
            host.SetInFolderMenu(command.action == CommandAction::Register);
        if (change.error != ERROR_SUCCESS)
            report.Failure(change.line);
        return report.Finish(change.leftChanged ? L"The folder menu was changed in part."
                                                : L"Nothing was changed.");
    }
    case CommandAction::PickColour:
    case CommandAction::Apply:
    case CommandAction::Remove:
    case CommandAction::List:
        return ChangeFolders(command, report, host);
    case CommandAction::OpenWindow:
        break;
    }
    return kExitUsage;
}
