#pragma once
// The tests' icon library, built beside the test programs (support/iconlibrary): four icons of
// one opaque colour each, at indexes 0 to 3, resource ids 101 to 104.

#include <windows.h>

#include <string>

constexpr COLORREF kLibraryColours[] = {RGB(255, 0, 0), RGB(0, 128, 0), RGB(0, 0, 255),
                                        RGB(255, 255, 0)};
constexpr int kLibraryIcons = 4;
constexpr int kLibraryFirstResourceId = 101;

inline std::wstring IconLibraryPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"iconlibrary.dll";
}
