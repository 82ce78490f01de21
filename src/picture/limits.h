#pragma once

#include <cstddef>
#include <cstdint>

namespace grondel {

// Hard limits on untrusted pictures. Each is checked before the work it guards: the file's size
// before anything is read, a header's sides and decoded size before any pixel is decoded or any
// memory for pixels is taken. A refusal names its limit.

// The whole file.
inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{256} << 20;
// Either side, in pixels.
inline constexpr int kMaxPictureSide = 8192;
// The decoded samples (width x height x channels x bytes a sample), and apart from them the
// working memory the JPEG library may take (a progressive JPEG keeps all its coefficients).
inline constexpr std::uint64_t kMaxDecodedBytes = std::uint64_t{256} << 20;
// Scans in one JPEG: a progressive file has about ten; thousands only cost time.
inline constexpr int kMaxJpegScans = 100;
// Decoding work in a JPEG's scans, in 8 x 8 blocks: each scan decodes every block of the
// components it holds, however few bytes it has. Common progressive files decode a block 4 to
// 6 times over (libjpeg's and mozjpeg's scripts); arithmetic coding puts an 8192 x 8192 scan in
// a dozen bytes, so that 99 scans in 1.9 KB took 4 s. The scans may decode a fixed 4 Mi blocks
// (a tenth of a second or so), 10 times the picture's blocks, and 16 blocks for each byte of
// their coded data: a tiny file adds a fraction of a second to its picture's decoding, and more
// work takes more bytes. Counted from the markers before any scan is decoded, and again as the
// library goes.
inline constexpr std::uint64_t kJpegFreeScanBlocks = std::uint64_t{1} << 22;
inline constexpr std::uint64_t kJpegFreeScanPasses = 10;
inline constexpr std::uint64_t kJpegScanBlocksPerByte = 16;

// The blocks a JPEG's scans may decode for a picture of pictureBlocks (all components) and
// codedBytes of scan data.
inline constexpr std::uint64_t jpegScanBlockLimit(std::uint64_t pictureBlocks,
                                                  std::uint64_t codedBytes) {
    return kJpegFreeScanBlocks + kJpegFreeScanPasses * pictureBlocks +
           kJpegScanBlocksPerByte * codedBytes;
}
// Ancillary (non-critical) PNG chunks: they are skipped, never applied or inflated, but each
// still has its checksum verified. Still pictures have a few dozen at most; hundreds are a
// flood (hundreds of compressed text chunks were how a 1 MB file made Qt take 4.7 GB).
inline constexpr int kMaxPngAncillaryChunks = 256;

} // namespace grondel
