#pragma once
// What a desktop.ini names the icon with, decided from the folder and the icon text as typed:
// the one place that decides what an icon text names, for the window and batch mode alike.

#include "engine/FolderIcon.h"
#include "engine/FolderPath.h"
#include "engine/IconLocation.h"
#include "engine/MadeIconFile.h"

#include <string>

struct IconEntry
{
    IconProblem problem = IconProblem::None; // None, or why the icon text is refused
    std::wstring resource;                   // IconResource: file, a comma, index
    std::wstring file;                       // IconFile
    std::wstring index;                      // IconIndex, in plain decimal
    int iconCount = 0;                       // the icons in the file, for an IndexPastEnd
    MadeFile made{};                         // an icon Tessaline makes: the file to put into the
                                             // folder, which file names; no bytes for others
};

// "path,index" (an integer after the last comma, as the shell reads it) names the icon at index
// of path, unless a file exists under the whole text; any other text is a path with index 0 and
// is not examined. An indexed path must name a file holding that icon. A relative path counts
// from the folder's full path. Environment variables stay as typed; a file inside the folder is
// named relative to it, so the icon travels with the folder. Everything else is written as given.
// A colour (see IconTextColour), a picture (a file that is no icon file or module with icons and
// that the system's codecs read, see MadePictureFile) and another folder's picture file that
// Tessaline made are icons Tessaline makes, named without a path.
IconEntry MakeIconEntry(const FolderText& folder, const std::wstring& iconText);

// The file and index that MakeIconEntry names, as the shell opens them: for the preview.
IconLocation IconTextLocation(const FolderText& folder, const std::wstring& iconText);

// An icon text from outside (batch mode's argument) with the path that MakeIconEntry would read
// out of it made full against the current folder; environment variables, and the comma and
// index, stay as given.
std::wstring FullIconText(const std::wstring& iconText);

// The number of icons in the file: 0 for a file without icons, a folder or no such file.
int IconCount(const std::wstring& path);
