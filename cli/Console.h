#pragma once
// Where batch mode writes its lines: the standard output it was given, or the console of the
// program that started it.

#include "runtime/UniqueAny.h"

#include <string>

class ConsoleOutput
{
  public:
    // utf8: into a file or a pipe the text goes as UTF-8, which holds every path, rather than in
    // the console's code page.
    explicit ConsoleOutput(bool utf8 = false);
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // False when there is nowhere to write: started from Explorer or a shortcut.
    explicit operator bool() const { return m_out != nullptr; }
    void Write(const std::wstring& text) const;
    // The width of the console's window, where a line can be written over; 0 for a file or a pipe.
    size_t Columns() const;

  private:
    HANDLE m_out = nullptr;
    bool m_utf8;
    UniqueFile m_opened;
};
