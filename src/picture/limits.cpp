#include "picture/decoders.h"

#include <string_view>

namespace grondel::picture_detail {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// Whole mebibytes, rounded up so that anything over a limit never reads as equal to it.
std::string mebibytes(std::uint64_t bytes) {
    return std::to_string((bytes + kMiB - 1) / kMiB) + " MiB";
}

std::string_view layoutName(PictureLayout layout) {
    switch (layout) {
    case PictureLayout::Grey:
        return "grey";
    case PictureLayout::GreyAlpha:
        return "grey and alpha";
    case PictureLayout::Rgb:
        return "RGB";
    case PictureLayout::Rgba:
        return "RGBA";
    }
    return "";
}

} // namespace

PictureResult refuse(PictureFormat format, PictureProblem problem, std::string error) {
    PictureResult result;
    result.format = format;
    result.problem = problem;
    result.error = std::move(error);
    return result;
}

std::optional<PictureResult> checkPictureSize(PictureFormat format, std::int64_t width,
                                              std::int64_t height, PictureLayout layout,
                                              int bitDepth) {
    if (width <= 0 || height <= 0)
        return refuse(format, PictureProblem::Damaged,
                      "the header gives the picture " + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        return refuse(format, PictureProblem::TooLarge,
                      "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels, more than the limit of " + std::to_string(kMaxPictureSide) +
                          " x " + std::to_string(kMaxPictureSide));
    const std::uint64_t bytes = Picture::bytesFor(width, height, layout, bitDepth);
    if (bytes > kMaxDecodedBytes)
        return refuse(format, PictureProblem::TooLarge,
                      "the picture takes " + mebibytes(bytes) + " decoded (" +
                          std::to_string(width) + " x " + std::to_string(height) + ", " +
                          std::to_string(bitDepth) + "-bit " + std::string(layoutName(layout)) +
                          "), more than the limit of " + mebibytes(kMaxDecodedBytes));
    return std::nullopt;
}

std::string fileTooLarge(std::size_t bytes) {
    return "the file is " + mebibytes(bytes) + ", more than the limit of " +
           mebibytes(kMaxPictureFileBytes) + " for a picture";
}

const std::string& jpegTooManyScans() {
    static const std::string text =
        "the JPEG has more scans than the limit of " + std::to_string(kMaxJpegScans);
    return text;
}

std::string jpegTooMuchScanWork(int scans, std::uint64_t blocks, std::uint64_t limit,
                                std::uint64_t codedBytes) {
    return "the JPEG's " + std::to_string(scans) + " scans decode " + std::to_string(blocks) +
           " blocks, more than the limit of " + std::to_string(limit) +
           " for its picture and its " + std::to_string(codedBytes) + " bytes of scan data";
}

const std::string& jpegTooMuchScanWork() {
    static const std::string text =
        "the JPEG's scans decode more blocks than the limit for its picture and its scan data";
    return text;
}

const std::string& jpegNeedsTooMuchMemory() {
    static const std::string text =
        "decoding the JPEG takes more working memory than the limit of " +
        mebibytes(kMaxDecodedBytes);
    return text;
}

std::string pngTooManyAncillaryChunks() {
    return "the PNG has more ancillary chunks than the limit of " +
           std::to_string(kMaxPngAncillaryChunks);
}

} // namespace grondel::picture_detail
