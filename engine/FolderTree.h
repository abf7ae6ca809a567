#pragma once
// The folders below a folder, for work on a whole tree: found one at a time, depth first, so that a
// tree of any size needs memory for its depth alone. A link (a junction, a symbolic link, a mount
// point or any other reparse point) is never followed, so the walk never loops and never leaves
// the tree; a hidden folder is not entered, as Explorer doesn't show it (.git and the like).

#include <windows.h>

#include <string>
#include <vector>

enum class TreeEntry
{
    Folder,     // a folder to work on; entered on the next call, unless its name ends in a dot
                // or a space (the system would list the folder named without them)
    Link,       // a reparse point: neither worked on nor entered
    Hidden,     // a folder with the hidden mark: neither worked on nor entered
    Unreadable, // a folder found before whose contents can't be listed (error)
};

struct FoundFolder
{
    std::wstring path;
    TreeEntry kind = TreeEntry::Folder;
    DWORD error = ERROR_SUCCESS; // an Unreadable's
};

class FolderTree
{
  public:
    // An empty top has nothing below it.
    explicit FolderTree(std::wstring top);
    ~FolderTree();
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    // The next entry below the top, a folder before what it holds; false when there is none.
    bool Next(FoundFolder& found);

  private:
    struct Level
    {
        HANDLE search;
        std::wstring path;
    };
    std::vector<Level> m_levels;
    std::wstring m_enter; // the folder that the next call enters
};
