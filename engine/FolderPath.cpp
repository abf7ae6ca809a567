#include "engine/FolderPath.h"

#include <windows.h>

namespace
{
bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c)
{
    return (c | 0x20) >= L'a' && (c | 0x20) <= L'z';
}

// Only "X:\..." and "\\server\share..." name one place wherever the program's current drive
// and folder are (the open dialog moves them); PathIsRelativeW passes "X:..." and "\...".
bool IsFullPath(const std::wstring& text)
{
    if (text.size() >= 3 && text[1] == L':' && IsSeparator(text[2]))
        return IsDriveLetter(text[0]);
    if (text.size() < 5 || !IsSeparator(text[0]) || !IsSeparator(text[1]) || IsSeparator(text[2]))
        return false;
    const size_t share = text.find_first_of(L"\\/", 2);
    return share != std::wstring::npos && share + 1 < text.size() && !IsSeparator(text[share + 1]);
}

// "C:\x\.." and "\\server\share\" are roots too: the system's own resolution decides.
bool IsRoot(const std::wstring& text)
{
    std::wstring full = SystemFullPath(text);
    while (!full.empty() && full.back() == L'\\')
        full.pop_back();
    if (full.size() == 2 && full[1] == L':')
        return true;
    // Past the leading "\\": "server\share" holds one separator, a folder below it more.
    return full.compare(0, 2, L"\\\\") == 0 &&
           full.find(L'\\', full.find(L'\\', 2) + 1) == std::wstring::npos;
}
} // namespace

std::wstring SystemFullPath(const std::wstring& text)
{
    const DWORD size = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return L"";
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(text.c_str(), size, &full[0], nullptr);
    full.resize(length < size ? length : 0);
    return full;
}

FolderPathKind ClassifyFolderPath(const std::wstring& folderText)
{
    // "C:" alone is where C:'s current folder is, but a person typing it means the drive.
    if (folderText.size() == 2 && folderText[1] == L':' && IsDriveLetter(folderText[0]))
        return FolderPathKind::Root;
    if (!IsFullPath(folderText))
        return FolderPathKind::Relative;
    return IsRoot(folderText) ? FolderPathKind::Root : FolderPathKind::Folder;
}
