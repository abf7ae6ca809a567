#include "engine/imaging/PictureIcon.h"

#include <algorithm>
#include <vector>

#include "engine/ComApartment.h"
#include "engine/imaging/ExifOrientation.h"
#include "engine/imaging/IconFileWriter.h"
#include "engine/imaging/PictureDecode.h"

namespace
{
constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
constexpr int kLargestCrisp = 32;    // the sizes that sharpening keeps crisp
constexpr int kLargestDib = 64;      // up to here 32-bit images with masks, which XP reads
constexpr int kOrientationTurns = 5; // 5 to 8 swap width and height

// The image as it stands by its EXIF orientation: each target pixel taken from where it is stored.
PremultipliedImage Oriented(PremultipliedImage image, int orientation)
{
    if (orientation <= 1)
        return image;
    const int w = image.width, h = image.height;
    PremultipliedImage turned;
    turned.width = orientation >= kOrientationTurns ? h : w;
    turned.height = orientation >= kOrientationTurns ? w : h;
    turned.channels.resize(image.channels.size());
    for (int y = 0; y < turned.height; ++y)
        for (int x = 0; x < turned.width; ++x)
        {
            const int fromX[] = {x, w - 1 - x, w - 1 - x, x, y, y, w - 1 - y, w - 1 - y};
            const int fromY[] = {y, y, h - 1 - y, h - 1 - y, x, h - 1 - x, h - 1 - x, x};
            const std::size_t from =
                (static_cast<std::size_t>(fromY[orientation - 1]) * w + fromX[orientation - 1]) * 4;
            const std::size_t to = (static_cast<std::size_t>(y) * turned.width + x) * 4;
            for (int c = 0; c < 4; ++c)
                turned.channels[to + c] = image.channels[from + c];
        }
    return turned;
}

// The box around every pixel that isn't fully transparent; empty where there is none.
PixelBox Visible(const PremultipliedImage& image)
{
    int left = image.width, top = image.height, right = -1, bottom = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.channels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 3] != 0)
            {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y;
            }
    return right < 0 ? PixelBox{} : PixelBox{left, top, right - left + 1, bottom - top + 1};
}

// The whole box, its aspect kept, centred in size × size on a transparent margin.
IconImage Fitted(const PremultipliedImage& image, PixelBox box, int size)
{
    const bool wide = box.width >= box.height;
    const long long longer = wide ? box.width : box.height, shorter = wide ? box.height : box.width;
    const int across = static_cast<int>((shorter * size * 2 + longer) / (2 * longer));
    const int width = wide ? size : (across > 0 ? across : 1);
    const int height = wide ? (across > 0 ? across : 1) : size;
    const std::vector<std::uint32_t> pixels =
        Resample(image, box, width, height,
                 size <= kLargestCrisp ? ResampleFilter::Crisp : ResampleFilter::Smooth);
    IconImage fitted{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size)};
    const int left = (size - width) / 2, top = (size - height) / 2;
    for (int y = 0; y < height; ++y)
        std::copy(&pixels[static_cast<std::size_t>(y) * width],
                  &pixels[static_cast<std::size_t>(y) * width] + width,
                  &fitted.pixels[static_cast<std::size_t>(top + y) * size + left]);
    return fitted;
}
} // namespace

PictureIcon PictureIconFile(std::string_view picture, std::string_view recipe,
                            PictureDecoder decoder)
{
    ApartmentScope apartment; // the imaging codecs are COM objects
    DecodedPicture decoded = DecodePicture(picture, decoder);
    if (decoded.problem != PictureProblem::None)
        return {{}, decoded.problem};
    const PremultipliedImage image = Oriented(std::move(decoded.image), ExifOrientation(picture));
    const PixelBox box = Visible(image);
    if (box.width == 0)
        return {{}, PictureProblem::NoPixels};
    std::vector<IconImage> images;
    for (int size : kSizes)
        images.push_back(Fitted(image, box, size));
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
