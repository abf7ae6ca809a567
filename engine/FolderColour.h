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

// The colour's file as releases before the made icon's trailer wrote it on this Windows: the
// images alone, in their way of colouring. Empty when it can't be made.
std::string EarlierColourFileBytes(COLORREF colour);

// The name of the colour's icon file in a folder, "Tessaline-colour-RRGGBB.ico": it says whose it
// is, and a new colour is a new name, which the shell's icon cache has never seen.
std::wstring ColourFileName(COLORREF colour);
// What FindFirstFileW finds such files by.
constexpr wchar_t kColourFilePattern[] = L"Tessaline-colour-*.ico";

// Whether a name, as a desktop.ini gives it, is such a file's, in any case and in no other folder.
bool IsColourFileName(const std::wstring& name);

// Whether the bytes are the icon that Tessaline made for the colour that a colour file's name
// gives, by its recipe: on whatever Windows it was made, whatever the images.
bool IsMadeColourFile(const std::string& bytes, const std::wstring& name);

// The colour that an icon text stands for: "#RRGGBB" (see ParseColourText), or a colour file's
// path, in this folder or another, without an index or with 0 (its name gives the colour): a
// folder never names another folder's colour file, which goes when that folder's colour does.
bool IconTextColour(const FolderText& folder, const std::wstring& iconText, COLORREF* colour);
