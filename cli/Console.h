#pragma once
// Where batch mode writes its lines: the standard output it was given, or the console of the
// program that started it.

#include "runtime/UniqueAny.h"

#include <string>

class ConsoleOutput
{
  public:
    ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // False when there is nowhere to write: started from Explorer or a shortcut.
    explicit operator bool() const { return m_out != nullptr; }
    void Write(const std::wstring& text) const;

  private:
    HANDLE m_out = nullptr;
    UniqueFile m_opened;
};
