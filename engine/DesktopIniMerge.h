#pragma once
// Tessaline's lines in a desktop.ini that Windows and other programs write too: put in and taken
// out again without changing a byte of any line that isn't Tessaline's.
//
// Tessaline's block runs from ";for Windows 7/8/8.1" to "; TESL (Tessaline) <version>", the
// nearest such first line above such a last one in the same section; its comments are known in
// any case and spacing. Whatever shape its icon keys have by now (rewritten by the folder's
// Properties, re-cased, deleted), they are Tessaline's; any other line that someone put between
// the two is kept. What an apply changed beyond the block (the keys it set aside, the file's
// encoding, the marks of the file and the folder) is remembered in comments inside it, so that a
// removal can undo exactly that. Where the lines can't be proven Tessaline's (a last line without
// its first, a note outside a block, a first line followed by icon keys and no last line), the
// file is refused rather than guessed at.

#include <windows.h>

#include "engine/IconEntry.h"
#include "engine/IniText.h"

#include <optional>
#include <string>
#include <vector>

// The marks of the folder and of its desktop.ini before an apply.
struct PriorMarks
{
    bool folderReadOnly = true;
    DWORD fileMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
};

struct AppliedIni
{
    std::string bytes;               // may be larger than a settings file may be
    IniFault fault = IniFault::None; // why the file can't be changed: then no bytes
};

// The file after an apply. Tessaline's block goes right after the first [.ShellClassInfo] header
// (the one the shell reads), or, with no such section holding anything, that section and the
// block go ahead of the first section. The icon keys that someone else wrote in the section are
// set aside as comments that a removal brings back. A file that holds nothing but Tessaline's
// lines, section headers of that name and blank lines becomes the nine lines of a new file.
// existing must pass CheckIniBytes.
AppliedIni AppliedDesktopIni(const std::string& existing, const IconEntry& icon,
                             const PriorMarks& before);

struct RemovedIni
{
    IniFault fault = IniFault::None;      // why the file can't be changed: then nothing else holds
    std::optional<std::string> bytes;     // the file after the removal; none when it is to go
    bool tessalines = false;              // the file held Tessaline's block
    bool foreignIcon = false;             // without it, the file names an icon: someone else's
    bool folderReadOnly = true;           // whether the folder is to keep its read-only mark
    DWORD fileMarksAdded = 0;             // the file's marks that the apply added
    std::vector<std::wstring> blockFiles; // see BlockIconFiles
};

// The file after a removal: Tessaline's block and a header that only it needed taken out, and
// the lines it set aside brought back wherever they are now, in the encoding the file had before
// the apply where its text allows; without the block, the icon keys that someone else set. No
// bytes when neither a key nor a comment is left, and the file is to go. existing must pass
// CheckIniBytes.
RemovedIni RemovedDesktopIni(const std::string& existing);

// The icon files that Tessaline's blocks name (IconFile, and IconResource without its index), as
// written: a file that an apply wrote into the folder is named there and nowhere else.
std::vector<std::wstring> BlockIconFiles(const std::string& existing);

// The icon that the shell shows from the file: the first [.ShellClassInfo] section's first
// IconResource, or else its IconFile with IconIndex ("file,index", 0 without one), as written;
// empty text for neither. Tessaline's where a block of Tessaline's holds the key.
struct ShownIcon
{
    std::wstring text;
    bool tessalines = false;
};
ShownIcon ShownDesktopIcon(const std::string& existing);
