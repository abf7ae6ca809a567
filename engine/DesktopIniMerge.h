#pragma once
// Tessaline's lines in a desktop.ini that Windows and other programs write too: put in and taken
// out again without changing a byte of any line that isn't Tessaline's.

#include "engine/IconEntry.h"

#include <optional>
#include <string>

// The file after an apply. Tessaline's block goes right after the first [.ShellClassInfo] header
// (the one the shell reads), or, with no such section holding anything, that section and the
// block go ahead of the first section. The icon keys that someone else wrote in the section are
// set aside as comments that a removal brings back. A file that holds nothing but Tessaline's
// lines, section headers of that name and blank lines becomes the nine lines of a new file.
// existing must pass CheckIniBytes.
std::string AppliedDesktopIni(const std::string& existing, const IconEntry& icon);

// The file after a removal: Tessaline's block and a header that only it needed taken out, or,
// without the block, the icon keys that someone else set; the keys set aside brought back.
// Nothing when neither a key nor a comment is left, and the file is to go. existing must pass
// CheckIniBytes.
std::optional<std::string> RemovedDesktopIni(const std::string& existing);
