#include "engine/IniText.h"

#include "runtime/AsciiText.h"

#include <windows.h>

#include <algorithm>

namespace
{
const std::string kUtf16Bom("\xFF\xFE", 2);

bool StartsWithUtf16Bom(const std::string& bytes)
{
    return bytes.compare(0, kUtf16Bom.size(), kUtf16Bom) == 0;
}

std::wstring FromAnsi(const std::string& ansi)
{
    if (ansi.empty())
        return std::wstring();
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, &text[0], length);
    return text;
}

// Calls onLine(text, ending) for each line. A line ends at CR LF, at a lone LF or at a lone CR;
// the last one may have no ending.
template <class Char, class OnLine>
void SplitLines(const std::basic_string<Char>& text, OnLine onLine)
{
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        size_t next = end;
        if (next < text.size() && text[next] == '\r')
            ++next;
        if (next < text.size() && text[next] == '\n')
            ++next;
        onLine(text.substr(start, end - start), text.substr(end, next - end));
        start = next;
    }
}

} // namespace

bool IsProfileBlank(wchar_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

std::wstring TrimBlanks(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsProfileBlank(text[first]))
        ++first;
    while (last > first && IsProfileBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

IniFault CheckIniBytes(const std::string& bytes)
{
    if (bytes.size() > kMaxIniBytes)
        return IniFault::TooLarge;
    if (!StartsWithUtf16Bom(bytes))
    {
        if (bytes.find('\0') != std::string::npos)
            return IniFault::NulByte;
        // In a double-byte code page a stray lead byte before a line break takes it in: the
        // profile reader, which reads the file as one text, sees the next line as part of it.
        const auto breaks = [](const auto& text) {
            return std::count(text.begin(), text.end(), '\r') +
                   std::count(text.begin(), text.end(), '\n');
        };
        return breaks(bytes) == breaks(FromAnsi(bytes)) ? IniFault::None : IniFault::BrokenLine;
    }
    if (bytes.size() % 2 != 0)
        return IniFault::OddLength;
    // U+0000 would end the text for the profile functions, and a NUL byte in ANSI.
    for (size_t i = kUtf16Bom.size(); i < bytes.size(); i += 2)
        if (bytes[i] == '\0' && bytes[i + 1] == '\0')
            return IniFault::NulByte;
    return IniFault::None;
}

bool ToAnsiExactly(const std::wstring& text, std::string& ansi)
{
    ansi.clear();
    if (text.empty())
        return true;
    const UINT codePage = GetACP();
    // UTF-7 and UTF-8 take neither flag; the round trip below catches what they cannot carry.
    const bool takesFlags = codePage != CP_UTF7 && codePage != CP_UTF8;
    const DWORD flags = takesFlags ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultFlag = takesFlags ? &usedDefault : nullptr;
    const int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr,
                                   usedDefaultFlag);
    if (size <= 0 || usedDefault)
        return false;
    ansi.assign(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), length, &ansi[0], size, nullptr, nullptr);

    std::wstring back(text.size(), L'\0');
    int backLength = MultiByteToWideChar(codePage, 0, ansi.data(), size, &back[0], length);
    return backLength == length && back == text;
}

std::string ToUtf16Le(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t unit : text)
    {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
    return bytes;
}

IniLineKind KindOf(const std::wstring& text)
{
    const std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty())
        return IniLineKind::Blank;
    if (trimmed[0] == L';')
        return IniLineKind::Comment;
    // Windows' profile reader ends a header that lacks its ']' at the line break.
    if (trimmed[0] == L'[')
        return IniLineKind::Section;
    return IniLineKind::Key;
}

std::wstring NameOf(const std::wstring& text)
{
    const std::wstring trimmed = TrimBlanks(text);
    if (KindOf(trimmed) == IniLineKind::Section)
    {
        const size_t close = trimmed.rfind(L']');
        return TrimBlanks(trimmed.substr(1, close == std::wstring::npos ? close : close - 1));
    }
    return TrimBlanks(trimmed.substr(0, trimmed.find(L'=')));
}

bool SameName(const std::wstring& name, std::wstring_view other)
{
    return SameAsciiText(name, other);
}

IniText::IniText(const std::string& bytes) : m_utf16(StartsWithUtf16Bom(bytes))
{
    if (!m_utf16)
    {
        SplitLines(bytes, [this](const std::string& text, const std::string& ending) {
            m_lines.push_back({FromAnsi(text), std::wstring(ending.begin(), ending.end()), text});
        });
        return;
    }
    std::wstring units;
    for (size_t i = kUtf16Bom.size(); i + 1 < bytes.size(); i += 2)
    {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<wchar_t>(low | high << 8));
    }
    SplitLines(units, [this](const std::wstring& text, const std::wstring& ending) {
        m_lines.push_back({text, ending, ToUtf16Le(text)});
    });
}

std::string IniText::Bytes() const
{
    std::string bytes = m_utf16 ? kUtf16Bom : std::string();
    for (const IniLine& line : m_lines)
        bytes += line.bytes + Encode(line.ending);
    return bytes;
}

bool IniText::CanHold(const std::wstring& text) const
{
    std::string ansi;
    return m_utf16 || ToAnsiExactly(text, ansi);
}

bool IniText::ToUtf16()
{
    if (m_utf16)
        return true;
    // In a double-byte code page, bytes that are no text there (UTF-8 saved by an editor, a
    // stray lead byte) read as other characters, and back as other bytes.
    std::string back;
    for (const IniLine& line : m_lines)
        if (!ToAnsiExactly(line.text, back) || back != line.bytes)
            return false;
    m_utf16 = true;
    for (IniLine& line : m_lines)
        line.bytes = ToUtf16Le(line.text);
    return true;
}

void IniText::ToAnsiWhereExact()
{
    if (!m_utf16)
        return;
    std::vector<IniLine> lines = m_lines;
    for (IniLine& line : lines)
        if (!ToAnsiExactly(line.text, line.bytes))
            return;
    m_utf16 = false;
    m_lines = std::move(lines);
}

std::string IniText::Encode(const std::wstring& text) const
{
    if (m_utf16)
        return ToUtf16Le(text);
    std::string ansi;
    ToAnsiExactly(text, ansi);
    return ansi;
}

IniLine IniText::NewLine(const std::wstring& text) const
{
    return IniLine{text, L"\r\n", Encode(text)};
}
