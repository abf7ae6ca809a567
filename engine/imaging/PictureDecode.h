#pragma once
// A picture's first frame as premultiplied pixels, read by the system's decoders in strips of rows
// and averaged down by a whole factor as they come, so that the program's memory stays small
// however large the picture.

#include <cstdint>
#include <string_view>

#include "engine/imaging/PictureIcon.h"
#include "engine/imaging/Resample.h"

// Beyond this many pixels a picture is refused: Wine's decoders (and others) hold the whole
// picture while it is read, 4 bytes a pixel.
constexpr std::uint64_t kLargestPicture = 50'000'000;
// A picture is averaged down while it is read until its longer side is below twice this: enough
// for a 256 image's own resampling, and small to keep.
constexpr int kReadSide = 512;

struct DecodedPicture
{
    PictureProblem problem = PictureProblem::None;
    PremultipliedImage image;
};

// Needs COM on the calling thread for the Imaging Component.
DecodedPicture DecodePicture(std::string_view picture, PictureDecoder decoder);
