#pragma once
// Pictures as folder icons: a picture file (PNG, JPEG, GIF, BMP, TIFF, any still-picture format
// the system's codecs read) made into an .ico file to put into the folder.

#include <cstdint>
#include <string>

// The name of a picture's icon file in a folder, "Tessaline-picture-" and the digest of the
// picture's bytes in eight hex digits: a changed picture is a new name, which the shell's icon
// cache has never seen.
std::wstring PictureFileName(std::uint32_t digest);

// Whether a name, as a desktop.ini gives it, is such a file's, in any case.
bool IsPictureFileName(const std::wstring& name);

// Whether the bytes are the icon that Tessaline made of the picture that the name's digest gives,
// by its recipe ("picture", the digest and the picture's file name, in UTF-8).
bool IsMadePictureFile(const std::string& bytes, const std::wstring& name);
