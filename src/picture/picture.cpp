#include "picture/picture.h"

#include <algorithm>

namespace grondel {
namespace {

// One pixel's samples widened: colour (grey repeated), alpha, and the level both top out at.
struct Pixel {
    std::uint32_t red = 0, green = 0, blue = 0;
    std::uint32_t alpha = 1, alphaMax = 1; // opaque unless the picture has alpha
    std::uint32_t max = 255;
};

Pixel pixelAt(const Picture& picture, int x, int y) {
    Pixel pixel;
    pixel.max = picture.maxLevel();
    const auto at = [&](int channel) { return picture.sample(x, y, channel); };
    switch (picture.layout()) {
    case PictureLayout::Grey:
        pixel.red = pixel.green = pixel.blue = at(0);
        break;
    case PictureLayout::GreyAlpha:
        pixel.red = pixel.green = pixel.blue = at(0);
        pixel.alpha = at(1);
        pixel.alphaMax = pixel.max;
        break;
    case PictureLayout::Rgb:
        pixel.red = at(0);
        pixel.green = at(1);
        pixel.blue = at(2);
        break;
    case PictureLayout::Rgba:
        pixel.red = at(0);
        pixel.green = at(1);
        pixel.blue = at(2);
        pixel.alpha = at(3);
        pixel.alphaMax = pixel.max;
        break;
    }
    return pixel;
}

// value x alpha over max x alphaMax as an 8-bit level, rounded once to the nearest. The
// denominator is odd (255, 65535 or their products), so no value lies halfway.
std::uint32_t level8(std::uint32_t value, const Pixel& pixel) {
    const std::uint64_t numerator = std::uint64_t{value} * pixel.alpha * 255;
    const std::uint64_t denominator = std::uint64_t{pixel.max} * pixel.alphaMax;
    return static_cast<std::uint32_t>((numerator + denominator / 2) / denominator);
}

} // namespace

Picture::Picture(int width, int height, PictureLayout layout, int bitDepth)
    : width_(width)
    , height_(height)
    , layout_(layout)
    , bitDepth_(bitDepth == 16 ? 16 : 8) {
    const std::size_t count = rowLength() * static_cast<std::size_t>(height);
    if (bitDepth_ == 16)
        samples16_ = Samples<std::uint16_t>(count);
    else
        samples8_ = Samples<std::uint8_t>(count);
}

std::uint64_t Picture::bytesFor(std::int64_t width, std::int64_t height, PictureLayout layout,
                                int bitDepth) {
    if (width <= 0 || height <= 0)
        return 0;
    // Sides beyond 2^31 are refused long before; saturate rather than wrap if one slips by.
    constexpr std::uint64_t kSide = std::uint64_t{1} << 31;
    const auto w = std::min<std::uint64_t>(static_cast<std::uint64_t>(width), kSide);
    const auto h = std::min<std::uint64_t>(static_cast<std::uint64_t>(height), kSide);
    return w * h * static_cast<std::uint64_t>(channelsOf(layout)) * (bitDepth == 16 ? 2U : 1U);
}

int Picture::channelsOf(PictureLayout layout) {
    switch (layout) {
    case PictureLayout::Grey:
        return 1;
    case PictureLayout::GreyAlpha:
        return 2;
    case PictureLayout::Rgb:
        return 3;
    case PictureLayout::Rgba:
        return 4;
    }
    return 1;
}

std::int32_t Picture::packedColour(int x, int y) const {
    if (!contains(x, y))
        return 0;
    if (bitDepth_ == 8 && !hasAlpha()) {
        const std::size_t at = index(x, y);
        if (layout_ == PictureLayout::Grey)
            return static_cast<std::int32_t>(samples8_[at] * 0x010101U);
        return static_cast<std::int32_t>(samples8_[at] | samples8_[at + 1] << 8 |
                                         samples8_[at + 2] << 16);
    }
    const Pixel pixel = pixelAt(*this, x, y);
    return static_cast<std::int32_t>(level8(pixel.red, pixel) | level8(pixel.green, pixel) << 8 |
                                     level8(pixel.blue, pixel) << 16);
}

double Picture::greyLevel(int x, int y) const {
    if (!contains(x, y))
        return 0.0;
    const Pixel pixel = pixelAt(*this, x, y);
    const double level = isGrey() ? static_cast<double>(pixel.red)
                                  : 0.2126 * pixel.red + 0.7152 * pixel.green + 0.0722 * pixel.blue;
    const double opacity = static_cast<double>(pixel.alpha) / pixel.alphaMax;
    return level / pixel.max * opacity;
}

void Picture::rgb8Row(int y, std::span<std::uint8_t> out) const {
    if (y < 0 || y >= height_ || out.size() < static_cast<std::size_t>(width_) * 3)
        return;
    std::uint8_t* to = out.data();
    for (int x = 0; x < width_; ++x) {
        const auto colour = static_cast<std::uint32_t>(packedColour(x, y));
        *to++ = static_cast<std::uint8_t>(colour);
        *to++ = static_cast<std::uint8_t>(colour >> 8);
        *to++ = static_cast<std::uint8_t>(colour >> 16);
    }
}

std::span<std::uint8_t> Picture::row8(int y) {
    if (bitDepth_ != 8 || y < 0 || y >= height_)
        return {};
    return {samples8_.data() + rowLength() * static_cast<std::size_t>(y), rowLength()};
}

std::span<std::uint16_t> Picture::row16(int y) {
    if (bitDepth_ != 16 || y < 0 || y >= height_)
        return {};
    return {samples16_.data() + rowLength() * static_cast<std::size_t>(y), rowLength()};
}

std::span<const std::uint8_t> Picture::row8(int y) const {
    return const_cast<Picture*>(this)->row8(y);
}

std::span<const std::uint16_t> Picture::row16(int y) const {
    return const_cast<Picture*>(this)->row16(y);
}

} // namespace grondel
