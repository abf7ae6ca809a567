#include "engine/imaging/PictureIcon.h"

#include <vector>

#include "engine/ComApartment.h"
#include "engine/imaging/ExifOrientation.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/PictureDecode.h"

namespace
{
constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
constexpr int kLargestCrisp = 32; // the sizes that sharpening keeps crisp
constexpr int kLargestDib = 64;   // up to here 32-bit images with masks, which XP reads
// The EXIF orientations (1 to 8) whose stored rows run right to left, bottom to top, and that
// swap width and height.
constexpr unsigned kMirroredAcross = 1 << 2 | 1 << 3 | 1 << 7 | 1 << 8;
constexpr unsigned kMirroredDown = 1 << 3 | 1 << 4 | 1 << 6 | 1 << 7;
constexpr int kFirstTurned = 5;

PixelView Oriented(const PremultipliedImage& image, int orientation)
{
    const std::ptrdiff_t w = image.width, h = image.height;
    const bool backwards = (kMirroredAcross >> orientation & 1) != 0;
    const bool upwards = (kMirroredDown >> orientation & 1) != 0;
    const std::ptrdiff_t across = backwards ? -1 : 1, down = upwards ? -w : w;
    const bool turned = orientation >= kFirstTurned;
    return {(backwards ? w - 1 : 0) + (upwards ? (h - 1) * w : 0), turned ? down : across,
            turned ? across : down, turned ? image.height : image.width,
            turned ? image.width : image.height};
}

// The box around every pixel that isn't fully transparent; empty where there is none.
PixelBox Visible(const PremultipliedImage& image, const PixelView& view)
{
    int left = view.width, top = view.height, right = -1, bottom = -1;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            if (image.channels[(view.origin + x * view.across + y * view.down) * 4 + 3] != 0)
            {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y;
            }
    return {left, top, right - left + 1, bottom - top + 1};
}

// The whole box, its aspect kept, centred in size × size on a transparent margin.
IconImage Fitted(const PremultipliedImage& image, const PixelView& view, PixelBox box, int size)
{
    const bool wide = box.width >= box.height;
    const int longer = wide ? box.width : box.height, shorter = wide ? box.height : box.width;
    const int across = (shorter * size * 2 + longer) / (2 * longer);
    const int width = wide ? size : (across > 0 ? across : 1);
    const int height = wide ? (across > 0 ? across : 1) : size;
    IconImage fitted{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size)};
    Resample(
        image, view, box, width, height,
        size <= kLargestCrisp ? ResampleFilter::Crisp : ResampleFilter::Smooth,
        &fitted.pixels[static_cast<std::size_t>(size - height) / 2 * size + (size - width) / 2],
        size);
    return fitted;
}
} // namespace

PictureIcon PictureIconFile(std::string_view picture, std::string_view recipe,
                            PictureDecoder decoder)
{
    ApartmentScope apartment; // the imaging codecs are COM objects
    const DecodedPicture decoded = DecodePicture(picture, decoder);
    const PixelView view = Oriented(decoded.image, ExifOrientation(picture));
    const PixelBox box = Visible(decoded.image, view);
    if (decoded.problem != PictureProblem::None || box.width <= 0)
        return {{},
                decoded.problem != PictureProblem::None ? decoded.problem
                                                        : PictureProblem::NoPixels};
    std::vector<IconImage> images;
    for (int size : kSizes)
        images.push_back(Fitted(decoded.image, view, box, size));
    std::string file = IconFileBytes(images, recipe, kPictureIconFileLimit, kLargestDib);
    if (file.empty()) // past the limit: the small ones always fit without the 256
    {
        images.pop_back();
        file = IconFileBytes(images, recipe, kPictureIconFileLimit, kLargestDib);
    }
    return {file, PictureProblem::None};
}

PictureIcon PictureIconFile(std::string_view picture, std::string_view recipe)
{
    return PictureIconFile(picture, recipe, PictureDecoder::System);
}
