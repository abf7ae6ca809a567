#pragma once
// The face that this system gives for a font name: Wine substitutes when it has no such font.

#include <windows.h>

#include <string>

inline std::wstring InstalledFace(const wchar_t* name = L"Tahoma")
{
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, name);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return face;
}
