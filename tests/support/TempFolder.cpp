#include "support/TempFolder.h"

#include <windows.h>

#include <stdexcept>

namespace
{
std::wstring UniqueName()
{
    static unsigned counter = 0;
    return L"tessaline-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
}
} // namespace

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH)
        throw std::runtime_error("GetTempPathW failed");
    m_path = std::wstring(temp) + UniqueName();
    if (!CreateDirectoryW(m_path.c_str(), nullptr))
        throw std::runtime_error("CreateDirectoryW failed");
}

TempFolder::~TempFolder()
{
    RemoveTree(m_path);
}

std::wstring TempFolder::MakeFolder(const std::wstring& name) const
{
    std::wstring path = *this / name;
    if (!CreateDirectoryW(path.c_str(), nullptr))
        throw std::runtime_error("CreateDirectoryW failed");
    return path;
}

std::wstring TempFolder::WriteFile(const std::wstring& name, const std::string& bytes) const
{
    std::wstring path = *this / name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("CreateFileW failed");
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size())
        throw std::runtime_error("WriteFile failed");
    return path;
}

std::string ReadFileBytes(const std::wstring& path, bool* ok)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (ok)
        *ok = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

void RemoveTree(const std::wstring& path)
{
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return;
    // A link goes, not what it leads to (a drive's root, for some tests).
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT)
    {
        if (!RemoveDirectoryW(path.c_str()))
            DeleteFileW(path.c_str());
        return;
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY))
    {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}
