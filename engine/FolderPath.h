#pragma once
// Which folder texts name one folder that can take an icon.

#include <string>

enum class FolderPathKind
{
    Folder,   // a full path below a drive's or a share's root
    Root,     // a drive's root ("C:", "C:\") or a share's ("\\server\share"): takes no folder icon
    Relative, // "Photos", "D:Photos", "\Photos": would depend on the current drive and folder
};

FolderPathKind ClassifyFolderPath(const std::wstring& folderText);

// The text as GetFullPathNameW makes it full, against the current drive and folder; empty when
// the system can't.
std::wstring SystemFullPath(const std::wstring& text);
