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

std::vector<std::wstring> IconBlock(const IconEntry& icon)
{
    // Windows 7 and later read IconResource; XP reads IconFile and IconIndex.
    return {
        std::wstring(kWindows7Comment),
        L"IconResource=" + icon.resource,
        L"",
        std::wstring(kWindowsXpComment),
        L"IconFile=" + icon.file,
        L"IconIndex=" + icon.index,
        L"",
        std::wstring(kProductComment) + VersionText(),
    };
}

std::wstring DesktopIniText(const IconEntry& icon)
{
    std::wstring text = L"[" + std::wstring(kShellSection) + L"]\r\n";
    for (const std::wstring& line : IconBlock(icon))
        text += line + L"\r\n";
    return text;
}

std::string DesktopIniBytes(const IconEntry& icon)
{
    const std::wstring text = DesktopIniText(icon);
    std::string ansi;
    if (ToAnsiExactly(text, ansi))
        return ansi;
    return "\xFF\xFE" + ToUtf16Le(text);
}
