#pragma once
// What only the Unix side under Wine can make: symbolic links (Wine 8's CreateSymbolicLinkW
// answers TRUE and makes nothing), folders whose names differ only in case, another drive letter
// for a folder (as subst makes on Windows). Each is undone when the object goes, before a
// TempFolder that holds it is removed.

#include <windows.h>

#include <string>

// The Unix path of a Windows path under Wine; empty elsewhere.
inline std::string UnixPath(const std::wstring& path)
{
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixFileName != nullptr ? unixFileName(path.c_str()) : nullptr;
    if (name == nullptr)
        return std::string();
    std::string unixPath(name);
    HeapFree(GetProcessHeap(), 0, name);
    return unixPath;
}

// Whether the folder holds an entry of exactly this name, case and all ("Q:" for a drive).
inline bool NamedExactly(const std::wstring& path)
{
    if (path.size() == 2 && path[1] == L':')
        return GetFileAttributesW((path + L"\\").c_str()) != INVALID_FILE_ATTRIBUTES;
    const size_t slash = path.find_last_of(L'\\');
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((path.substr(0, slash) + L"\\*").c_str(), &data);
    bool found = false;
    for (BOOL more = find != INVALID_HANDLE_VALUE; more && !found;
         more = FindNextFileW(find, &data))
        found = path.compare(slash + 1, std::wstring::npos, data.cFileName) == 0;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return found;
}

// Runs a Unix program (Wine starts a Unix binary given by its path) and waits until the entry
// path is there or not, as wanted: Wine gives no exit code of a Unix program, nor a handle that
// waits for its end.
inline bool RunUnix(const std::string& commandLine, const std::wstring& path, bool wanted)
{
    std::wstring command(commandLine.size() + 1, L'\0'); // from UTF-8, as Unix paths are
    command.resize(MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, &command[0],
                                       static_cast<int>(command.size())) -
                   1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int tries = 0; tries < 500 && NamedExactly(path) != wanted; ++tries)
        Sleep(10);
    return NamedExactly(path) == wanted;
}

// A Unix thing at a Windows path, made by a command and removed with "rm" (a link
// goes, not what it leads to).
class UnixMade
{
  public:
    // A symbolic link at link (in a folder that exists) to target.
    static UnixMade Link(const std::wstring& target, const std::wstring& link)
    {
        return Make("/bin/ln -s \"" + UnixPath(target) + "\" ", link, "/bin/rm -f ");
    }
    // A folder at path, though one whose name differs only in case is there.
    static UnixMade Folder(const std::wstring& path)
    {
        return Make("/bin/mkdir ", path, "/bin/rm -rf ");
    }
    // Drive letter drive ("Q:") for the folder target, in the prefix's dosdevices.
    static UnixMade Drive(const std::wstring& target, const std::wstring& drive)
    {
        std::string devices = UnixPath(L"C:\\");
        devices = devices.substr(0, devices.find("/dosdevices/") + 12);
        const std::string name(1, static_cast<char>(drive[0] | 0x20));
        return UnixMade(
            RunUnix("/bin/ln -s \"" + UnixPath(target) + "\" \"" + devices + name + ":\"", drive,
                    true),
            "/bin/rm -f \"" + devices + name + ":\"", drive);
    }

    UnixMade(UnixMade&& other) noexcept
        : m_made(other.m_made), m_undo(std::move(other.m_undo)), m_path(std::move(other.m_path))
    {
        other.m_made = false;
    }
    UnixMade(const UnixMade&) = delete;
    UnixMade& operator=(const UnixMade&) = delete;
    ~UnixMade()
    {
        if (m_made)
            RunUnix(m_undo, m_path, false);
    }
    explicit operator bool() const { return m_made; }

  private:
    static UnixMade Make(const std::string& command, const std::wstring& path,
                         const std::string& undo)
    {
        const size_t slash = path.find_last_of(L'\\');
        const std::string parent = UnixPath(path.substr(0, slash));
        // The name as it is, a dot at its end too, which a conversion of the path would drop.
        const std::wstring name = path.substr(slash + 1);
        std::string utf8(name.size() * 3, '\0');
        utf8.resize(WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()),
                                        &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr));
        const std::string unixPath = "\"" + parent + "/" + utf8 + "\"";
        const bool made = !parent.empty() && RunUnix(command + unixPath, path, true);
        return UnixMade(made, undo + unixPath, path);
    }
    UnixMade(bool made, std::string undo, std::wstring path)
        : m_made(made), m_undo(std::move(undo)), m_path(std::move(path))
    {
    }
    bool m_made;
    std::string m_undo;
    std::wstring m_path;
};
