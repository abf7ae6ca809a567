#include "engine/StagedFile.h"

#include "runtime/UniqueAny.h"

namespace
{
constexpr int kNameAttempts = 100;
// A moment after every write, a scanner, the indexer or Explorer may hold the file open without
// delete sharing; the move is tried again over about a second before it counts as failed.
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
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
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
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kMoveAttempts; ++attempt)
    {
        if (attempt > 0)
            Sleep(kMoveRetryMs);
        if (MoveFileExW(m_path.c_str(), target.c_str(),
                        (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH))
        {
            m_path.clear();
            return ERROR_SUCCESS;
        }
        error = GetLastError();
        if (!IsBusy(error))
            break;
    }
    return error;
}
