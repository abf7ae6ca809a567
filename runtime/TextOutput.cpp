#include "runtime/TextOutput.h"

#include "runtime/Error.h"
#include "runtime/SystemError.h"

std::string ToCodePage(const std::wstring& text, UINT codePage, bool* usedDefault)
{
    // UTF-8 takes neither the flag nor the question.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    std::string bytes;
    if (!text.empty())
    {
        int length = static_cast<int>(text.size());
        int size =
            WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
        bytes.resize(static_cast<size_t>(size));
        WideCharToMultiByte(codePage, flags, text.data(), length, &bytes[0], size, nullptr,
                            utf8 ? nullptr : &defaulted);
    }
    if (usedDefault != nullptr)
        *usedDefault = defaulted != FALSE;
    return bytes;
}

std::string ToAnsi(const std::wstring& text, bool* usedDefault)
{
    return ToCodePage(text, CP_ACP, usedDefault);
}

void SequentialTextFile::Open(const std::wstring& path, Encoding encoding, DWORD creation)
{
    m_path = path;
    m_encoding = encoding;
    m_buffer.clear();
    m_file.reset(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, creation,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file)
        Fail(GetLastError());
    if (encoding == Encoding::Utf16LeBom)
        m_buffer.append("\xFF\xFE", 2);
}

void SequentialTextFile::WriteLine(const std::wstring& text)
{
    std::wstring line = text + L"\r\n";
    if (m_encoding == Encoding::Ansi)
    {
        m_buffer += ToAnsi(line);
        return;
    }
    for (wchar_t unit : line)
    {
        auto value = static_cast<unsigned>(unit);
        m_buffer.push_back(static_cast<char>(value & 0xFF));
        m_buffer.push_back(static_cast<char>((value >> 8) & 0xFF));
    }
}

void SequentialTextFile::Close()
{
    if (!m_file)
        return;
    DWORD written = 0;
    BOOL ok = WriteFile(m_file.get(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()),
                        &written, nullptr);
    if (ok && written != m_buffer.size())
    {
        ok = FALSE;
        SetLastError(ERROR_HANDLE_DISK_FULL);
    }
    if (ok)
        ok = FlushFileBuffers(m_file.get());
    DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    m_buffer.clear();
    if (!CloseHandle(m_file.release()) && ok)
    {
        ok = FALSE;
        code = GetLastError();
    }
    if (!ok)
        Fail(code);
}

void SequentialTextFile::Fail(DWORD code) const
{
    throw Error(static_cast<long>(code), m_path + L": " + SystemErrorText(code));
}
