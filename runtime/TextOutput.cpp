#include "runtime/TextOutput.h"

#include "runtime/Error.h"
#include "runtime/SystemError.h"

namespace
{
// WideCharToMultiByte fails with ERROR_INVALID_FLAGS (or ERROR_INVALID_PARAMETER) when these code
// pages are given WC_NO_BEST_FIT_CHARS or asked whether a default was used.
bool TakesNoFlags(UINT codePage)
{
    return codePage == 42 || codePage == CP_UTF7 || codePage == CP_UTF8 || codePage == 54936 ||
           (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011);
}

bool Convert(const std::wstring& text, UINT codePage, DWORD flags, BOOL* defaulted,
             std::string& bytes)
{
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, defaulted);
    bytes.resize(static_cast<size_t>(size > 0 ? size : 0));
    return size > 0 && WideCharToMultiByte(codePage, flags, text.data(), length, &bytes[0], size,
                                           nullptr, defaulted) == size;
}

// Whether the bytes read back in codePage give the text.
bool ReadsBack(const std::string& bytes, UINT codePage, const std::wstring& text)
{
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring back(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    return length > 0 &&
           MultiByteToWideChar(codePage, 0, bytes.data(), size, &back[0], length) == length &&
           back == text;
}
} // namespace

std::string ToCodePage(const std::wstring& text, UINT codePage, bool* usedDefault)
{
    BOOL defaulted = FALSE;
    std::string bytes;
    if (!text.empty())
    {
        // Where the code page takes no flag (or refuses it), a round trip tells what it could
        // not carry.
        const bool asked = !TakesNoFlags(codePage) &&
                           Convert(text, codePage, WC_NO_BEST_FIT_CHARS, &defaulted, bytes);
        if (!asked && Convert(text, codePage, 0, nullptr, bytes))
            defaulted = !ReadsBack(bytes, codePage, text);
        else if (!asked)
        {
            // A code page the system can't convert to at all: UTF-8 rather than nothing.
            Convert(text, CP_UTF8, 0, nullptr, bytes);
            defaulted = TRUE;
        }
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
