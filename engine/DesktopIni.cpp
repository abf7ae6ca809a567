#include "engine/DesktopIni.h"

#include "engine/IniText.h"
#include "runtime/Version.h"

std::wstring IniPath(const std::wstring& folderText)
{
    return folderText + L"\\desktop.ini";
}

std::wstring FolderAttributePath(const std::wstring& folderText)
{
    return folderText + L"\\";
}

std::vector<std::wstring> IconBlock(const std::wstring& iconText)
{
    // Windows 7 and later read IconResource; XP reads IconFile and IconIndex.
    return {
        L";for Windows 7/8/8.1",
        L"IconResource=" + iconText + L",0",
        L"",
        L";for Windows XP",
        L"IconFile=" + iconText,
        L"IconIndex=0",
        L"",
        std::wstring(kProductComment) + VersionText(),
    };
}

std::wstring DesktopIniText(const std::wstring& iconText)
{
    std::wstring text = L"[" + std::wstring(kShellSection) + L"]\r\n";
    for (const std::wstring& line : IconBlock(iconText))
        text += line + L"\r\n";
    return text;
}

std::string DesktopIniBytes(const std::wstring& iconText)
{
    const std::wstring text = DesktopIniText(iconText);
    std::string ansi;
    if (ToAnsiExactly(text, ansi))
        return ansi;
    return "\xFF\xFE" + ToUtf16Le(text);
}
