#include "engine/DesktopIni.h"

#include <windows.h>

#include "runtime/Version.h"

namespace
{
// The text in the ANSI code page, or false when any character would be replaced or approximated.
bool ToAnsiExactly(const std::wstring& text, std::string& ansi)
{
    if (text.empty())
        return true;
    const UINT codePage = GetACP();
    // UTF-7 and UTF-8 take neither flag; the round trip below catches what they cannot carry.
    const bool takesFlags = codePage != CP_UTF7 && codePage != CP_UTF8;
    const DWORD flags = takesFlags ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultFlag = takesFlags ? &usedDefault : nullptr;
    const int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr,
                                   usedDefaultFlag);
    if (size <= 0 || usedDefault)
        return false;
    ansi.assign(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), length, &ansi[0], size, nullptr, nullptr);

    std::wstring back(text.size(), L'\0');
    int backLength = MultiByteToWideChar(codePage, 0, ansi.data(), size, &back[0], length);
    return backLength == length && back == text;
}

std::string ToUtf16LeWithBom(const std::wstring& text)
{
    std::string bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (wchar_t unit : text)
    {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    return bytes;
}
} // namespace

std::wstring IniPath(const std::wstring& folderText)
{
    return folderText + L"\\desktop.ini";
}

std::wstring FolderAttributePath(const std::wstring& folderText)
{
    return folderText + L"\\";
}

std::wstring DesktopIniText(const IconEntry& icon)
{
    // Windows 7 and later read IconResource; XP reads IconFile and IconIndex.
    const std::wstring lines[] = {
        L"[.ShellClassInfo]",
        L";for Windows 7/8/8.1",
        L"IconResource=" + icon.resource,
        L"",
        L";for Windows XP",
        L"IconFile=" + icon.file,
        L"IconIndex=" + icon.index,
        L"",
        L"; TESL (Tessaline) " + VersionText(),
    };
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\r\n";
    return text;
}

std::string DesktopIniBytes(const IconEntry& icon)
{
    const std::wstring text = DesktopIniText(icon);
    std::string ansi;
    if (ToAnsiExactly(text, ansi))
        return ansi;
    return ToUtf16LeWithBom(text);
}
