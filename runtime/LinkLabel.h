#pragma once
// A link label: text in the given (underlined) font that reports clicks like a label does
// (WM_COMMAND with STN_CLICKED), and that keyboard users can reach: it takes the focus in the
// tab order, shows it, and opens on Enter or Space.

#include <windows.h>

namespace LinkLabel
{
const wchar_t* ClassName();
}
