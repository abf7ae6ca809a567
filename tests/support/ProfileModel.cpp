#include "support/ProfileModel.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

std::wstring Decoded(const std::string& bytes)
{
    if (bytes.compare(0, 2, "\xFF\xFE") == 0)
    {
        std::wstring text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
        return text;
    }
    std::wstring text(bytes.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                           &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(length, 0)));
    return text;
}

std::map<std::wstring, std::wstring> ShellKeys(const std::string& bytes)
{
    const std::wstring text = Decoded(bytes);
    // As Wine's reader trims (its conformance tests follow Windows): ASCII spaces and Ctrl-Z.
    const auto blank = [](wchar_t c) { return c == 0x1A || (c < 0x80 && iswspace(c)); };
    const auto trim = [&](std::wstring s) {
        while (!s.empty() && blank(s.back()))
            s.pop_back();
        return s.erase(0, std::find_if_not(s.begin(), s.end(), blank) - s.begin());
    };
    const auto lower = [](std::wstring s) {
        CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
        return s;
    };
    std::map<std::wstring, std::wstring> keys;
    int state = 0; // 0 before the section, 1 in it, 2 past it
    for (size_t start = 0, end = 0; start < text.size();
         start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1))
    {
        end = std::min(text.find_first_of(L"\r\n", start), text.size());
        const std::wstring line = trim(text.substr(start, end - start));
        if (!line.empty() && line[0] == L'[')
            state += state == 1 ||
                     (state == 0 &&
                      lower(trim(line.substr(1, line.rfind(L']') - 1))) == L".shellclassinfo");
        else if (state == 1 && !line.empty() && line[0] != L';')
        {
            const size_t equals = line.find(L'=');
            keys.emplace(lower(trim(line.substr(0, equals))),
                         equals == std::wstring::npos ? L"" : trim(line.substr(equals + 1)));
        }
    }
    return keys;
}
