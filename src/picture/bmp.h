#pragma once

// The BMP reader's two halves: the headers, then the pixels.

#include "picture/decoders.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace grondel::picture_detail {

enum BmpCompression : std::uint32_t {
    kBmpRgb = 0,
    kBmpRle8 = 1,
    kBmpRle4 = 2,
    kBmpBitFields = 3,
    kBmpJpeg = 4,
    kBmpPng = 5,
    kBmpAlphaBitFields = 6,
};

// Everything the headers say about how to read the pixels, checked against the file.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false; // the first stored row is the top one
    int bits = 0;         // a pixel: 1, 4, 8, 16, 24 or 32
    std::uint32_t compression = kBmpRgb;
    // Red, green, blue and alpha masks of a 16 or 32-bit pixel; alpha only counts when alpha.
    std::array<std::uint32_t, 4> masks{};
    bool alpha = false;
    std::vector<std::array<std::uint8_t, 3>> palette; // red, green, blue; 1 to 8-bit pixels
    PictureLayout pictureLayout = PictureLayout::Rgb; // Grey when every palette entry is grey
    // The pixel data: [dataStart, dataEnd) lies inside the file; rowBytes for uncompressed rows.
    std::size_t dataStart = 0;
    std::size_t dataEnd = 0;
    std::size_t rowBytes = 0;
};

// Reads the file and info headers, the masks and the palette, and checks the pixel data is all
// there: the layout, or the refusal when the headers are broken, unsupported, cut short or over
// a limit.
std::optional<PictureResult> readBmpLayout(Bytes bytes, BmpLayout& layout);

} // namespace grondel::picture_detail
