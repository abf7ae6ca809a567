#pragma once
// Tells the shell that a folder's customisation changed, so that Explorer shows the new icon at
// once instead of after a refresh.

#include "engine/FolderPath.h"

#include <string>

// The folder text without trailing backslashes, keeping those of a root ("C:\", "\").
std::wstring ShellFolderPath(const std::wstring& folderText);

// The folder that holds the folder, or empty when it has none (a root, or a bare name).
std::wstring ParentFolder(const std::wstring& folderPath);

// Path notifications for the folder's attributes and item, and an update of its parent, flushed:
// named by the folder's full path, as the shell names it.
void NotifyFolderChanged(const FolderText& folder);
