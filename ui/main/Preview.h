#pragma once
// The icon preview of the main window.

#include "runtime/PictureBox.h"

#include <string>

// Draws the icon at index of the file (a negative index is a resource id) at the system's
// large-icon size scaled to the window's dpi, its top-left corner at (7, 7) of the picture at 96
// DPI. Draws nothing for a file without such an icon. The caller clears the picture first.
void DrawPreviewIcon(PictureBox& picture, int dpi, const std::wstring& path, int index = 0);

// Draws the folder in the colour as Apply writes it, at the same size and place. Draws nothing
// when the system's folder icon can't be read.
void DrawPreviewColour(PictureBox& picture, int dpi, COLORREF colour);

// Draws the icon that Tessaline made (the bytes of its .ico file) as Apply writes it, at the same
// size and place.
void DrawPreviewMade(PictureBox& picture, int dpi, const std::string& file);
