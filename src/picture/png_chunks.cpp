#include "picture/png.h"

#include <array>
#include <string_view>
#include <zlib.h>

namespace grondel::picture_detail {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

PictureResult damaged(std::string error) {
    return refuse(PictureFormat::Png, PictureProblem::Damaged, std::move(error));
}

bool isLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The chunk's type, fit to print: four ASCII letters, checked before.
std::string typeName(Bytes bytes, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + at + 4), 4);
}

bool isType(Bytes bytes, std::size_t at, std::string_view type) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data() + at + 4), 4) == type;
}

void keep(PngPlan& plan, std::size_t from, std::size_t to) {
    if (!plan.kept.empty() && plan.kept.back().second == from)
        plan.kept.back().second = to; // one range for runs of kept chunks
    else
        plan.kept.emplace_back(from, to);
}

std::size_t keptBytes(const PngPlan& plan) {
    std::size_t total = 0;
    for (const auto& [from, to] : plan.kept)
        total += to - from;
    return total;
}

// The header chunk's fields, and the limits on what it promises.
std::optional<PictureResult> readHeader(Bytes bytes, std::size_t at, std::uint32_t length,
                                        PngPlan& plan) {
    if (length != 13)
        return damaged("the PNG header chunk has " + std::to_string(length) +
                       " bytes instead of 13");
    plan.width = be32(bytes, at + 8);
    plan.height = be32(bytes, at + 12);
    plan.bitDepth = bytes[at + 16];
    plan.colourType = bytes[at + 17];
    // Transparency can only add an alpha channel; the full check follows the walk.
    return checkPictureSize(PictureFormat::Png, plan.width, plan.height,
                            pngLayout(plan.colourType, false), pngDepth(plan.bitDepth));
}

} // namespace

PictureLayout pngLayout(int colourType, bool transparency) {
    switch (colourType) {
    case 0:
        return transparency ? PictureLayout::GreyAlpha : PictureLayout::Grey;
    case 4:
        return PictureLayout::GreyAlpha;
    case 6:
        return PictureLayout::Rgba;
    default: // 2 (RGB) and 3 (palette)
        return transparency ? PictureLayout::Rgba : PictureLayout::Rgb;
    }
}

int pngDepth(int bitDepth) {
    return bitDepth == 16 ? 16 : 8;
}

std::optional<PictureResult> planPng(Bytes bytes, PngPlan& plan) {
    if (bytes.size() < kSignature.size())
        return damaged("the PNG is cut short");
    if (!std::equal(kSignature.begin(), kSignature.end(), bytes.begin()))
        return damaged("the PNG signature is damaged");
    keep(plan, 0, kSignature.size());

    enum { Before, Inside, After } imageData = Before;
    bool header = false, palette = false;
    int ancillary = 0;
    for (std::size_t at = kSignature.size();;) {
        if (bytes.size() - at < 12)
            return damaged("the PNG is cut short");
        const std::uint32_t length = be32(bytes, at);
        if (length > kMaxChunkLength)
            return damaged("a PNG chunk claims " + std::to_string(length) + " bytes");
        if (bytes.size() - at - 12 < length)
            return damaged("the PNG is cut short");
        for (std::size_t i = 4; i < 8; ++i)
            if (!isLetter(bytes[at + i]))
                return damaged("the PNG holds a chunk with a broken name");
        const std::size_t end = at + 12 + length;
        const auto crc = crc32(0L, bytes.data() + at + 4, static_cast<uInt>(length + 4));
        if (crc != be32(bytes, end - 4))
            return damaged("the PNG's " + typeName(bytes, at) + " chunk fails its checksum");

        const bool isHeader = isType(bytes, at, "IHDR");
        if (isHeader == header) // the first chunk, and only that one, is the header
            return damaged(header ? "the PNG has two header chunks"
                                  : "the PNG does not start with its header chunk");
        if (isHeader) {
            header = true;
            if (auto refused = readHeader(bytes, at, length, plan))
                return refused;
            keep(plan, at, end);
        } else if (isType(bytes, at, "IDAT")) {
            if (imageData == After)
                return damaged("the PNG image data is split by other chunks");
            if (imageData == Before)
                plan.imageDataChunks.first = at;
            plan.imageDataChunks.second = end;
            imageData = Inside;
            keep(plan, at, end);
        } else {
            if (imageData == Inside)
                imageData = After;
            if (isType(bytes, at, "IEND")) {
                if (imageData == Before)
                    return damaged("the PNG has no image data");
                plan.imageDataEnd = keptBytes(plan);
                keep(plan, at, end);
                break;
            }
            if (isType(bytes, at, "PLTE")) {
                if (palette)
                    return damaged("the PNG has two palettes");
                palette = true;
                keep(plan, at, end);
            } else if (!(bytes[at + 4] & 0x20)) { // an upper-case first letter: critical
                return refuse(PictureFormat::Png, PictureProblem::Unsupported,
                              "the PNG has a critical " + typeName(bytes, at) +
                                  " chunk, which Grondel does not read");
            } else if (++ancillary > kMaxPngAncillaryChunks) {
                return refuse(PictureFormat::Png, PictureProblem::TooLarge,
                              pngTooManyAncillaryChunks());
            } else if (isType(bytes, at, "tRNS") && imageData == Before && !plan.transparency &&
                       plan.colourType != 4 && plan.colourType != 6) {
                // Transparency for a picture that has no alpha channel of its own; anywhere
                // else it has no meaning and is skipped like any other ancillary chunk.
                plan.transparency = true;
                keep(plan, at, end);
            }
        }
        at = end;
    }
    return checkPictureSize(PictureFormat::Png, plan.width, plan.height,
                            pngLayout(plan.colourType, plan.transparency), pngDepth(plan.bitDepth));
}

} // namespace grondel::picture_detail
