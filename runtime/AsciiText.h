#pragma once
// Names that are ASCII by nature (switches, file extensions, the keys of a settings file) compare
// without regard to case by folding A to Z alone: the same in every locale, where lstrcmpi
// follows the user's (in Turkish, I and i are different letters).

#include <algorithm>
#include <string_view>

inline bool SameAsciiText(std::wstring_view a, std::wstring_view b)
{
    const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

// Whether path ends in extension (".ico"), in any case.
inline bool HasExtension(std::wstring_view path, std::wstring_view extension)
{
    return path.size() >= extension.size() &&
           SameAsciiText(path.substr(path.size() - extension.size()), extension);
}
