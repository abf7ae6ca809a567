#include "ui/FolderMenuVerb.h"

#include "runtime/UniqueAny.h"

#include <shlwapi.h>


namespace
{
const std::wstring kCommandKey = std::wstring(kFolderMenuVerbKey) + L"\\command";

// Sets one text of a key (a null name is the default value), making the key where it is missing.
DWORD WriteText(const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    HKEY created = nullptr;
    LONG error = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, &created, nullptr);
    if (error != ERROR_SUCCESS)
        return static_cast<DWORD>(error);
    UniqueHkey key(created);
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return static_cast<DWORD>(RegSetValueExW(
        key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes));
}

DWORD DeleteKey(const std::wstring& path)
{
    const LONG error = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(error);
}

// A verb's text, exe's icon, and the command, that runs exe with the arguments and the folder.
DWORD WriteVerb(const std::wstring& path, const wchar_t* textName, const wchar_t* text,
                const std::wstring& exe, const wchar_t* arguments)
{
    DWORD error = WriteText(path, textName, text);
    if (error == ERROR_SUCCESS)
        error = WriteText(path, L"Icon", exe + L",0");
    return error ? error
                 : WriteText(path + L"\\command", nullptr,
                             L"\"" + exe + L"\" " + arguments + L"\"%1\"");
}

// The items of the "Folder colour" submenu, in the order of their keys' names.
struct ColourItem
{
    const wchar_t* key;
    const wchar_t* text;
    const wchar_t* arguments;
    // "Player" offers the item for any number of folders, each started with its own copy.
    const wchar_t* multiSelect;
};
constexpr ColourItem kColourItems[] = {
    {L"0 Red", L"Red", L"/apply #D9433B ", L"Player"},
    {L"1 Orange", L"Orange", L"/apply #EE8A2A ", L"Player"},
    {L"2 Yellow", L"Yellow", L"/apply #E8C21F ", L"Player"},
    {L"3 Green", L"Green", L"/apply #43A047 ", L"Player"},
    {L"4 Teal", L"Teal", L"/apply #1E9E98 ", L"Player"},
    {L"5 Blue", L"Blue", L"/apply #3A7BD5 ", L"Player"},
    {L"6 Purple", L"Purple", L"/apply #8E4EC6 ", L"Player"},
    {L"7 Pink", L"Pink", L"/apply #D9508F ", L"Player"},
    {L"8 Grey", L"Grey", L"/apply #8A8F98 ", L"Player"},
    // One colour dialog for one folder: offered when a single folder is selected.
    {L"9 Other", L"Other colour...", L"/colour ", L"Single"},
    {L"z Default", L"Default", L"/remove ", L"Player"},
};

DWORD AddColourVerb(const std::wstring& exe, bool submenus)
{
    const std::wstring root = kFolderColourVerbKey;
    // XP shows no submenu of a registered verb: the colour dialog is its one way in there.
    if (!submenus)
        return WriteVerb(root, nullptr, L"Folder colour...", exe, L"/colour ");
    DWORD error = WriteText(root, L"MUIVerb", L"Folder colour");
    if (error == ERROR_SUCCESS)
        error = WriteText(root, L"SubCommands", L"");
    if (error == ERROR_SUCCESS)
        error = WriteText(root, L"Icon", exe + L",0");
    for (const ColourItem& item : kColourItems)
    {
        const std::wstring path = root + L"\\shell\\" + item.key;
        if (error == ERROR_SUCCESS)
            error = WriteVerb(path, L"MUIVerb", item.text, exe, item.arguments);
        if (error == ERROR_SUCCESS)
            error = WriteText(path, L"MultiSelectModel", item.multiSelect);
    }
    return error;
}
} // namespace

bool SystemHasVerbSubmenus()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 1;
    const ULONGLONG condition = VerSetConditionMask(
        VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL), VER_MINORVERSION,
        VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

std::wstring FolderMenuCommand(const std::wstring& exe)
{
    return L"\"" + exe + L"\" \"%1\"";
}

bool FolderMenuVerbRuns(const std::wstring& exe)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kCommandKey.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return false;
    UniqueHkey key(opened);
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    std::wstring command(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(&command[0]),
                         &bytes) != ERROR_SUCCESS)
        return false;
    command.resize(command.find(L'\0'));
    // Windows paths ignore case: the same copy may be named in another case.
    return lstrcmpiW(command.c_str(), FolderMenuCommand(exe).c_str()) == 0;
}

DWORD AddFolderMenuVerb(const std::wstring& exe, bool submenus)
{
    DWORD error = WriteVerb(kFolderMenuVerbKey, nullptr, L"Change folder icon...", exe, L"");
    // A new copy's colours replace an older copy's, whatever they were.
    if (error == ERROR_SUCCESS)
        error = static_cast<DWORD>(SHDeleteKeyW(HKEY_CURRENT_USER, kFolderColourVerbKey));
    if (error == ERROR_FILE_NOT_FOUND)
        error = ERROR_SUCCESS;
    return error ? error : AddColourVerb(exe, submenus);
}

DWORD RemoveFolderMenuVerb()
{
    // The colours first, whole: a key that someone added below the main verb (which can't then be
    // deleted) doesn't keep them.
    DWORD error = static_cast<DWORD>(SHDeleteKeyW(HKEY_CURRENT_USER, kFolderColourVerbKey));
    if (error == ERROR_FILE_NOT_FOUND)
        error = ERROR_SUCCESS;
    // A key with a subkey can't be deleted: the command first.
    if (error == ERROR_SUCCESS)
        error = DeleteKey(kCommandKey);
    return error ? error : DeleteKey(kFolderMenuVerbKey);
}
