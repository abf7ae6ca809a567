#pragma once
// Reads an icon location ("IconResource" of a desktop.ini) the way the shell does.

#include <string>

struct IconLocation
{
    std::wstring path;
    int index = 0; // a negative index names a resource id
};

// The location is the text before the last comma when what follows it is an integer (the
// index), otherwise the whole value with index 0. Environment variables are expanded, and a
// relative path is taken relative to folder.
IconLocation ParseIconLocation(const std::wstring& value, const std::wstring& folder);
