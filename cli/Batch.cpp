#include "cli/Batch.h"

#include "cli/Console.h"
#include "dialogs/cCommonDialog.h"
#include "engine/FolderColour.h"
#include "engine/FolderIcon.h"
#include "engine/IconEntry.h"
#include "engine/IconMessages.h"
#include "engine/PathCheck.h"
#include "runtime/AsciiText.h"
#include "runtime/DecimalText.h"
#include "runtime/Host.h"

#include <string>
#include <vector>

namespace
{
// The most lines one message box lists; the console gets every one.
constexpr size_t kLinesInBox = 20;

// Failures, and folders left alone, as they come: each on the console at once, or kept for one
// message box at the end.
class Report
{
  public:
    Report(Host& host, bool quiet) : m_host(host), m_quiet(quiet) {}

    void Failure(const std::wstring& line)
    {
        Add(line);
        m_failed = true;
    }

    // Not a failure: the folder is as it should stay, but the person asked for it to change.
    void LeftAlone(const std::wstring& line) { Add(line); }

    // Information only: on the console, and in a box that shows for another line.
    void Note(const std::wstring& line)
    {
        Add(line);
        ++m_notes;
    }

    // The exit code: after any line, the summary follows them on the console or heads the box,
    // an error box only after a failure.
    int Finish(const std::wstring& summary)
    {
        const int exitCode = m_failed ? kExitFailed : kExitDone;
        if (m_lines.size() == m_notes)
            return exitCode;
        if (m_console)
        {
            m_console.Write(summary + L"\r\n");
            return exitCode;
        }
        std::wstring text = summary + L"\r\n";
        for (size_t i = 0; i < m_lines.size() && i < kLinesInBox; ++i)
            text += L"\r\n" + m_lines[i];
        if (m_lines.size() > kLinesInBox)
            text += L"\r\n... and " + DecimalText(m_lines.size() - kLinesInBox) + L" more.";
        Say(text, m_failed ? MB_ICONERROR : MB_ICONINFORMATION);
        return exitCode;
    }

    void Say(const std::wstring& text, UINT icon)
    {
        if (m_console)
            m_console.Write(text);
        else if (!m_quiet)
            m_host.ShowMessage(nullptr, text, L"Tessaline", MB_OK | icon);
    }

  private:
    void Add(const std::wstring& line)
    {
        if (m_console)
            m_console.Write(line + L"\r\n");
        m_lines.push_back(line);
    }

    Host& m_host;
    bool m_quiet;
    bool m_failed = false;
    size_t m_notes = 0;
    ConsoleOutput m_console;
    std::vector<std::wstring> m_lines;
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

// Changes each folder that can be changed; a PickColour asks for the colour once the folders are
// known to be worth it.
int ChangeFolders(const CommandLine& command, Report& report, Host& host)
{
    std::wstring icon = command.icon;
    const auto iconRefused = [&] {
        const std::wstring refusal = IconRefusal(icon);
        if (!refusal.empty())
            report.Failure(refusal);
        return !refusal.empty();
    };
    if (command.action == CommandAction::Apply && iconRefused())
        return report.Finish(L"No folder was changed.");
    for (const RepeatedPath& repeat : command.repeats)
    {
        const std::wstring& first = command.paths[repeat.sameAs].Path();
        report.Note(repeat.path + (repeat.path == first ? L"" : L": the same folder as " + first) +
                    L": named twice, done once");
    }
    std::vector<const FolderText*> changeable;
    for (const FolderText& folder : command.paths)
    {
        const std::wstring line = RefusalLine(folder.Path(), CheckPath(folder), PathRole::Folder);
        if (line.empty())
            changeable.push_back(&folder);
        else
            report.Failure(line);
    }
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
    const bool apply = command.action != CommandAction::Remove;
    const size_t count = command.paths.size();
    size_t failed = command.paths.size() - changeable.size();
    size_t leftAlone = 0;
    size_t leftFiles = 0;
    for (const FolderText* folder : changeable)
    {
        // Only what Tessaline put in: batch mode shows no preview of the icon it would take away.
        const IconResult result = apply ? ApplyFolderIcon(*folder, icon)
                                        : RemoveFolderIcon(*folder, RemoveScope::TessalinesOnly);
        const std::wstring line = ResultLine(folder->Path(), result);
        for (const std::wstring& left : result.leftFiles)
            report.LeftAlone(LeftFileLine(left));
        leftFiles += result.leftFiles.size();
        if (result.status == IconStatus::NotTessalines)
        {
            report.LeftAlone(line);
            ++leftAlone;
        }
        else if (!line.empty())
        {
            report.Failure(line);
            ++failed;
        }
    }
    std::wstring summary;
    if (failed != 0)
        summary =
            DecimalText(failed) + L" of " + DecimalText(count) + L" folders could not be changed.";
    if (leftAlone != 0)
        summary += std::wstring(summary.empty() ? L"" : L" ") + DecimalText(leftAlone) + L" of " +
                   DecimalText(count) + (leftAlone == 1 ? L" folders was" : L" folders were") +
                   L" left alone.";
    if (leftFiles != 0)
        summary += std::wstring(summary.empty() ? L"" : L" ") + DecimalText(leftFiles) +
                   (leftFiles == 1 ? L" file" : L" files") +
                   L" of Tessaline's could not be deleted yet.";
    return report.Finish(summary);
}
} // namespace

int RunBatch(const CommandLine& command, Host& host)
{
    Report report(host, command.quiet);
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
        return ChangeFolders(command, report, host);
    case CommandAction::OpenWindow:
        break;
    }
    return kExitUsage;
}
