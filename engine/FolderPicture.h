#pragma once
// Pictures as folder icons: a picture file (PNG, JPEG, GIF, BMP, TIFF, any still-picture format
// the system's codecs read) made into an .ico file to put into the folder.

#include <cstdint>
#include <string>

#include "engine/FolderIcon.h"

// A picture file larger than this is not read: it is no icon's picture.
constexpr std::uint64_t kLargestPictureFile = 64 * 1024 * 1024;

// The name of a picture's icon file in a folder, "Tessaline-picture-" and the digest of the
// picture's bytes in eight hex digits: a changed picture is a new name, which the shell's icon
// cache has never seen.
std::wstring PictureFileName(std::uint32_t digest);

// Whether a name, as a desktop.ini gives it, is such a file's, in any case.
bool IsPictureFileName(const std::wstring& name);

// Whether the bytes are the icon that Tessaline made of the picture that the name's digest gives,
// by its recipe ("picture", the digest and the picture's file name, in UTF-8).
bool IsMadePictureFile(const std::string& bytes, const std::wstring& name);

// What a picture file makes: its icon file, or why none.
struct PictureFile
{
    std::uint32_t digest = 0;           // of the picture's bytes, for the made file's name
    const std::string* bytes = nullptr; // the .ico file; none where the picture gives none
    IconProblem problem = IconProblem::None;
    bool picture = false; // whether the file is a picture at all (some codec reads it, or its
                          // extension says so)
};

// The icon made of the picture file at path (full), or why it gives none. The last picture's file
// is kept, so that many folders with one picture cost one icon, and made again when the picture
// changes meanwhile.
const PictureFile& MadePictureFile(const std::wstring& path);
