#include "engine/FolderTree.h"

FolderTree::FolderTree(std::wstring top) : m_enter(std::move(top)) {}

FolderTree::~FolderTree()
{
    for (const Level& level : m_levels)
        FindClose(level.search);
}

bool FolderTree::Next(FoundFolder& found)
{
    WIN32_FIND_DATAW data;
    for (;;)
    {
        if (!m_enter.empty())
        {
            std::wstring path = std::move(m_enter);
            m_enter.clear();
            const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
            if (search == INVALID_HANDLE_VALUE)
            {
                // A folder lists "." at least; a drive's root may list nothing.
                const DWORD error = GetLastError();
                if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES)
                    continue;
                found = {std::move(path), TreeEntry::Unreadable, error};
                return true;
            }
            m_levels.push_back({search, std::move(path)});
        }
        else
        {
            // Up to the deepest folder whose listing goes on.
            while (!m_levels.empty() && !FindNextFileW(m_levels.back().search, &data))
            {
                FindClose(m_levels.back().search);
                m_levels.pop_back();
            }
            if (m_levels.empty())
                return false;
        }
        const wchar_t* name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            !(name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))))
            break;
    }
    found.path = m_levels.back().path + L"\\" + data.cFileName;
    found.error = ERROR_SUCCESS;
    found.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? TreeEntry::Link
                 : (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0      ? TreeEntry::Hidden
                                                                             : TreeEntry::Folder;
    // A name that ends in a dot or a space is refused by the work, and a listing of it would list
    // the folder of the name without them: what is in it is not entered.
    if (found.kind == TreeEntry::Folder && found.path.back() != L'.' && found.path.back() != L' ')
        m_enter = found.path;
    return true;
}
