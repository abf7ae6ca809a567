#pragma once
// The life in a folder of every icon file Tessaline makes (a colour, a picture): named from its
// recipe, written staged, hidden and system, never over a file that isn't Tessaline's, known again
// as Tessaline's by its name and recipe, deleted by Remove and by the next Apply.

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "engine/FolderIcon.h"
#include "engine/FolderPath.h"

// The most a made icon file may hold, as read back: a picture's may take 256 KB.
constexpr std::size_t kMadeFileLimit = 256 * 1024;

// An icon that Tessaline made, ready for a folder: its name there and its bytes, kept by its
// maker for the next folder.
struct MadeFile
{
    std::wstring name;
    const std::string* bytes = nullptr;
};

// Whether a name, as a desktop.ini gives it, in any case, is a made file's of any kind.
bool IsMadeFileName(const std::wstring& name);

// Whether the bytes are the made file of that name: its recipe fits the name (or, for a colour's
// name of releases before the recipe, the bytes are what they wrote).
bool IsMadeFileOf(const std::string& bytes, const std::wstring& name);

// The file's bytes, up to kMadeFileLimit and one more; empty where it can't be read.
std::string ReadMadeFile(const std::wstring& path);

// What the folder's own made file that a value of Tessaline's lines names was made from (its
// recipe: "#RRGGBB", "picture <digest> <name>"), as text; empty for a value that names none.
std::wstring MadeFileRecipe(const FolderText& folder, const std::wstring& value);

// What putting a made file in place changed, for a failure that follows to undo.
struct PlacedFile
{
    std::wstring created;                             // a new file's path
    std::wstring marked;                              // an existing file given Tessaline's marks
    DWORD formerAttributes = INVALID_FILE_ATTRIBUTES; // what that one had

    void Undo() const;
};

// Writes the made file into the folder, unless it is there already, Tessaline's or named by the
// values of its lines (own). A file of that name that is neither is someone else's, and never
// replaced: MadeFileTaken.
IconResult PutMadeFile(const FolderText& folder, const MadeFile& made,
                       const std::vector<std::wstring>& own, PlacedFile& placed);

// Deletes the folder's made files but the one kept: those that the values of Tessaline's lines
// name, and those left from before. Returns the paths of those that stay, held open by another
// program.
std::vector<std::wstring> DeleteMadeFiles(const FolderText& folder,
                                          const std::vector<std::wstring>& values,
                                          const std::wstring& kept = std::wstring());
