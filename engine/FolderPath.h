#pragma once
// What a folder text names, read once where the text comes in (the folder box, the folder picker,
// a drop, an argument, batch mode) into one value that every way in and the engine take: no two
// ways in can disagree on what "C:" or "\\server\share" means, and nothing after the edge makes
// the path full again.

#include <windows.h>

#include <string>

// The longest full path taken from outside the box: a folder's "\desktop.ini", and the file
// staged beside it under a name no longer, stay within MAX_PATH.
constexpr size_t kMaxPathLength = MAX_PATH - 1 - 12;

enum class FolderKind
{
    Folder,           // a full path below a root; what is there (if anything) is not asked
    Empty,            // no text
    ControlCharacter, // a tab, a line break or another character below U+0020
    Relative,         // typed "Photos", "D:Photos", "\Photos": would depend on the current folder
    ServerOnly,       // "\\server" without a share
    DriveRoot,        // "C:" (the drive, as a person typing it means), "C:\", "C:\x\..", "\\?\C:\",
                      // "\\.\C:", "\\?\Volume{...}\"
    ShareRoot,        // "\\server\share", "\\server\share\", "\\?\UNC\server\share"
    TooLong,          // from outside: a full path longer than kMaxPathLength
    DotOrSpaceAtEnd,  // a name in the path ends in a dot or a space ("C:\t\sp "), which the system
                      // drops: it would name the folder without them
    DeviceName,       // a device ("CON", "COM1", "x\aux", "\\.\PhysicalDrive0"), not a folder
};

class FolderText
{
  public:
    // The folder box's text, used as typed: it must be a full path. Windows limits its length.
    static FolderText Typed(const std::wstring& text);
    // A text from outside the box (a drop, an argument, batch mode): made full against the
    // current drive and folder, and held to kMaxPathLength. A drop or the window's argument may
    // name a file: CheckPath tells.
    static FolderText FromOutside(const std::wstring& text);

    // The text as it came.
    const std::wstring& Text() const { return m_text; }
    // The folder as the engine names it in the paths it writes and the lines it reports: a typed
    // text as typed (its desktop.ini is Path() + "\desktop.ini", also after a trailing
    // backslash), a text from outside as its full path.
    const std::wstring& Path() const { return m_typed ? m_text : m_full; }
    // The full path as the system makes it ("." and ".." resolved, "/" read as "\"), without
    // trailing backslashes but a drive root's own ("C:\", "\\?\C:\"); "C:" alone is "C:\". For
    // a text the system can't make full, or not without losing a name's last dots or spaces, the
    // text as it came.
    const std::wstring& Full() const { return m_full; }
    FolderKind Kind() const { return m_kind; }
    // A drive's or a share's root, which takes no folder icon.
    bool IsRoot() const
    {
        return m_kind == FolderKind::DriveRoot || m_kind == FolderKind::ShareRoot;
    }

  private:
    // The one place that decides what a folder text names.
    FolderText(const std::wstring& text, bool typed);

    std::wstring m_text;
    std::wstring m_full;
    FolderKind m_kind = FolderKind::Empty;
    bool m_typed = true;
};

// A tab, CR or LF in a folder or icon text would add lines or keys to desktop.ini.
bool HasControlCharacter(const std::wstring& text);

// The text as GetFullPathNameW makes it full, against the current drive and folder; the text as
// it was when the system can't. For icon texts: a folder text is read into a FolderText.
std::wstring SystemFullPath(const std::wstring& text);

// The full path with short (8.3) names made long; as it was where the system can't tell.
std::wstring LongPath(const std::wstring& full);

// A key under which two names of one folder are equal: where the folder can be opened, its volume
// and file id (so that a link, a subst drive or an 8.3 name leads to it as its own path does, and
// two folders whose names differ only in case in a case-sensitive folder stay two); otherwise the
// long names, without a "\\?\" or "\\.\" prefix, in capitals.
std::wstring FolderKey(const FolderText& folder);

// The path in capitals, as Windows compares file names (without regard to case): a key under
// which two spellings of one path are equal.
std::wstring CaselessPath(const std::wstring& path);
