#include "engine/FolderPicture.h"

#include <windows.h>

#include <string_view>

#include "engine/FolderPath.h"
#include "engine/StagedFile.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/PictureIcon.h"
#include "runtime/AsciiText.h"
#include "runtime/UniqueAny.h"

namespace
{
constexpr std::wstring_view kPictureFilePrefix = L"Tessaline-picture-";
constexpr std::wstring_view kPictureFileExtension = L".ico";
constexpr size_t kDigestDigits = 8;
constexpr std::string_view kRecipeWord = "picture ";

std::string DigestText(std::uint32_t digest)
{
    const char* digits = "0123456789ABCDEF";
    std::string text(kDigestDigits, '0');
    for (size_t i = 0; i < kDigestDigits; ++i)
        text[i] = digits[digest >> (4 * (kDigestDigits - 1 - i)) & 0xF];
    return text;
}

// The digest that a picture file's name gives, as it is spelt there: empty for another name.
std::string DigestOfFileName(const std::wstring& name)
{
    const size_t start = kPictureFilePrefix.size();
    if (name.size() != start + kDigestDigits + kPictureFileExtension.size() ||
        !SameAsciiText(std::wstring_view(name).substr(0, start), kPictureFilePrefix) ||
        !HasExtension(name, kPictureFileExtension))
        return std::string();
    std::string digest;
    for (size_t i = start; i < start + kDigestDigits; ++i)
    {
        const wchar_t c = name[i];
        if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f')))
            return std::string();
        digest += static_cast<char>(c >= L'a' ? c - L'a' + L'A' : c);
    }
    return digest;
}
} // namespace

std::wstring PictureFileName(std::uint32_t digest)
{
    const std::string text = DigestText(digest);
    return std::wstring(kPictureFilePrefix) + std::wstring(text.begin(), text.end()) +
           std::wstring(kPictureFileExtension);
}

bool IsPictureFileName(const std::wstring& name)
{
    return !DigestOfFileName(name).empty();
}

bool IsMadePictureFile(const std::string& bytes, const std::wstring& name)
{
    const std::string digest = DigestOfFileName(name);
    const std::string recipe = ReadMadeIcon(bytes).recipe;
    const std::string word = std::string(kRecipeWord) + digest;
    return !digest.empty() && recipe.compare(0, word.size(), word) == 0 &&
           (recipe.size() == word.size() || recipe[word.size()] == ' ');
}

namespace
{
// The extensions of pictures, so that one that no codec reads is said to be a picture.
constexpr std::wstring_view kPictureExtensions[] = {L".png", L".jpg",  L".jpeg", L".gif", L".bmp",
                                                    L".tif", L".tiff", L".webp", L".heic"};

// The last picture made: its path, size and time of writing, and what it made.
std::wstring g_picturePath;
BY_HANDLE_FILE_INFORMATION g_pictureData{};
PictureFile g_picture;
const PictureFile kNoPicture{};
std::string g_pictureFile;

// FNV-1a: a changed picture gives another digest, and so another name.
std::uint32_t Digest(std::string_view bytes)
{
    std::uint32_t digest = 2166136261u;
    for (char c : bytes)
        digest = (digest ^ static_cast<unsigned char>(c)) * 16777619u;
    return digest;
}

// "picture", the digest and the picture's file name in UTF-8, cut to what the trailer holds at a
// character's start.
std::string PictureRecipe(std::uint32_t digest, const std::wstring& path)
{
    std::string recipe = std::string(kRecipeWord) + DigestText(digest) + " ";
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    const int length = WideCharToMultiByte(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()), &utf8[0],
                            length, nullptr, nullptr);
    recipe += utf8;
    if (recipe.size() > kLargestRecipe)
    {
        size_t cut = kLargestRecipe;
        while ((static_cast<unsigned char>(recipe[cut]) & 0xC0) == 0x80)
            --cut;
        recipe.resize(cut);
    }
    return recipe;
}

bool HasPictureExtension(const std::wstring& path)
{
    for (std::wstring_view extension : kPictureExtensions)
        if (HasExtension(path, extension))
            return true;
    return false;
}

PictureFile Make(const std::wstring& path, HANDLE file, const BY_HANDLE_FILE_INFORMATION& data)
{
    PictureFile made;
    made.picture = HasPictureExtension(path);
    const std::uint64_t size = std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
    if (size > kLargestPictureFile)
    {
        made.problem = IconProblem::PictureTooLarge;
        return made;
    }
    std::string bytes;
    if (!ReadUpTo(file, static_cast<size_t>(size), bytes))
    {
        made.problem = IconProblem::PictureUnreadable;
        return made;
    }
    const std::uint32_t digest = Digest(bytes);
    PictureIcon icon = PictureIconFile(bytes, PictureRecipe(digest, path));
    switch (icon.problem)
    {
    case PictureProblem::None:
        made.picture = true;
        made.digest = digest;
        g_pictureFile = std::move(icon.file);
        made.bytes = &g_pictureFile;
        if (g_pictureFile.empty())
            made.problem = IconProblem::PictureTooLarge, made.bytes = nullptr;
        break;
    case PictureProblem::NotAPicture:
        made.problem = IconProblem::PictureUnreadable;
        break;
    case PictureProblem::NoPixels:
        made.picture = true;
        made.problem = IconProblem::PictureNoPixels;
        break;
    case PictureProblem::TooLarge:
        made.picture = true;
        made.problem = IconProblem::PictureTooLarge;
        break;
    }
    return made;
}
} // namespace

const PictureFile& MadePictureFile(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION data{};
    if (!file || !GetFileInformationByHandle(file.get(), &data))
        return kNoPicture;
    // The same file, unchanged since: its size and time of writing are as they were.
    if (CaselessPath(path) != g_picturePath || data.nFileSizeLow != g_pictureData.nFileSizeLow ||
        data.nFileSizeHigh != g_pictureData.nFileSizeHigh ||
        data.ftLastWriteTime.dwLowDateTime != g_pictureData.ftLastWriteTime.dwLowDateTime ||
        data.ftLastWriteTime.dwHighDateTime != g_pictureData.ftLastWriteTime.dwHighDateTime)
    {
        g_picture = Make(path, file.get(), data);
        g_picturePath = CaselessPath(path);
        g_pictureData = data;
    }
    return g_picture;
}
