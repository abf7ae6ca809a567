#include "engine/FolderColour.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/IconEntry.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/IconImages.h"
#include "engine/imaging/Recolour.h"
#include "runtime/AsciiText.h"

namespace
{
constexpr std::size_t kColourTextLength = 7; // "#RRGGBB"
// shell32's closed folder: index 3 on XP, whose icon groups are ids 1, 2, 3... in that order.
// Named by its id, since Wine's shell32 lists two named icons ahead of it.
constexpr int kShell32ClosedFolderId = 4;
constexpr int kStockDocument = 0;      // SIID_DOCNOASSOC
constexpr int kStockFolder = 3;        // SIID_FOLDER
constexpr UINT kStockIconLocation = 0; // SHGSI_ICONLOCATION

// SHSTOCKICONINFO, which the XP headers this program builds with don't declare.
struct StockIconInfo
{
    DWORD cbSize;
    HICON hIcon;
    int iSysImageIndex;
    int iIcon;
    WCHAR szPath[MAX_PATH];
};
using GetStockIconInfoFunction = HRESULT(WINAPI*)(int, UINT, StockIconInfo*);

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}
} // namespace

bool ParseColourText(const std::wstring& text, COLORREF* colour)
{
    if (text.size() != kColourTextLength || text[0] != L'#')
        return false;
    unsigned value = 0;
    for (std::size_t i = 1; i < kColourTextLength; ++i)
    {
        const int digit = HexDigit(text[i]);
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    *colour = RGB(value >> 16, (value >> 8) & 0xFF, value & 0xFF);
    return true;
}

std::wstring ColourText(COLORREF colour)
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    const unsigned value = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    std::wstring text(kColourTextLength, L'#');
    for (std::size_t i = 1; i < kColourTextLength; ++i)
        text[i] = kDigits[value >> (4 * (kColourTextLength - 1 - i)) & 0xF];
    return text;
}

IconLocation SystemFolderIcon()
{
    static const wchar_t kShell32[] = L"\\shell32.dll";
    wchar_t shell32[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(shell32, MAX_PATH);
    if (length == 0 || length + std::size(kShell32) > MAX_PATH)
        return {};
    std::memcpy(shell32 + length, kShell32, sizeof kShell32);
    // Vista and later have the stock icon function, XP doesn't: found by name, not imported.
    // shell32 stays loaded, as it does after any other call into it.
    auto getStockIconInfo = reinterpret_cast<GetStockIconInfoFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryW(shell32), "SHGetStockIconInfo")));
    StockIconInfo folder{}, document{};
    folder.cbSize = document.cbSize = sizeof folder;
    // One that gives a plain document's icon for the folder too is no answer (Wine 8's).
    if (getStockIconInfo != nullptr &&
        SUCCEEDED(getStockIconInfo(kStockFolder, kStockIconLocation, &folder)) &&
        SUCCEEDED(getStockIconInfo(kStockDocument, kStockIconLocation, &document)) &&
        (lstrcmpiW(folder.szPath, document.szPath) != 0 || folder.iIcon != document.iIcon))
        return {folder.szPath, folder.iIcon};
    return {shell32, -kShell32ClosedFolderId};
}

namespace
{
// The first look's files ("Tessaline-colour-RRGGBB.ico") and today's ("Tessaline-colour2-..."): a
// new look is a new name, which the shell's icon cache has never seen.
constexpr std::wstring_view kFirstLookPrefix = L"Tessaline-colour-";
constexpr std::wstring_view kColourFilePrefix = L"Tessaline-colour2-";
constexpr std::wstring_view kColourFileExtension = L".ico";

// The last colour made, for the next folder in that colour.
COLORREF g_madeColour = CLR_INVALID;
std::string g_madeFile;

// The recipe of a colour's icon: its text, in ASCII.
std::string ColourRecipe(COLORREF colour)
{
    const std::wstring text = ColourText(colour);
    return std::string(text.begin(), text.end());
}

// The colour that a colour file's name gives, and whether the name is the first look's.
bool ColourOfFileName(const std::wstring& name, COLORREF* colour, bool* firstLook = nullptr)
{
    const bool first =
        SameAsciiText(std::wstring_view(name).substr(0, kFirstLookPrefix.size()), kFirstLookPrefix);
    const size_t digits = first ? kFirstLookPrefix.size() : kColourFilePrefix.size();
    if (firstLook != nullptr)
        *firstLook = first;
    return name.size() == digits + kColourTextLength - 1 + kColourFileExtension.size() &&
           (first || SameAsciiText(std::wstring_view(name).substr(0, digits), kColourFilePrefix)) &&
           HasExtension(name, kColourFileExtension) &&
           ParseColourText(L"#" + name.substr(digits, kColourTextLength - 1), colour);
}

// The icon file of the first look, the system's folder icon recoloured pixel by pixel; the
// releases before the recipe wrote its images alone.
std::string FirstLookFile(COLORREF colour)
{
    std::vector<IconImage> images = ReadIconImages(SystemFolderIcon());
    for (IconImage& image : images)
        for (std::uint32_t& pixel : image.pixels)
            pixel = EarlierRecolourPixel(pixel, colour);
    return IconFileBytes(images, ColourRecipe(colour));
}
} // namespace

const std::string& ColouredFolderIconFile(COLORREF colour)
{
    // A file that couldn't be made is tried again: the failure may pass.
    if (colour == g_madeColour && !g_madeFile.empty())
        return g_madeFile;
    std::vector<IconImage> images = ReadIconImages(SystemFolderIcon());
    for (IconImage& image : images)
        RecolourImage(image, colour);
    g_madeFile = IconFileBytes(images, ColourRecipe(colour));
    g_madeColour = colour;
    return g_madeFile;
}

std::wstring ColourFileName(COLORREF colour)
{
    return std::wstring(kColourFilePrefix) + ColourText(colour).substr(1) +
           std::wstring(kColourFileExtension);
}

bool IsColourFileName(const std::wstring& name)
{
    COLORREF colour = 0;
    return ColourOfFileName(name, &colour);
}

bool IsMadeColourFile(const std::string& bytes, const std::wstring& name)
{
    COLORREF colour = 0;
    bool firstLook = false;
    if (!ColourOfFileName(name, &colour, &firstLook))
        return false;
    if (ReadMadeIcon(bytes).recipe == ColourRecipe(colour))
        return true;
    // Only where it may be such a file: the first look is made again to compare.
    if (!firstLook || bytes.size() < 6 || bytes.compare(0, 4, std::string("\0\0\1\0", 4)) != 0)
        return false;
    const std::string earlier = FirstLookFile(colour);
    const size_t imagesEnd = ReadMadeIcon(earlier).imagesEnd;
    return imagesEnd != 0 && bytes.size() == imagesEnd && earlier.compare(0, imagesEnd, bytes) == 0;
}

bool IconTextColour(const FolderText& folder, const std::wstring& iconText, COLORREF* colour)
{
    if (ParseColourText(iconText, colour))
        return true;
    const IconLocation location = IconTextLocation(folder, iconText);
    if (location.index != 0 || location.path.empty())
        return false;
    // The name as Windows opens it: a short name made long, the dots and blanks at the end gone.
    const std::wstring path = LongPath(SystemFullPath(location.path));
    return ColourOfFileName(path.substr(path.find_last_of(L"\\/") + 1), colour);
}
