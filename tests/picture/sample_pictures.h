#pragma once

// Small valid pictures of every kind Grondel reads, made on the spot: the seeds of the fuzzer
// and the files compared with what Qt made of them before.

#include <string>
#include <vector>

namespace grondel::testing {

struct SamplePicture {
    std::string name; // a file name: the kind it is, and its extension
    std::string bytes;
    // Every pixel is defined by the format (no run-length gaps), so any decoder must agree.
    bool fullyDefined = true;
};

// BMP: 1, 4 and 8 bits with palettes, 16 bits 5-5-5 and 5-6-5, 24 and 32 bits, alpha bit
// fields, RLE4 and RLE8, top-down, OS/2 and V4/V5 headers. PNG: every colour type and depth,
// with and without tRNS, interlaced. JPEG: grey, YCbCr, progressive, CMYK and YCCK. PGM and
// PPM: binary and plain, 8 and 16 bits, a maxval that needs scaling.
std::vector<SamplePicture> samplePictures();

} // namespace grondel::testing
