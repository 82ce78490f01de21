#pragma once

// The JPEG reader's two halves: our own walk over the markers, then libjpeg on the whole file.

#include "picture/decoders.h"

#include <cstdint>
#include <cstdio>
#include <jpeglib.h>

namespace grondel::picture_detail {

// What a JPEG's markers say its scans will cost, before any is decoded.
struct JpegScans {
    int count = 0;
    std::uint64_t blocks = 0;     // decoded by all the scans together
    std::uint64_t codedBytes = 0; // the scans' entropy-coded data
};

// Walks the marker segments from the start of the file to its end-of-image marker, as libjpeg
// reads them; info is the library's, after it has read the header. Stops early where the file
// stops making sense: the library refuses it there, having decoded none of the scans past it.
JpegScans walkJpegScans(Bytes bytes, const jpeg_decompress_struct& info);

// The blocks one scan of these components decodes: every block of a lone component, every
// block of each MCU (edge padding included) of interleaved ones.
std::uint64_t jpegScanBlocks(const jpeg_decompress_struct& info,
                             const jpeg_component_info* const* components, int count);

// The blocks of every component: what one pass over the picture decodes.
std::uint64_t jpegPictureBlocks(const jpeg_decompress_struct& info);

} // namespace grondel::picture_detail
