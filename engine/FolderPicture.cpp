#include "engine/FolderPicture.h"

#include <string_view>

#include "engine/imaging/IconFileWriter.h"
#include "runtime/AsciiText.h"

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
