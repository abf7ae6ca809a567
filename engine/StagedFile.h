#pragma once
// A file written whole beside its destination and moved into place only once it is complete, so
// that a failed write never leaves a truncated or half-written destination.

#include <windows.h>

#include <string>

class StagedFile
{
  public:
    StagedFile() = default;
    // Deletes the staged file unless it was moved into place.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates a new file with a unique name in the folder, writes the bytes, flushes and closes it.
    // Returns ERROR_SUCCESS or the Windows error number.
    DWORD Write(const std::wstring& folderText, const std::string& bytes);

    // Moves the staged file onto target, replacing a file there, or with replace false only where
    // there is none (ERROR_ALREADY_EXISTS otherwise). Returns ERROR_SUCCESS or the Windows error
    // number; on failure the target is as it was.
    DWORD MoveOnto(const std::wstring& target, bool replace = true);

    // Puts the staged file in the place of target, an existing file that may be opened for
    // writing, keeping what target carries besides its bytes (ReplaceFileW: its permissions,
    // owner and alternate streams). Tried again over about a second while another program holds
    // target. Returns ERROR_SUCCESS or the Windows error number; on failure target is as it was.
    DWORD ReplaceExisting(const std::wstring& target);

  private:
    std::wstring m_path;
};

// Deletes the file, tried again over about a second while another program holds it open without
// delete sharing. Returns ERROR_SUCCESS or the Windows error number.
DWORD DeleteWhenFree(const std::wstring& path);

// Reads the file from where it stands: up to limit bytes, and one more that tells a larger file.
bool ReadUpTo(HANDLE file, size_t limit, std::string& bytes);
