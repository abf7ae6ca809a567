#pragma once
// Tessaline's lines in a desktop.ini that Windows and other programs write too: put in and taken
// out again without changing a byte of any line that isn't Tessaline's.
//
// Tessaline's block runs from ";for Windows 7/8/8.1" to "; TESL (Tessaline) <version>". Whatever
// shape its icon keys have by now (rewritten by the folder's Properties, re-cased, deleted), they
// are Tessaline's; any other line that someone put between the two is kept. What an apply changed
// beyond the block (the file's encoding, the folder's read-only mark) is remembered in comments
// inside it, so that a removal can undo exactly that.

#include "engine/IconEntry.h"

#include <optional>
#include <string>
#include <vector>

// The file after an apply. Tessaline's block goes right after the first [.ShellClassInfo] header
// (the one the shell reads), or, with no such section holding anything, that section and the
// block go ahead of the first section. The icon keys that someone else wrote in the section are
// set aside as comments that a removal brings back. A file that holds nothing but Tessaline's
// lines, section headers of that name and blank lines becomes the nine lines of a new file.
// folderReadOnly: whether the folder had the read-only mark before this apply. existing must pass
// CheckIniBytes; the result may be larger than a settings file may be.
std::string AppliedDesktopIni(const std::string& existing, const IconEntry& icon,
                              bool folderReadOnly);

struct RemovedIni
{
    std::optional<std::string> bytes; // the file after the removal; none when it is to go
    bool tessalines = false;          // the file held Tessaline's block
    bool foreignIcon = false;         // without it, the file names an icon: someone else's
    bool folderReadOnly = true;       // whether the folder had the read-only mark before the apply
    std::vector<std::wstring> blockFiles; // see BlockIconFiles
};

// The file after a removal: Tessaline's block and a header that only it needed taken out, and
// the keys it set aside below it brought back, in the encoding the file had before the apply
// where its text allows; without the block, the icon keys that someone else set. No bytes when
// neither a key nor a comment is left, and the file is to go. existing must pass CheckIniBytes.
RemovedIni RemovedDesktopIni(const std::string& existing);

// The icon files that Tessaline's blocks name (IconFile, and IconResource without its index), as
// written: a file that an apply wrote into the folder is named there and nowhere else.
std::vector<std::wstring> BlockIconFiles(const std::string& existing);
