#pragma once
// Reads an icon location ("IconResource" of a desktop.ini) the way the shell does.

#include <string>

struct IconLocation
{
    std::wstring path;
    int index = 0; // a negative index names a resource id
};

// What follows the last comma of an icon text.
enum class IndexKind
{
    None,     // no comma, or no integer after it: the whole text is the path
    Integer,  // a signed decimal that fits in 32 bits: the index
    Empty,    // nothing but blanks after the comma
    Overflow, // a signed decimal too large for 32 bits
};

struct IconTextSplit
{
    IconLocation location; // only an Integer splits; any other kind keeps the whole text, index 0
    IndexKind kind = IndexKind::None;
};

// Splits at the last comma when what follows it is an integer (blanks around it allowed).
IconTextSplit SplitIconText(const std::wstring& text);

// The path as the shell opens it: environment variables expanded, and a relative path taken
// relative to folder.
std::wstring ResolveIconPath(const std::wstring& path, const std::wstring& folder);

// The location is the text before the last comma when what follows it is an integer (the
// index), otherwise the whole value with index 0. Environment variables are expanded, and a
// relative path is taken relative to folder.
IconLocation ParseIconLocation(const std::wstring& value, const std::wstring& folder);
