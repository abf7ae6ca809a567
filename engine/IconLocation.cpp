#include "engine/IconLocation.h"

#include <windows.h>

#include <shlwapi.h>

#include <cwctype>
#include <limits>

namespace
{
bool ParseInteger(const std::wstring& text, int* value)
{
    size_t begin = text.find_first_not_of(L' ');
    size_t end = text.find_last_not_of(L' ');
    if (begin == std::wstring::npos)
        return false;
    bool negative = false;
    if (text[begin] == L'-' || text[begin] == L'+')
    {
        negative = text[begin] == L'-';
        ++begin;
    }
    if (begin > end)
        return false;
    long long magnitude = 0;
    for (size_t i = begin; i <= end; ++i)
    {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > std::numeric_limits<int>::max())
            return false;
    }
    *value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

std::wstring ExpandEnvironment(const std::wstring& text)
{
    DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0)
        return text;
    std::wstring expanded(size, L'\0');
    DWORD written = ExpandEnvironmentStringsW(text.c_str(), &expanded[0], size);
    if (written == 0 || written > size)
        return text;
    expanded.resize(written - 1);
    return expanded;
}
} // namespace

IconLocation ParseIconLocation(const std::wstring& value, const std::wstring& folder)
{
    IconLocation location{value, 0};
    size_t comma = value.rfind(L',');
    int index = 0;
    if (comma != std::wstring::npos && ParseInteger(value.substr(comma + 1), &index))
    {
        location.path = value.substr(0, comma);
        location.index = index;
    }
    location.path = ExpandEnvironment(location.path);
    if (!location.path.empty() && PathIsRelativeW(location.path.c_str()))
        location.path = folder + L"\\" + location.path;
    return location;
}
