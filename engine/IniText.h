#pragma once
// A settings file as lines that remember their own bytes and endings: change some lines, join
// them again, and every line left alone comes back exactly as it was, encoding included.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Why a file is not a settings file that can be changed safely.
enum class IniFault
{
    None,
    TooLarge,    // more than 64 KB
    NulByte,     // a NUL byte, or a NUL character in UTF-16
    OddLength,   // UTF-16 with an odd number of bytes
    Directory,   // a folder, not a file
    EditedLines, // Tessaline's lines edited so that they can't be told from anyone else's
    NotExact,    // it would have to become UTF-16, and a line would not come back exactly
    BrokenLine,  // bytes that are no text in the code page take in a line break
    Link,        // a symbolic link or another reparse point: a replace would make it a plain file
    HardLinks,   // a file of more names than one: a replace would part it from the others
};

// The most that a settings file may hold.
constexpr size_t kMaxIniBytes = 64 * 1024;

// Checks the bytes of a file before they are read as lines.
IniFault CheckIniBytes(const std::string& bytes);

// The text in the system's ANSI code page, or false when any character would be replaced or
// approximated there.
bool ToAnsiExactly(const std::wstring& text, std::string& ansi);
// UTF-16 LE code units as bytes, without a byte-order mark.
std::string ToUtf16Le(const std::wstring& text);

struct IniLine
{
    std::wstring text;   // as the profile functions read it, without the ending
    std::wstring ending; // L"\r\n", L"\n", L"\r", or L"" for a last line that has none
    std::string bytes;   // the text as the file holds it
};

// What the profile functions make of a line.
enum class IniLineKind
{
    Blank,
    Comment, // starts with ';'
    Section, // "[name]", or "[name" to the line's end, as the profile functions read it
    Key,     // anything else: "name=value", or a name alone
};

IniLineKind KindOf(const std::wstring& text);
// The section's name between '[' and the last ']' (or the line's end), or the key's name before
// '=', without the blanks around it.
std::wstring NameOf(const std::wstring& text);
// What the profile reader trims around a line, a name and a value: the ASCII spaces (a tab, a
// vertical tab, a form feed too) and Ctrl-Z; not a no-break space.
bool IsProfileBlank(wchar_t c);
// The text without the blanks around it, as the profile reader trims them.
std::wstring TrimBlanks(const std::wstring& text);
// Names compare as the profile functions compare them: without regard to case.
bool SameName(const std::wstring& name, std::wstring_view other);

class IniText
{
  public:
    // Bytes that CheckIniBytes accepts: UTF-16 LE after its byte-order mark, otherwise text in
    // the ANSI code page as the ANSI profile functions read it.
    explicit IniText(const std::string& bytes);

    std::vector<IniLine>& Lines() { return m_lines; }
    const std::vector<IniLine>& Lines() const { return m_lines; }
    std::string Bytes() const;

    bool IsUtf16() const { return m_utf16; }
    // Whether the file's encoding holds the text unchanged.
    bool CanHold(const std::wstring& text) const;
    // The whole file in UTF-16 with a byte-order mark, every line's text unchanged; false, and
    // the file as it was, where a line's bytes would not come back from it exactly.
    bool ToUtf16();
    // The whole file in the ANSI code page, when every line's text converts exactly; otherwise
    // it stays as it is.
    void ToAnsiWhereExact();
    // The text in the file's encoding; the text must be one that it can hold.
    std::string Encode(const std::wstring& text) const;
    IniLine NewLine(const std::wstring& text) const;

  private:
    bool m_utf16 = false;
    std::vector<IniLine> m_lines;
};
