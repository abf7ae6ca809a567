#pragma once
// Registration of the program's own control classes, once per process.

#include <windows.h>

// Registers a child-control class with the arrow cursor and extraBytes of window memory, the
// first time it is asked for; returns its name.
inline const wchar_t* RegisterControlClass(const wchar_t* name, WNDPROC windowProc,
                                           int extraBytes = 0)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc))
    {
        wc.lpfnWndProc = windowProc;
        wc.cbWndExtra = extraBytes;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = name;
        RegisterClassExW(&wc);
    }
    return name;
}
