#pragma once

// Hostile and broken picture files, generated on the spot: the tests assert each refusal, and
// bench/hostile_pictures.sh times each decode and measures its peak memory.

#include "picture/decode.h"

#include <string>
#include <vector>

namespace grondel::testing {

struct HostilePicture {
    std::string name; // a file name fit to write it under
    std::string bytes;
    PictureProblem problem; // what decoding it must give; None for bombs that must just decode
    std::string reason;     // words the one-line refusal must hold
};

// Every hostile file: other formats (SVG, GIF, TIFF, ...), each readable format cut short, with
// a size lie in its header, over the side and decoded-size limits, with a bad checksum, with
// pixels the file never gives (palette indices past the palette, run-length data that paints
// nothing), and the bombs (compressed PNG text, PNG image data, JPEG scans, run-length runs).
// About 30 MB in all, made in about a second.
std::vector<HostilePicture> hostilePictures();

// Valid files the broken ones are cut from: a 64 x 64 colour gradient in each format.
std::string gradientBmp();
std::string gradientPng();
std::string gradientJpeg(bool progressive = false, bool subsample = true);
std::string gradientPgm();

} // namespace grondel::testing
