#include "picture/decode.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

// Reads a pixel the ways the program does; each must stay in range.
void readPixel(const grondel::Picture& picture, int x, int y) {
    const std::int32_t colour = picture.packedColour(x, y);
    const double grey = picture.greyLevel(x, y);
    if (colour < 0 || colour > 0xFFFFFF || !(grey >= 0.0 && grey <= 1.0))
        __builtin_trap();
}

} // namespace

// Any bytes give a picture within the limits or a one-line refusal, and every pixel of a
// picture reads back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const grondel::PictureResult result =
        grondel::decodePicture(std::as_bytes(std::span(data, size)));
    if (result.ok() != result.error.empty() || result.ok() == result.picture.empty() ||
        result.error.find_first_of("\r\n") != std::string::npos)
        __builtin_trap();
    if (!result.ok())
        return 0;
    const grondel::Picture& picture = result.picture;
    if (picture.width() > grondel::kMaxPictureSide || picture.height() > grondel::kMaxPictureSide ||
        picture.byteSize() > grondel::kMaxDecodedBytes ||
        picture.byteSize() != grondel::Picture::bytesFor(picture.width(), picture.height(),
                                                         picture.layout(), picture.bitDepth()))
        __builtin_trap();
    // Every pixel of a small picture, a sparse grid of a large one, and the edges beyond.
    const int step = picture.width() * picture.height() > (1 << 20) ? 97 : 1;
    for (int y = 0; y < picture.height(); y += step)
        for (int x = 0; x < picture.width(); x += step)
            readPixel(picture, x, y);
    readPixel(picture, picture.width() - 1, picture.height() - 1);
    if (picture.packedColour(picture.width(), 0) != 0 || picture.packedColour(0, -1) != 0)
        __builtin_trap();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width()) * 3);
    picture.rgb8Row(picture.height() - 1, row);
    return 0;
}
