#pragma once
// Whole numbers as decimal text, for messages and file names.

#include <charconv>
#include <iterator>
#include <string>

// std::to_wstring would do, but it formats through the C library's wide printf, which a
// statically linked exe then carries whole; std::to_chars lives in the header.
template <typename Integer> std::wstring DecimalText(Integer value)
{
    char digits[24]; // a 64-bit number has up to 20 digits and a sign
    char* end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    return std::wstring(std::begin(digits), end);
}
