#include "engine/StagedFile.h"

#include "runtime/DecimalText.h"
#include "runtime/UniqueAny.h"

namespace
{
constexpr int kNameAttempts = 100;
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
    const std::wstring stem =
        folderText + L"\\~desktop.ini." + DecimalText(GetCurrentProcessId()) + L".";
    const DWORD tick = GetTickCount();
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt)
    {
        path = stem + DecimalText(tick + static_cast<DWORD>(attempt)) + L".tmp";
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

DWORD StagedFile::MoveOnto(const std::wstring& target)
{
    if (!MoveFileExW(m_path.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return GetLastError();
    m_path.clear();
    return ERROR_SUCCESS;
}
