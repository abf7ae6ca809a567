#pragma once
// Sequential text output: open a path for output (created, or truncated when it exists), write
// lines that end in CR LF, close. Failures throw Error with the Windows error number and its
// description, naming the path.

#include "runtime/UniqueAny.h"

#include <string>

class SequentialTextFile
{
  public:
    enum class Encoding
    {
        Ansi,      // the system's ANSI code page, no byte-order mark
        Utf16LeBom // UTF-16 little-endian after the mark FF FE
    };

    SequentialTextFile() = default;
    ~SequentialTextFile() = default;
    SequentialTextFile(const SequentialTextFile&) = delete;
    SequentialTextFile& operator=(const SequentialTextFile&) = delete;

    void Open(const std::wstring& path, Encoding encoding = Encoding::Ansi,
              DWORD creation = CREATE_ALWAYS);
    void WriteLine(const std::wstring& text);
    // Writes out what is buffered and closes; a file that was not written whole is an error.
    void Close();

  private:
    [[noreturn]] void Fail(DWORD code) const;

    UniqueFile m_file;
    std::wstring m_path;
    Encoding m_encoding = Encoding::Ansi;
    std::string m_buffer;
};

// The bytes of text in codePage; usedDefault tells whether a character had no exact form there
// (no best-fit substitutes are used). A code page that can't be converted to at all gives the
// text in UTF-8, and usedDefault: some text always comes out.
std::string ToCodePage(const std::wstring& text, UINT codePage, bool* usedDefault = nullptr);

// The bytes of text in the ANSI code page, as ToCodePage.
std::string ToAnsi(const std::wstring& text, bool* usedDefault = nullptr);
