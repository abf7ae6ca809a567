#include "engine/StagedFile.h"

#include "runtime/UniqueAny.h"

namespace
{
constexpr int kNameAttempts = 100;
// A moment after every write, a scanner, the indexer or Explorer may hold the file open without
// delete sharing; a move or a delete is tried again over about a second before it counts as
// failed.
constexpr int kMoveAttempts = 10;
constexpr DWORD kMoveRetryMs = 100;

// "~dt" + four hex digits + ".tmp": eleven characters, as many as "desktop.ini". Windows keeps
// a folder path short enough for a backslash and an 8.3 name below MAX_PATH, so where
// desktop.ini fits, this name fits too.
std::wstring StagedName(DWORD number)
{
    const wchar_t* digits = L"0123456789abcdef";
    std::wstring name = L"~dt";
    for (int shift = 12; shift >= 0; shift -= 4)
        name += digits[(number >> shift) & 0xF];
    return name + L".tmp";
}

bool IsBusy(DWORD error)
{
    // A replace whose replaced file was held meanwhile answers the last one.
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Tries again over about a second while the file is busy; the last error, or ERROR_SUCCESS.
template <class Attempt> DWORD WhileBusy(Attempt attempt)
{
    DWORD error = ERROR_SUCCESS;
    for (int tries = 0; tries < kMoveAttempts; ++tries)
    {
        if (tries > 0)
            Sleep(kMoveRetryMs);
        error = attempt();
        if (error == ERROR_SUCCESS || !IsBusy(error))
            break;
    }
    return error;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name beside the staged file that nothing has, for the replaced file while it is replaced:
// without one, a replace that fails halfway leaves no file under the target's name.
std::wstring BackupPath(const std::wstring& staged)
{
    const size_t name = staged.find_last_of(L'\\') + 1;
    const DWORD start = GetTickCount() ^ (GetCurrentProcessId() << 8);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt)
    {
        std::wstring path =
            staged.substr(0, name) + StagedName(start + static_cast<DWORD>(attempt));
        path[name + 2] = L'b'; // "~db...": never a staged file's name
        if (!Exists(path))
            return path;
    }
    return std::wstring();
}

// After a failed replace: the replaced file back under its name where the replace left it under
// the backup's (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2), and no backup left beside it.
void PutBack(const std::wstring& target, const std::wstring& backup)
{
    if (!Exists(backup))
        return;
    if (!Exists(target))
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    else
        DeleteFileW(backup.c_str());
}
} // namespace

StagedFile::~StagedFile()
{
    if (!m_path.empty())
        DeleteFileW(m_path.c_str());
}

DWORD StagedFile::Write(const std::wstring& folderText, const std::string& bytes)
{
    // Hidden and system from the start: the file that lands in place never shows for a moment.
    UniqueFile file;
    std::wstring path;
    // Two programs staging in one folder at once start from different numbers.
    const DWORD start = GetTickCount() ^ (GetCurrentProcessId() << 4);
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt)
    {
        path = folderText + L"\\" + StagedName(start + static_cast<DWORD>(attempt));
        file.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr));
        const DWORD error = GetLastError();
        if (!file && error != ERROR_FILE_EXISTS)
            return error;
    }
    if (!file)
        return ERROR_FILE_EXISTS;
    m_path = path;

    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return GetLastError();
    if (written != bytes.size())
        return ERROR_DISK_FULL;
    if (!FlushFileBuffers(file.get()))
        return GetLastError();
    HANDLE handle = file.release();
    if (!CloseHandle(handle))
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD StagedFile::MoveOnto(const std::wstring& target, bool replace)
{
    return WhileBusy([&]() -> DWORD {
        if (!MoveFileExW(m_path.c_str(), target.c_str(),
                         (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH))
            return GetLastError();
        m_path.clear();
        return ERROR_SUCCESS;
    });
}

DWORD StagedFile::ReplaceExisting(const std::wstring& target)
{
    const std::wstring backup = BackupPath(m_path);
    if (backup.empty())
        return ERROR_FILE_EXISTS;
    return WhileBusy([&]() -> DWORD {
        // Opened first as the replace needs it: a file that its permissions keep from being
        // written is refused, not replaced, and a holder shows as the same busy error everywhere.
        UniqueFile file(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        if (!file)
            return GetLastError();
        file.reset();
        if (!ReplaceFileW(target.c_str(), m_path.c_str(), backup.c_str(), 0, nullptr, nullptr))
        {
            const DWORD error = GetLastError();
            PutBack(target, backup);
            return error;
        }
        m_path.clear();
        DeleteWhenFree(backup);
        return ERROR_SUCCESS;
    });
}

DWORD DeleteWhenFree(const std::wstring& path)
{
    return WhileBusy(
        [&]() -> DWORD { return DeleteFileW(path.c_str()) ? ERROR_SUCCESS : GetLastError(); });
}

bool ReadUpTo(HANDLE file, size_t limit, std::string& bytes)
{
    bytes.assign(limit + 1, '\0');
    size_t size = 0;
    DWORD read = 0;
    do
    {
        if (!ReadFile(file, &bytes[size], static_cast<DWORD>(bytes.size() - size), &read, nullptr))
            return false;
        size += read;
    } while (read != 0 && size < bytes.size());
    bytes.resize(size);
    return true;
}
