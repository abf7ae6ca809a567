#include "cli/Console.h"

#include "runtime/TextOutput.h"

ConsoleOutput::ConsoleOutput(bool utf8) : m_utf8(utf8)
{
    // On Windows a program of the GUI subsystem has no console until it attaches to its parent's;
    // under Wine it has the parent's handles already and the attach fails. A valid standard
    // handle counts either way.
    const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    m_out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (m_out == INVALID_HANDLE_VALUE)
        m_out = nullptr;
    if (m_out == nullptr && attached)
    {
        m_opened.reset(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
        m_out = m_opened ? m_opened.get() : nullptr;
    }
}

void ConsoleOutput::Write(const std::wstring& text) const
{
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(m_out, &mode))
    {
        WriteConsoleW(m_out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // Redirected to a file or a pipe: the console's code page, as the system's own commands write.
    const UINT codePage = m_utf8 ? CP_UTF8 : GetConsoleOutputCP();
    const std::string bytes = ToCodePage(text, codePage != 0 ? codePage : GetOEMCP());
    WriteFile(m_out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

size_t ConsoleOutput::Columns() const
{
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    return GetConsoleScreenBufferInfo(m_out, &screen) && screen.dwSize.X > 0
               ? static_cast<size_t>(screen.dwSize.X)
               : 0;
}
