#include "picture/bmp.h"

#include <algorithm>

namespace grondel::picture_detail {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;

// Info header sizes: OS/2 1.x core, Windows 3 (40), its Adobe extensions with colour masks (52)
// and alpha mask (56), OS/2 2.x (64), Windows 4 (108) and 5 (124).
constexpr std::array<std::uint32_t, 7> kInfoHeaderSizes{12, 40, 52, 56, 64, 108, 124};

PictureResult damaged(std::string error) {
    return refuse(PictureFormat::Bmp, PictureProblem::Damaged, std::move(error));
}
PictureResult unsupported(std::string error) {
    return refuse(PictureFormat::Bmp, PictureProblem::Unsupported, std::move(error));
}

// Compressions no bit count makes readable, named before the bit count is looked at: a BMP
// holding a JPEG or PNG picture gives 0 bits a pixel, and OS/2 2.x numbers 3 and 4 as Huffman
// and RLE24 where Windows means bit fields and JPEG.
std::optional<PictureResult> checkCompressionKind(std::uint32_t infoSize,
                                                  std::uint32_t compression) {
    const bool os2 = infoSize == 64;
    if (os2 && (compression == 3 || compression == 4))
        return unsupported(std::string("an OS/2 BMP with ") +
                           (compression == 3 ? "Huffman" : "RLE24") +
                           " compression, which Grondel does not read");
    if (!os2 && (compression == kBmpJpeg || compression == kBmpPng))
        return unsupported(std::string("a BMP holding a ") +
                           (compression == kBmpJpeg ? "JPEG" : "PNG") +
                           " picture, which Grondel does not read");
    if (compression > (os2 ? kBmpRle4 : kBmpAlphaBitFields))
        return unsupported("a BMP with compression " + std::to_string(compression) +
                           ", which Grondel does not read");
    return std::nullopt;
}

// The bit count the compression needs.
std::optional<PictureResult> checkCompressionBits(int bits, std::uint32_t compression) {
    if ((compression == kBmpRle8 || compression == kBmpRle4) &&
        bits != (compression == kBmpRle8 ? 8 : 4))
        return damaged("the BMP header pairs run-length compression with " + std::to_string(bits) +
                       " bits a pixel");
    if ((compression == kBmpBitFields || compression == kBmpAlphaBitFields) && bits != 16 &&
        bits != 32)
        return damaged("the BMP header pairs bit fields with " + std::to_string(bits) +
                       " bits a pixel");
    return std::nullopt;
}

// The masks of a bit-field bitmap: inside the info header from 52 bytes up, else just after it.
// Sets where the headers end.
std::optional<PictureResult> readMasks(Bytes bytes, std::uint32_t infoSize, BmpLayout& layout,
                                       std::size_t& headersEnd) {
    const std::size_t infoEnd = kFileHeaderBytes + infoSize;
    headersEnd = infoEnd;
    if (layout.compression != kBmpBitFields && layout.compression != kBmpAlphaBitFields) {
        if (layout.bits == 16) {
            layout.masks = {0x7C00, 0x03E0, 0x001F, 0}; // 5-5-5
        } else {
            // The fourth byte of an uncompressed 32-bit pixel is not alpha, unless a header
            // with an alpha mask (56 bytes and up) names it so, as Qt read bitmaps before.
            const bool named = infoSize >= 56 && infoSize != 64 && layout.bits == 32 &&
                               le32(bytes, kFileHeaderBytes + 52) == 0xFF000000;
            layout.masks = {0xFF0000, 0xFF00, 0xFF, named ? 0xFF000000 : 0};
            layout.alpha = named;
        }
        return std::nullopt;
    }
    // The masks start right after the 40 bytes every Windows header shares, whether the header
    // goes on to hold them (52 bytes and up) or not (40: three, or four with alpha, follow it).
    const std::size_t masksAt = kFileHeaderBytes + 40;
    std::size_t count = infoSize == 52 ? 3 : 4;
    if (infoSize == 40)
        count = layout.compression == kBmpAlphaBitFields ? 4 : 3;
    headersEnd = std::max(infoEnd, masksAt + 4 * count);
    if (headersEnd > bytes.size())
        return damaged("the BMP colour masks are cut short");
    for (std::size_t i = 0; i < count; ++i)
        layout.masks[i] = le32(bytes, masksAt + 4 * i);
    layout.alpha = layout.masks[3] != 0;
    return std::nullopt;
}

// The colour table of a 1, 4 or 8-bit bitmap: 3 bytes an entry after the OS/2 core header,
// else 4 (blue, green, red, unused). Sets where it ends.
std::optional<PictureResult> readPalette(Bytes bytes, std::uint32_t infoSize,
                                         std::uint32_t coloursUsed, BmpLayout& layout,
                                         std::size_t& headersEnd) {
    const std::size_t entryBytes = infoSize == 12 ? 3 : 4;
    const std::uint32_t count = coloursUsed != 0 ? coloursUsed : 1U << layout.bits;
    if (count > 256)
        return damaged("the BMP palette claims " + std::to_string(count) +
                       " colours, more than 256");
    const std::size_t start = kFileHeaderBytes + infoSize;
    headersEnd = start + count * entryBytes;
    if (headersEnd > bytes.size())
        return damaged("the BMP palette is cut short");
    bool grey = true;
    layout.palette.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = start + i * entryBytes;
        layout.palette[i] = {bytes[at + 2], bytes[at + 1], bytes[at]};
        grey = grey && bytes[at] == bytes[at + 1] && bytes[at + 1] == bytes[at + 2];
    }
    layout.pictureLayout = grey ? PictureLayout::Grey : PictureLayout::Rgb;
    return std::nullopt;
}

// Where the pixel data lies; a refusal when the file holds less than the header promises.
std::optional<PictureResult> locateData(Bytes bytes, std::uint32_t offset, std::uint32_t imageSize,
                                        std::size_t headersEnd, BmpLayout& layout) {
    // An offset pointing back into the headers is taken as "right after them".
    layout.dataStart = std::max<std::size_t>(offset, headersEnd);
    const bool runLength = layout.compression == kBmpRle8 || layout.compression == kBmpRle4;
    std::uint64_t need = 0;
    if (runLength) {
        need = imageSize; // 0: to the end of the file
    } else {
        layout.rowBytes =
            (static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.bits) + 31) /
            32 * 4;
        need = std::uint64_t{layout.rowBytes} * static_cast<std::uint64_t>(layout.height);
    }
    if (layout.dataStart >= bytes.size() || need > bytes.size() - layout.dataStart)
        return damaged("the BMP pixel data is cut short");
    layout.dataEnd = need != 0 ? layout.dataStart + need : bytes.size();
    return std::nullopt;
}

} // namespace

std::optional<PictureResult> readBmpLayout(Bytes bytes, BmpLayout& layout) {
    if (bytes.size() < kFileHeaderBytes + 4)
        return damaged("the BMP header is cut short");
    const std::uint32_t offset = le32(bytes, 10);
    const std::uint32_t infoSize = le32(bytes, 14);
    if (std::find(kInfoHeaderSizes.begin(), kInfoHeaderSizes.end(), infoSize) ==
        kInfoHeaderSizes.end())
        return unsupported("a BMP info header of " + std::to_string(infoSize) +
                           " bytes, which Grondel does not read");
    if (bytes.size() < kFileHeaderBytes + infoSize)
        return damaged("the BMP header is cut short");

    std::int64_t width = 0, height = 0;
    std::uint32_t planes = 0, imageSize = 0, coloursUsed = 0;
    if (infoSize == 12) { // OS/2 1.x: 16-bit sides, never compressed
        width = static_cast<std::int16_t>(le16(bytes, 18));
        height = static_cast<std::int16_t>(le16(bytes, 20));
        planes = le16(bytes, 22);
        layout.bits = static_cast<int>(le16(bytes, 24));
    } else {
        width = static_cast<std::int32_t>(le32(bytes, 18));
        height = static_cast<std::int32_t>(le32(bytes, 22));
        planes = le16(bytes, 26);
        layout.bits = static_cast<int>(le16(bytes, 28));
        layout.compression = le32(bytes, 30);
        imageSize = le32(bytes, 34);
        coloursUsed = le32(bytes, 46);
    }
    // A negative height stores the rows top first.
    layout.topDown = height < 0;
    height = height < 0 ? -height : height;
    // The sides first: a header claiming a huge picture is refused for that whatever else it says.
    if (auto refused = checkPictureSize(PictureFormat::Bmp, width, height, PictureLayout::Grey, 8))
        return refused;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);

    if (planes != 1)
        return damaged("the BMP header gives " + std::to_string(planes) +
                       " colour planes instead of 1");
    if (auto refused = checkCompressionKind(infoSize, layout.compression))
        return refused;
    const int bits = layout.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return unsupported("a BMP of " + std::to_string(bits) +
                           " bits a pixel, which Grondel does not read");
    if (auto refused = checkCompressionBits(bits, layout.compression))
        return refused;

    std::size_t headersEnd = 0;
    auto refused = bits <= 8 ? readPalette(bytes, infoSize, coloursUsed, layout, headersEnd)
                             : readMasks(bytes, infoSize, layout, headersEnd);
    if (refused)
        return refused;
    if (bits > 8)
        layout.pictureLayout = layout.alpha ? PictureLayout::Rgba : PictureLayout::Rgb;
    if (auto tooLarge =
            checkPictureSize(PictureFormat::Bmp, width, height, layout.pictureLayout, 8))
        return tooLarge;
    return locateData(bytes, offset, imageSize, headersEnd, layout);
}

} // namespace grondel::picture_detail
