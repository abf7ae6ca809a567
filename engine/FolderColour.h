#pragma once
// Coloured folders: the folder icon of the Windows the program runs on, in a colour the person
// picks, as the bytes of an .ico file to put into the folder.

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/FolderPath.h"
#include "engine/IconLocation.h"

// Reads "#RRGGBB": '#' and six hex digits of either case, nothing before or after. False, and
// the colour untouched, for any other text.
bool ParseColourText(const std::wstring& text, COLORREF* colour);

// The colour as "#RRGGBB" in upper case: its one spelling, for file names and the box.
std::wstring ColourText(COLORREF colour);

// What Explorer shows for a plain folder: the stock folder icon on Vista and later, shell32's
// closed folder on XP.
IconLocation SystemFolderIcon();

// The system's folder icon, every size it has up to 256 × 256, in the colour, as the bytes of an
// .ico file made from the recipe ColourText (see IconFileBytes). Empty when it can't be made. The
// last colour's file is kept, so that many folders in one colour cost one icon.
const std::string& ColouredFolderIconFile(COLORREF colour);

// The name of the colour's icon file in a folder, "Tessaline-colour2-RRGGBB.ico": it says whose it
// is, and a new colour or a new look is a new name, which the shell's icon cache has never seen.
std::wstring ColourFileName(COLORREF colour);

// Whether a name, as a desktop.ini gives it, is such a file's, in any case and in no other folder:
// today's, or the first look's "Tessaline-colour-RRGGBB.ico", which the next change deletes.
bool IsColourFileName(const std::wstring& name);

// Whether the bytes are the icon that Tessaline made for the colour that a colour file's name
// gives, by its recipe: on whatever Windows it was made, whatever the images. For a name of the
// first look, also the images alone that releases before the recipe wrote.
bool IsMadeColourFile(const std::string& bytes, const std::wstring& name);

// The colour that an icon text stands for: "#RRGGBB" (see ParseColourText), or a colour file's
// path, in this folder or another, without an index or with 0 (its name gives the colour): a
// folder never names another folder's colour file, which goes when that folder's colour does.
bool IconTextColour(const FolderText& folder, const std::wstring& iconText, COLORREF* colour);
