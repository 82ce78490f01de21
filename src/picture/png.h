#pragma once

// The PNG reader's two halves: our own walk over the chunks, then libspng on what it keeps.

#include "picture/decoders.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace grondel::picture_detail {

// What the chunk walk found, and the part of the file libspng is shown.
struct PngPlan {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool transparency = false; // a tRNS chunk before the image data
    // Byte ranges [first, second) of the file that make up the stream libspng reads: the
    // signature and the chunks that shape the pixels (IHDR, PLTE, tRNS, IDAT, IEND), in order.
    std::vector<std::pair<std::size_t, std::size_t>> kept;
    // Where, in that stream, the image data ends and IEND begins.
    std::size_t imageDataEnd = 0;
    // Where the IDAT chunks lie in the file, whole: [first, second).
    std::pair<std::size_t, std::size_t> imageDataChunks;
};

// Walks every chunk up to IEND, checking each one's length and checksum, the header's sides
// and decoded size against the limits, and the count of ancillary chunks. Ancillary chunks other
// than tRNS are skipped unread: no text is inflated, no gamma or colour profile applied. The
// plan, or the refusal.
std::optional<PictureResult> planPng(Bytes bytes, PngPlan& plan);

// The picture layout and depth a PNG's colour type and depth decode to.
PictureLayout pngLayout(int colourType, bool transparency);
int pngDepth(int bitDepth);

} // namespace grondel::picture_detail
