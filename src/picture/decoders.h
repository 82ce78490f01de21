#pragma once

// What the format decoders share; not part of the library's interface.

#include "picture/bytes.h"
#include "picture/decode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace grondel::picture_detail {

PictureResult refuse(PictureFormat format, PictureProblem problem, std::string error);

// The refusal for a picture of width x height in the given layout when it breaks a limit
// (sides over kMaxPictureSide, samples over kMaxDecodedBytes) or has no pixels; nothing when
// it may be decoded.
std::optional<PictureResult> checkPictureSize(PictureFormat format, std::int64_t width,
                                              std::int64_t height, PictureLayout layout,
                                              int bitDepth);

// The limit messages, one line each. The JPEG ones live as long as the program: the JPEG
// reader hands them on from where no temporary may be left behind.
std::string fileTooLarge(std::size_t bytes);
const std::string& jpegTooManyScans();
std::string jpegTooMuchScanWork(int scans, std::uint64_t blocks, std::uint64_t limit,
                                std::uint64_t codedBytes);
const std::string& jpegTooMuchScanWork();
const std::string& jpegNeedsTooMuchMemory();
std::string pngTooManyAncillaryChunks();

// Why content that is none of the readable formats is refused, naming what it looks like.
std::string notAReadablePicture(Bytes bytes);

// Each decoder takes the whole file, already sniffed as its format and within the file limit.
PictureResult decodeBmp(Bytes bytes);
PictureResult decodePng(Bytes bytes);
PictureResult decodeJpeg(Bytes bytes);
PictureResult decodePnm(Bytes bytes);

} // namespace grondel::picture_detail
