#pragma once
// A picture (a logo as PNG, a photo as JPEG) made into a folder icon's .ico file.

#include <cstddef>
#include <string>
#include <string_view>

// A picture's icon file may take this much: its 256 × 256 PNG alone can pass 100 KB for a photo.
constexpr std::size_t kPictureIconFileLimit = 256 * 1024;

enum class PictureProblem
{
    None,
    NotAPicture, // no codec of the system reads it (not a picture, cut short, an unknown format)
    NoPixels,    // no pixels, or none that isn't fully transparent
    TooLarge     // more pixels than the program takes (kLargestPicture)
};

struct PictureIcon
{
    std::string file; // empty where there is a problem, or the recipe can't go into the trailer
    PictureProblem problem = PictureProblem::None;
};

// The picture's bytes, in any still-picture format the system's codecs read, made into an .ico
// file's bytes with the recipe in its trailer (see IconFileBytes). Opens its own COM apartment
// scope. Sizes 16, 20, 24, 32, 40, 48 and 64 as 32-bit images with their masks, and 256 as PNG;
// each made from the picture itself, the whole picture (its own fully transparent border trimmed)
// centred on a transparent margin, turned as its EXIF orientation says. Where the file would pass
// kPictureIconFileLimit (a 256 PNG of noise), the 256 is left out: the small ones always fit.
PictureIcon PictureIconFile(std::string_view picture, std::string_view recipe);

// Which of the system's decoders reads the picture: the Imaging Component where it is there
// (Vista on, XP with it installed), else GDI+; or GDI+ alone, as on XP without the Imaging
// Component (for tests, which have both).
enum class PictureDecoder
{
    System,
    GdiPlus
};
PictureIcon PictureIconFile(std::string_view picture, std::string_view recipe,
                            PictureDecoder decoder);
