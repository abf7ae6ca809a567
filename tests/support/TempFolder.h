#pragma once
// A real folder under the Wine prefix's temp folder, removed with everything in it (attributes
// cleared first, since the program marks files read-only, hidden and system).

#include <string>

class TempFolder
{
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    // Path of a child: Path() + "\" + name.
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

    std::wstring MakeFolder(const std::wstring& name) const;
    std::wstring WriteFile(const std::wstring& name, const std::string& bytes) const;

  private:
    std::wstring m_path;
};

// Whole-file read, for byte-exact comparisons; empty optional-like flag through ok.
std::string ReadFileBytes(const std::wstring& path, bool* ok = nullptr);
// Removes a file or folder tree, clearing attributes first. Safe on missing paths.
void RemoveTree(const std::wstring& path);
