#include "engine/FolderPath.h"

#include "engine/FinalPath.h"
#include "runtime/AsciiText.h"

#include <algorithm>
#include <string_view>

namespace
{
bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c)
{
    return (c | 0x20) >= L'a' && (c | 0x20) <= L'z';
}

// Dots and blanks alone name no folder: the system drops them at a path's end.
bool IsDotsAndBlanks(std::wstring_view text)
{
    return text.find_first_not_of(L". ") == std::wstring_view::npos;
}

// "C:" alone is where C:'s current folder is, but a person typing it means the drive; so does
// "C:." or "C: ", which the system reads as "C:".
bool IsDriveAlone(const std::wstring& text)
{
    return text.size() >= 2 && text[1] == L':' && IsDriveLetter(text[0]) &&
           IsDotsAndBlanks(std::wstring_view(text).substr(2));
}

// "...", ". " or "x\..." from outside would be taken as the folder before them; "." and ".." are
// what they say.
bool NamesNoFolder(const std::wstring& text)
{
    std::wstring_view last = text;
    while (!last.empty() && IsSeparator(last.back()))
        last.remove_suffix(1);
    last = last.substr(last.find_last_of(L"\\/") + 1);
    return !last.empty() && IsDotsAndBlanks(last) && last != L"." && last != L"..";
}

// How much of a path names its drive, share or volume rather than folders: "C:", "\\server\share",
// "\\?\C:", "\\?\UNC\server\share", "\\?\Volume{...}".
size_t RootLength(std::wstring_view path)
{
    if (path.size() >= 2 && path[1] == L':' && IsDriveLetter(path[0]))
        return 2;
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
        return 0;
    size_t at = 2, parts = 2;
    if (path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]))
    {
        at = 4;
        parts = SameAsciiText(path.substr(4, 4), L"UNC\\") ? 3 : 1;
    }
    for (; parts > 0; --parts)
    {
        const size_t end = path.find_first_of(L"\\/", at);
        if (end == std::wstring_view::npos)
            return path.size();
        at = end + 1;
    }
    return at;
}

// Whether a name the path keeps ends in a dot or a space: the system drops them as it makes the
// path full, so that "C:\t\sp " names "C:\t\sp" and "C:\a.\b" names "C:\a\b". "." and ".." are
// moves, not names: "C:\t\sp \.." is "C:\t".
bool KeepsDotOrSpaceAtEnd(std::wstring_view text)
{
    text.remove_prefix(RootLength(text));
    // From the end: a name that a ".." after it takes back is not kept.
    size_t takenBack = 0;
    while (!text.empty())
    {
        const size_t start = text.find_last_of(L"\\/");
        const std::wstring_view name =
            start == std::wstring_view::npos ? text : text.substr(start + 1);
        text.remove_suffix(std::min(name.size() + 1, text.size()));
        if (name == L"..")
            ++takenBack;
        else if (name.empty() || name == L".")
            continue;
        else if (takenBack > 0)
            --takenBack;
        else if (name.back() == L'.' || name.back() == L' ')
            return true;
    }
    return false;
}

// Only "X:\..." and "\\server\share..." name one place wherever the program's current drive
// and folder are (the open dialog moves them); PathIsRelativeW passes "X:..." and "\...".
bool IsFullPath(const std::wstring& text)
{
    if (text.size() >= 3 && text[1] == L':' && IsSeparator(text[2]))
        return IsDriveLetter(text[0]);
    if (text.size() < 5 || !IsSeparator(text[0]) || !IsSeparator(text[1]) || IsSeparator(text[2]))
        return false;
    const size_t share = text.find_first_of(L"\\/", 2);
    return share != std::wstring::npos && share + 1 < text.size() && !IsSeparator(text[share + 1]);
}

// Without trailing backslashes, but the one after a drive ("C:\", "\\?\C:\"): it names the root.
std::wstring Trimmed(std::wstring full)
{
    while (full.size() > 1 && full.back() == L'\\' && full[full.size() - 2] != L':')
        full.pop_back();
    return full;
}

// The parts of a path between its backslashes.
size_t PartCount(std::wstring_view path)
{
    return 1 + static_cast<size_t>(std::count(path.begin(), path.end(), L'\\'));
}

// What a UNC path names by the parts after its leading "\\": "server", "server\share", or more.
FolderKind UncKind(std::wstring_view rest)
{
    switch (PartCount(rest))
    {
    case 1:
        return FolderKind::ServerOnly;
    case 2:
        return FolderKind::ShareRoot;
    default:
        return FolderKind::Folder;
    }
}

// What a path made full names. The system resolves "..", "." and "/" first, except after "\\?\"
// and "\\.\", which hand a path to the system as it is and are read here past that prefix.
FolderKind KindOfFull(std::wstring_view full)
{
    while (full.size() > 1 && full.back() == L'\\')
        full.remove_suffix(1);
    const bool unc = full.substr(0, 2) == L"\\\\";
    if (unc && full.size() >= 4 && (full[2] == L'?' || full[2] == L'.') && full[3] == L'\\')
    {
        const std::wstring_view rest = full.substr(4);
        if (SameAsciiText(rest.substr(0, 4), L"UNC\\"))
            return UncKind(rest.substr(4));
        if (PartCount(rest) != 1)
            return FolderKind::Folder;
        // A drive ("C:") or a volume ("Volume{...}"): its first part alone is its root. Any other
        // is a device: GetFullPathNameW makes "CON", "COM1.txt" or "x\aux" "\\.\CON"...
        const bool drive = rest.size() == 2 && rest[1] == L':' && IsDriveLetter(rest[0]);
        return drive || SameAsciiText(rest.substr(0, 7), L"Volume{") ? FolderKind::DriveRoot
                                                                     : FolderKind::DeviceName;
    }
    if (full.size() >= 2 && full[1] == L':' && IsDriveLetter(full[0]))
    {
        if (full.size() == 2)
            return FolderKind::DriveRoot;
        return full[2] == L'\\' ? FolderKind::Folder : FolderKind::Relative;
    }
    return unc ? UncKind(full.substr(2)) : FolderKind::Relative;
}
} // namespace

FolderText::FolderText(const std::wstring& text, bool typed) : m_text(text), m_typed(typed)
{
    if (text.empty())
        return;
    m_full = IsDriveAlone(text) ? text.substr(0, 2) + L"\\" : Trimmed(SystemFullPath(text));
    if (HasControlCharacter(text))
        m_kind = FolderKind::ControlCharacter;
    else if (IsDriveAlone(text))
        m_kind = FolderKind::DriveRoot;
    else if (!typed && NamesNoFolder(text))
        m_kind = FolderKind::Relative;
    else if (typed && !IsFullPath(text))
    {
        const FolderKind full = KindOfFull(m_full);
        m_kind = full == FolderKind::ServerOnly || full == FolderKind::DeviceName
                     ? full
                     : FolderKind::Relative;
    }
    else
        m_kind = KindOfFull(m_full);
    if (m_kind == FolderKind::Folder && KeepsDotOrSpaceAtEnd(text))
    {
        // Named as given: the full path the system makes names another folder.
        m_kind = FolderKind::DotOrSpaceAtEnd;
        m_full = text;
    }
    if (!typed && m_kind == FolderKind::Folder && m_full.size() > kMaxPathLength)
        m_kind = FolderKind::TooLong;
}

FolderText FolderText::Typed(const std::wstring& text)
{
    return FolderText(text, true);
}

FolderText FolderText::FromOutside(const std::wstring& text)
{
    return FolderText(text, false);
}

bool HasControlCharacter(const std::wstring& text)
{
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c < L' '; });
}

std::wstring SystemFullPath(const std::wstring& text)
{
    const DWORD size = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return text;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(text.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return text;
    full.resize(length);
    return full;
}

std::wstring CaselessPath(const std::wstring& path)
{
    std::wstring upper(path);
    if (!path.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, path.c_str(), static_cast<int>(path.size()),
                     &upper[0], static_cast<int>(upper.size()));
    return upper;
}

std::wstring LongPath(const std::wstring& full)
{
    std::wstring longPath(MAX_PATH, L'\0');
    const DWORD length = GetLongPathNameW(full.c_str(), &longPath[0], MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return full;
    longPath.resize(length);
    return longPath;
}

std::wstring FolderKey(const FolderText& folder)
{
    // Only a folder's text names what the system opens: "C:\t\sp " would open "C:\t\sp".
    if (folder.Kind() == FolderKind::Folder)
    {
        std::wstring identity = FileIdentity(folder.Path());
        if (!identity.empty())
            return identity;
    }
    std::wstring full = folder.Full();
    const bool device = full.size() >= 4 && full[0] == L'\\' && full[1] == L'\\' &&
                        (full[2] == L'?' || full[2] == L'.') && full[3] == L'\\';
    if (device && SameAsciiText(std::wstring_view(full).substr(4, 4), L"UNC\\"))
        full.erase(2, 6);
    else if (device)
        full.erase(0, 4);
    return CaselessPath(LongPath(full));
}
