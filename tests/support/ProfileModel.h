#pragma once
// What Windows' profile reader sees in a desktop.ini, modelled apart from the merge's own parser,
// for tests to check the program's files against.

#include <map>
#include <string>

// The text as the profile reader decodes it: UTF-16 LE after its byte-order mark, otherwise the
// ANSI code page.
std::wstring Decoded(const std::string& bytes);

// The keys of the first [.ShellClassInfo] section by lower-case name, each with its first value.
// A header ends at its last ']' or, on Windows, at the line's end (Wine 8 ignores such a header).
std::map<std::wstring, std::wstring> ShellKeys(const std::string& bytes);
