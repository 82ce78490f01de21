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
// Ancillary (non-critical) PNG chunks: they are skipped, never applied or inflated, but each
// still has its checksum verified. Still pictures have a few dozen at most; hundreds are a
// flood (hundreds of compressed text chunks were how a 1 MB file made Qt take 4.7 GB).
inline constexpr int kMaxPngAncillaryChunks = 256;

} // namespace grondel
