#include "picture/bmp.h"

#include <algorithm>
#include <bit>

namespace grondel::picture_detail {
namespace {

// One channel of a bit-field pixel as 8 bits. A channel of up to 8 bits is shifted up (5-bit
// 31 reads 248), as Qt read bitmaps before, so that their heights stay what they were; a wider
// one keeps its top 8 bits.
class MaskChannel {
public:
    explicit MaskChannel(std::uint32_t mask)
        : mask_(mask) {
        while (mask != 0 && ((mask >> shift_) & 1) == 0)
            ++shift_;
        const auto bits = static_cast<int>(std::bit_width(mask >> shift_));
        up_ = bits < 8 ? 8 - bits : 0;
        if (bits > 8)
            shift_ += static_cast<unsigned>(bits - 8);
    }

    std::uint8_t operator()(std::uint32_t pixel) const {
        return static_cast<std::uint8_t>(((pixel & mask_) >> shift_) << up_);
    }

private:
    std::uint32_t mask_;
    unsigned shift_ = 0;
    int up_ = 0;
};

PictureResult damaged(std::string error) {
    return refuse(PictureFormat::Bmp, PictureProblem::Damaged, std::move(error));
}

PictureResult beyondPalette(unsigned index, std::size_t entries) {
    return damaged("the BMP has pixel index " + std::to_string(index) + " beyond its " +
                   std::to_string(entries) + "-entry palette");
}

// Writes palette entries into the picture: one grey sample or three colour samples a pixel.
class PalettePainter {
public:
    PalettePainter(const BmpLayout& layout, Picture& picture)
        : palette_(layout.palette)
        , grey_(layout.pictureLayout == PictureLayout::Grey)
        , picture_(picture) {}

    // False, painting nothing, for an index past the palette: the file gives no colour for it.
    bool paint(std::span<std::uint8_t> row, std::size_t x, unsigned index) const {
        if (index >= palette_.size())
            return false;
        const auto& colour = palette_[index];
        if (grey_) {
            row[x] = colour[0];
        } else {
            row[3 * x] = colour[0];
            row[3 * x + 1] = colour[1];
            row[3 * x + 2] = colour[2];
        }
        return true;
    }

    // The picture row that stored row r (counted from the first in the file) fills.
    std::span<std::uint8_t> row(const BmpLayout& layout, std::int64_t r) const {
        return picture_.row8(layout.topDown ? static_cast<int>(r)
                                            : layout.height - 1 - static_cast<int>(r));
    }

private:
    const std::vector<std::array<std::uint8_t, 3>>& palette_;
    bool grey_;
    Picture& picture_;
};

std::optional<PictureResult> decodeIndexedRows(Bytes bytes, const BmpLayout& layout,
                                               Picture& picture) {
    const PalettePainter painter(layout, picture);
    const auto bits = static_cast<unsigned>(layout.bits);
    const unsigned perByte = 8 / bits;
    const unsigned valueMask = (1U << bits) - 1;
    for (int r = 0; r < layout.height; ++r) {
        const std::uint8_t* in = bytes.data() + layout.dataStart + layout.rowBytes * r;
        const auto row = painter.row(layout, r);
        for (std::size_t x = 0; x < static_cast<std::size_t>(layout.width); ++x) {
            // The leftmost pixel sits in the highest bits of its byte.
            const unsigned shift = 8 - bits * (static_cast<unsigned>(x % perByte) + 1);
            const unsigned index = (in[x / perByte] >> shift) & valueMask;
            if (!painter.paint(row, x, index))
                return beyondPalette(index, layout.palette.size());
        }
    }
    return std::nullopt;
}

void decodeDirectRows(Bytes bytes, const BmpLayout& layout, Picture& picture) {
    const MaskChannel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]),
        alpha(layout.masks[3]);
    const std::size_t pixelBytes = static_cast<std::size_t>(layout.bits) / 8;
    const std::size_t channels = layout.alpha ? 4 : 3;
    for (int r = 0; r < layout.height; ++r) {
        const std::size_t in = layout.dataStart + layout.rowBytes * r;
        const auto row = picture.row8(layout.topDown ? r : layout.height - 1 - static_cast<int>(r));
        for (std::size_t x = 0; x < static_cast<std::size_t>(layout.width); ++x) {
            const std::size_t at = in + x * pixelBytes;
            std::uint8_t* out = row.data() + x * channels;
            if (layout.bits == 24) { // blue, green, red
                out[0] = bytes[at + 2];
                out[1] = bytes[at + 1];
                out[2] = bytes[at];
                continue;
            }
            const std::uint32_t pixel = layout.bits == 16 ? le16(bytes, at) : le32(bytes, at);
            out[0] = red(pixel);
            out[1] = green(pixel);
            out[2] = blue(pixel);
            if (layout.alpha)
                out[3] = alpha(pixel);
        }
    }
}

// Run-length data, RLE8 or RLE4. Deltas, early ends of line and an early end of bitmap skip
// pixels: that is how the format leaves background, and careful readers show skipped pixels as
// background (transparent), so here they are black. Runs past the right edge are clipped. The
// stream must reach its end-of-bitmap mark or pass the last row, else it is cut short; and it
// must paint at least one pixel of the picture: a stream that paints none (an end of bitmap
// alone, say) is a writer that wrote nothing, and reading it as a black picture would make a
// flat terrain of a broken file without a word.
std::optional<PictureResult> decodeRunLength(Bytes bytes, const BmpLayout& layout,
                                             Picture& picture) {
    const PalettePainter painter(layout, picture);
    for (int y = 0; y < layout.height; ++y) {
        const auto row = picture.row8(y);
        std::fill(row.begin(), row.end(), std::uint8_t{0});
    }
    const bool four = layout.compression == kBmpRle4;
    const std::int64_t width = layout.width, height = layout.height;
    std::int64_t x = 0, y = 0; // y counts stored rows, the first one stored first
    bool painted = false;
    std::optional<unsigned> beyond; // the first index past the palette
    auto paint = [&](unsigned index) {
        if (x < width && y < height && !beyond) {
            if (painter.paint(painter.row(layout, y), static_cast<std::size_t>(x), index))
                painted = true;
            else
                beyond = index;
        }
        ++x;
    };
    const auto cutShort = [] { return damaged("the BMP run-length data is cut short"); };
    std::size_t at = layout.dataStart;
    const std::size_t end = layout.dataEnd;
    while (y < height && !beyond) {
        if (end - at < 2)
            return cutShort();
        const unsigned count = bytes[at], value = bytes[at + 1];
        at += 2;
        if (count > 0) { // a run: one index, or two alternating in RLE4
            // Only what lands inside is painted: runs past the edge cost nothing more.
            const auto inside =
                static_cast<unsigned>(std::clamp<std::int64_t>(width - x, 0, count));
            for (unsigned i = 0; i < inside; ++i)
                paint(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            x += count - inside;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: move right and on
            if (end - at < 2)
                return cutShort();
            x += bytes[at];
            y += bytes[at + 1];
            at += 2;
        } else { // literal indices, padded to an even number of bytes
            const std::size_t literalBytes = four ? (value + 1) / 2 : value;
            if (end - at < literalBytes)
                return cutShort();
            for (unsigned i = 0; i < value; ++i)
                paint(four ? (bytes[at + i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0x0F : bytes[at + i]);
            at += std::min(literalBytes + literalBytes % 2, end - at);
        }
    }
    if (beyond)
        return beyondPalette(*beyond, layout.palette.size());
    if (!painted)
        return damaged("the BMP run-length data paints no pixel of the picture");
    return std::nullopt;
}

} // namespace

PictureResult decodeBmp(Bytes bytes) {
    BmpLayout layout;
    if (auto refused = readBmpLayout(bytes, layout))
        return *refused;
    PictureResult result;
    result.format = PictureFormat::Bmp;
    result.picture = Picture(layout.width, layout.height, layout.pictureLayout, 8);
    std::optional<PictureResult> refused;
    if (layout.compression == kBmpRle8 || layout.compression == kBmpRle4)
        refused = decodeRunLength(bytes, layout, result.picture);
    else if (layout.bits <= 8)
        refused = decodeIndexedRows(bytes, layout, result.picture);
    else
        decodeDirectRows(bytes, layout, result.picture);
    if (refused)
        return *std::move(refused);
    return result;
}

} // namespace grondel::picture_detail
