#include "engine/MadeIconFile.h"

#include <algorithm>

#include "engine/FolderColour.h"
#include "engine/FolderPicture.h"
#include "engine/IconLocation.h"
#include "engine/StagedFile.h"
#include "engine/imaging/IconFileWriter.h"
#include "runtime/AsciiText.h"
#include "runtime/UniqueAny.h"

namespace
{
constexpr DWORD kMadeFileMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// What FindFirstFileW finds every made file by; each name is checked again.
constexpr wchar_t kMadeFilePattern[] = L"Tessaline-*.ico";

void SetAttributes(const std::wstring& path, DWORD attributes)
{
    attributes &= kKeptAttributes;
    SetFileAttributesW(path.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

IconResult Result(IconStatus status, const std::wstring& path, DWORD error = ERROR_SUCCESS)
{
    IconResult result;
    result.status = status;
    result.error = error;
    result.path = path;
    return result;
}

// The folder's made file that a value of Tessaline's lines names, as Windows reads the value:
// relative to the folder or by a full path, in any case, by a short name, with the dots and
// blanks that Windows drops at a name's end. Empty for a value that names no made file, or one
// in another folder.
std::wstring OwnMadeFile(const FolderText& folder, const std::wstring& value)
{
    const std::wstring path = LongPath(SystemFullPath(ResolveIconPath(value, folder.Full())));
    const size_t slash = path.find_last_of(L'\\');
    const std::wstring name = path.substr(slash + 1);
    if (slash == std::wstring::npos || !IsMadeFileName(name) ||
        FolderKey(FolderText::FromOutside(path.substr(0, slash))) != FolderKey(folder))
        return std::wstring();
    return name;
}

bool NamedBy(const FolderText& folder, const std::vector<std::wstring>& values,
             const std::wstring& name)
{
    return std::any_of(values.begin(), values.end(), [&](const std::wstring& value) {
        return SameAsciiText(OwnMadeFile(folder, value), name);
    });
}

// Whether the file is the one Tessaline made: by its recipe on any Windows, or by the images it
// would write now, the trailer lost. Left by a delete that failed or lines that were lost, or
// copied with the folder, it may be named again as it is.
bool IsTessalines(const std::wstring& path, const std::wstring& name, const std::string& made)
{
    const std::string held = ReadMadeFile(path);
    const size_t imagesEnd = ReadMadeIcon(made).imagesEnd;
    return IsMadeFileOf(held, name) ||
           (imagesEnd != 0 && held.size() == imagesEnd && made.compare(0, imagesEnd, held) == 0);
}
} // namespace

bool IsMadeFileName(const std::wstring& name)
{
    return IsColourFileName(name) || IsPictureFileName(name);
}

bool IsMadeFileOf(const std::string& bytes, const std::wstring& name)
{
    return IsColourFileName(name) ? IsMadeColourFile(bytes, name) : IsMadePictureFile(bytes, name);
}

std::string ReadMadeFile(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    std::string held;
    return file && ReadUpTo(file.get(), kMadeFileLimit, held) ? held : std::string();
}

void PlacedFile::Undo() const
{
    if (!created.empty())
        DeleteFileW(created.c_str());
    if (formerAttributes != INVALID_FILE_ATTRIBUTES)
        SetAttributes(marked, formerAttributes);
}

IconResult PutMadeFile(const FolderText& folder, const MadeFile& made,
                       const std::vector<std::wstring>& own, PlacedFile& placed)
{
    const std::wstring path = folder.Path() + L"\\" + made.name;
    // Longer than "desktop.ini": in a folder deep enough, past what Windows and its shell open.
    if (path.size() >= MAX_PATH)
        return Result(IconStatus::WriteFailed, path, ERROR_FILENAME_EXCED_RANGE);
    if (const DWORD attributes = GetFileAttributesW(path.c_str());
        attributes != INVALID_FILE_ATTRIBUTES)
    {
        // With Tessaline's marks, which a copy may have lost: the next change deletes it.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            IsTessalines(path, made.name, *made.bytes))
        {
            SetAttributes(path, attributes | kMadeFileMarks);
            placed.marked = path;
            placed.formerAttributes = attributes;
        }
        else if (!NamedBy(folder, own, made.name))
            return Result(IconStatus::MadeFileTaken, path);
        return Result(IconStatus::Ok, L"");
    }
    // Complete before it has its name, and only where no file has it: one that appears meanwhile
    // is not replaced either.
    StagedFile staged;
    DWORD error = staged.Write(folder.Path(), *made.bytes);
    if (error == ERROR_SUCCESS)
        error = staged.MoveOnto(path, false);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Result(IconStatus::MadeFileTaken, path);
    if (error != ERROR_SUCCESS)
        return Result(IconStatus::WriteFailed, path, error);
    SetFileAttributesW(path.c_str(), kMadeFileMarks);
    placed.created = path;
    return Result(IconStatus::Ok, L"");
}

// Tessaline's are hidden and system from their start and carry their recipe: a named one needs
// either, since a file of someone's that an edited desktop.ini names has neither; one that nothing
// names needs both.
std::vector<std::wstring> DeleteMadeFiles(const FolderText& folder,
                                          const std::vector<std::wstring>& values,
                                          const std::wstring& kept)
{
    std::vector<std::wstring> left, seen{kept};
    const auto consider = [&](const std::wstring& name, bool named) {
        if (name.empty() || std::any_of(seen.begin(), seen.end(), [&](const std::wstring& other) {
                return SameAsciiText(other, name);
            }))
            return;
        seen.push_back(name);
        const std::wstring path = folder.Path() + L"\\" + name;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return;
        const bool marked = (attributes & kMadeFileMarks) == kMadeFileMarks;
        if (named ? !marked && !IsMadeFileOf(ReadMadeFile(path), name)
                  : !marked || !IsMadeFileOf(ReadMadeFile(path), name))
            return;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteWhenFree(path) == ERROR_SUCCESS)
            return;
        // With its marks again, so that a later apply or removal knows it and deletes it.
        SetAttributes(path, attributes | kMadeFileMarks);
        left.push_back(path);
    };
    for (const std::wstring& value : values)
        consider(OwnMadeFile(folder, value), true);
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileW((folder.Path() + L"\\" + kMadeFilePattern).c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (IsMadeFileName(found.cFileName))
            consider(found.cFileName, false);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return left;
}

std::wstring MadeFileRecipe(const FolderText& folder, const std::wstring& value)
{
    const std::wstring name = OwnMadeFile(folder, value);
    if (name.empty())
        return std::wstring();
    const std::string recipe = ReadMadeIcon(ReadMadeFile(folder.Path() + L"\\" + name)).recipe;
    std::wstring text(recipe.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, recipe.data(),
                                                        static_cast<int>(recipe.size()), &text[0],
                                                        static_cast<int>(text.size()))));
    return text;
}
