#include "ui/FolderMenuVerb.h"

#include "runtime/UniqueAny.h"

#include <initializer_list>
#include <utility>

namespace
{
const std::wstring kCommandKey = std::wstring(kFolderMenuVerbKey) + L"\\command";

DWORD SetText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return static_cast<DWORD>(
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes));
}

// Creates the key where it is missing and writes its texts (a null name is the default value).
DWORD WriteKey(const std::wstring& path,
               std::initializer_list<std::pair<const wchar_t*, std::wstring>> values)
{
    HKEY created = nullptr;
    LONG error = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, &created, nullptr);
    if (error != ERROR_SUCCESS)
        return static_cast<DWORD>(error);
    UniqueHkey key(created);
    for (const auto& [name, value] : values)
        if (DWORD failed = SetText(key.get(), name, value))
            return failed;
    return ERROR_SUCCESS;
}

DWORD DeleteKey(const std::wstring& path)
{
    const LONG error = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(error);
}
} // namespace

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

DWORD AddFolderMenuVerb(const std::wstring& exe)
{
    DWORD error =
        WriteKey(kFolderMenuVerbKey, {{nullptr, L"Change folder icon..."}, {L"Icon", exe + L",0"}});
    if (error == ERROR_SUCCESS)
        error = WriteKey(kCommandKey, {{nullptr, FolderMenuCommand(exe)}});
    return error;
}

DWORD RemoveFolderMenuVerb()
{
    // A key with a subkey can't be deleted: the command first.
    DWORD error = DeleteKey(kCommandKey);
    if (error == ERROR_SUCCESS)
        error = DeleteKey(kFolderMenuVerbKey);
    return error;
}
