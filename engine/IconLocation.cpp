#include "engine/IconLocation.h"

#include <windows.h>

#include <shlwapi.h>

#include <limits>

namespace
{
IndexKind ParseIndex(const std::wstring& text, int* value)
{
    size_t begin = text.find_first_not_of(L' ');
    size_t end = text.find_last_not_of(L' ');
    if (begin == std::wstring::npos)
        return IndexKind::Empty;
    bool negative = false;
    if (text[begin] == L'-' || text[begin] == L'+')
    {
        negative = text[begin] == L'-';
        ++begin;
    }
    if (begin > end)
        return IndexKind::None;
    // The most negative index has no positive twin.
    const long long limit = std::numeric_limits<int>::max() + (negative ? 1LL : 0LL);
    long long magnitude = 0;
    for (size_t i = begin; i <= end; ++i)
    {
        if (text[i] < L'0' || text[i] > L'9')
            return IndexKind::None;
        // Once past the limit it stays past it: the rest is only checked for digits.
        if (magnitude <= limit)
            magnitude = magnitude * 10 + (text[i] - L'0');
    }
    if (magnitude > limit)
        return IndexKind::Overflow;
    *value = static_cast<int>(negative ? -magnitude : magnitude);
    return IndexKind::Integer;
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

IconTextSplit SplitIconText(const std::wstring& text)
{
    IconTextSplit split{{text, 0}, IndexKind::None};
    const size_t comma = text.rfind(L',');
    if (comma == std::wstring::npos)
        return split;
    int index = 0;
    split.kind = ParseIndex(text.substr(comma + 1), &index);
    if (split.kind == IndexKind::Integer)
        split.location = {text.substr(0, comma), index};
    return split;
}

std::wstring ResolveIconPath(const std::wstring& path, const std::wstring& folder)
{
    std::wstring resolved = ExpandEnvironment(path);
    if (!resolved.empty() && PathIsRelativeW(resolved.c_str()))
        resolved = folder + L"\\" + resolved;
    return resolved;
}

IconLocation ParseIconLocation(const std::wstring& value, const std::wstring& folder)
{
    IconLocation location = SplitIconText(value).location;
    location.path = ResolveIconPath(location.path, folder);
    return location;
}
