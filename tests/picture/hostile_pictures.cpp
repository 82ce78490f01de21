#include "picture/hostile_pictures.h"

#include "picture/picture_writers.h"

namespace grondel::testing {
namespace {

using enum PictureProblem;

constexpr int kSide = 64;

std::vector<std::uint8_t> gradientRgb() {
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            samples.insert(samples.end(),
                           {static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4),
                            static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF)});
    return samples;
}

// The JPEG's frame header (baseline, progressive or arithmetic progressive) given other sides.
std::string withJpegSize(std::string file, std::uint32_t width, std::uint32_t height) {
    std::size_t at = file.find("\xFF\xC0");
    for (const char* frame : {"\xFF\xC2", "\xFF\xCA"})
        at = at == std::string::npos ? file.find(frame) : at;
    file[at + 5] = static_cast<char>(height >> 8);
    file[at + 6] = static_cast<char>(height & 0xFF);
    file[at + 7] = static_cast<char>(width >> 8);
    file[at + 8] = static_cast<char>(width & 0xFF);
    return file;
}

std::string withoutTail(const std::string& file, std::size_t bytes) {
    return file.substr(0, file.size() - bytes);
}

std::string half(const std::string& file) {
    return file.substr(0, file.size() / 2);
}

// A 64 x 64 grey PNG with extra chunks before its image data.
std::string pngWith(std::vector<std::string> chunks) {
    PngOptions options;
    options.width = options.height = kSide;
    options.before = std::move(chunks);
    return pngFile(options, std::vector<std::uint16_t>(kSide * kSide, 0));
}

std::string zText(std::string_view keyword, std::uint64_t inflated) {
    return pngChunk("zTXt", std::string(keyword) + std::string("\0\0", 2) + zlibZeros(inflated));
}

std::string iText(std::string_view keyword, std::uint64_t inflated) {
    // keyword, compressed, method 0, no language tag, no translated keyword
    return pngChunk("iTXt",
                    std::string(keyword) + std::string("\0\1\0\0\0", 5) + zlibZeros(inflated));
}

std::vector<HostilePicture> otherFormats() {
    const std::string readable = "BMP, PNG, JPEG and PGM/PPM";
    return {
        {"text.svg", R"(<svg xmlns="http://www.w3.org/2000/svg"><text x="1" y="9">Hi</text></svg>)",
         NotAPicture, "SVG"},
        {"nested-use.svg",
         "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><g id=\"a\"><use xlink:href=\"#a\"/>"
         "<use xlink:href=\"#a\"/></g></svg>",
         NotAPicture, "SVG"},
        {"image-pipe.svg",
         "\xEF\xBB\xBF  <svg xmlns=\"http://www.w3.org/2000/svg\"><image href=\"/tmp/fifo\" "
         "width=\"9\" height=\"9\"/></svg>",
         NotAPicture, "SVG"},
        {"huge-frame.gif",
         std::string("GIF89a\xFF\xFF\xFF\xFF\0\0\0,\0\0\0\0\xFF\xFF\xFF\xFF\0\x08", 24),
         NotAPicture, "GIF"},
        {"intel.tif", std::string("II*\0\x08\0\0\0", 8), NotAPicture, "TIFF"},
        {"motorola.tif", std::string("MM\0*\0\0\0\x08", 8), NotAPicture, "TIFF"},
        {"picture.webp", std::string("RIFF\x1A\0\0\0WEBPVP8L\x0D\0\0\0", 20), NotAPicture, "WebP"},
        {"icon.ico", std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0", 14), NotAPicture, "ICO"},
        {"picture.pam", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\n\x7F", NotAPicture,
         "PAM"},
        {"notes.txt", "Heights for the north valley.\n", NotAPicture, readable},
        {"empty.png", "", Empty, "empty"},
    };
}

std::vector<HostilePicture> cutShort() {
    const std::string bmp = gradientBmp(), png = gradientPng(), jpeg = gradientJpeg();
    const std::string pgm = gradientPgm();
    // RLE8 rows 0 and 1 of 4, then the data stops: no end of bitmap.
    BmpOptions rle{.width = 4, .height = 4, .bits = 8, .compression = 1};
    rle.palette = std::string(256 * 4, '\0');
    const std::string runs("\x04\x07\x00\x00\x04\x09\x00\x00", 8);
    std::string png16Rows;
    PngOptions short16{.width = kSide, .height = kSide, .depth = 16};
    for (int y = 0; y < kSide / 2; ++y)                     // half the rows the header promises
        png16Rows += '\0' + std::string(2 * kSide, '\x11'); // filter none, then samples
    return {
        {"cut-in-header.bmp", bmp.substr(0, 30), Damaged, "header is cut short"},
        {"cut-in-pixels.bmp", withoutTail(bmp, 1), Damaged, "pixel data is cut short"},
        {"cut-run-length.bmp", bmpFile(rle, runs), Damaged, "run-length data is cut short"},
        {"cut-in-half.png", half(png), Damaged, "cut short"},
        {"no-end.png", withoutTail(png, 12), Damaged, "cut short"},
        {"short-image-data.png", pngFileWithData(short16, zlibCompress(png16Rows)), Damaged,
         "stops short"},
        {"cut-in-half.jpg", half(jpeg), Damaged, "cut short"},
        {"no-end-marker.jpg", withoutTail(jpeg, 2), Damaged, "cut short"},
        {"cut-progressive.jpg", half(gradientJpeg(true)), Damaged, "cut short"},
        {"cut.pgm", withoutTail(pgm, 10), Damaged, "cut short"},
        {"cut-plain.ppm", "P3\n2 2\n255\n1 2 3 4 5 6 7 8 9 10\n", Damaged, "cut short"},
    };
}

std::vector<HostilePicture> sizeLies() {
    std::string bmp = gradientBmp();
    setLe32(bmp, 18, 4000); // the width and height in the info header
    setLe32(bmp, 22, 4000);
    // Black, so that its image data, read at the larger size, is still valid rows of zeros.
    std::string png = pngWith({});
    setBe32(png, 16, 4000); // IHDR's width and height, whose checksum must then be redone
    setBe32(png, 20, 4000);
    png.replace(8, 25, pngChunk("IHDR", png.substr(16, 13)));
    std::string pgm = gradientPgm();
    pgm.replace(0, pgm.find("255"), "P5\n4000 4000\n");
    return {
        {"size-lie.bmp", bmp, Damaged, "pixel data is cut short"},
        {"size-lie.png", png, Damaged, "stops short"},
        {"size-lie.jpg", withJpegSize(gradientJpeg(), 4000, 4000), Damaged, "JPEG"},
        {"size-lie.pgm", pgm, Damaged, "cut short"},
    };
}

std::vector<HostilePicture> overLimits() {
    std::string wild = bmpFile({.width = 4, .height = 1}, std::string(12, '\1'));
    setLe32(wild, 18, 0x7FFFFFFF);
    setLe32(wild, 22, 0x80000000);
    wild[28] = wild[29] = '\xFF'; // 65535 bits a pixel
    PngOptions tall{.width = 1, .height = 8193};
    PngOptions deep{.width = 8192, .height = 8192, .depth = 16, .colourType = 6};
    std::vector<std::string> flood;
    for (int i = 0; i < 300; ++i)
        flood.push_back(pngChunk("tEXt", std::string("Comment\0", 8) + std::to_string(i)));
    // Hundreds of compressed text chunks of 8 MB each, 4.7 GB in all, as a 1 MB file made Qt
    // take 4.7 GB: refused by their count, never inflated.
    const std::vector<std::string> texts(600, zText("Comment", 8000000));
    return {
        {"too-wide.bmp", bmpFile({.width = 8193, .height = 1}, std::string(8193 * 3 + 1, '\0')),
         TooLarge, "limit of 8192 x 8192"},
        {"wild-header.bmp", wild, TooLarge, "limit of 8192 x 8192"},
        {"too-tall.png", pngFileWithData(tall, zlibZeros(8193 * 2)), TooLarge,
         "limit of 8192 x 8192"},
        {"too-wide.jpg", withJpegSize(gradientJpeg(), 9000, 64), TooLarge, "limit of 8192 x 8192"},
        {"too-wide.pgm", "P5 100000 1 255\n" + std::string(100000, '\0'), TooLarge,
         "limit of 8192 x 8192"},
        {"decoded-too-large.png", pngFileWithData(deep, zlibZeros(std::uint64_t{1} << 30)),
         TooLarge, "decoded"},
        {"decoded-too-large.ppm", "P6\n8192 8192\n65535\n", TooLarge, "limit of 256 MiB"},
        {"text-flood.png", pngWith(flood), TooLarge, "ancillary chunks than the limit of 256"},
        {"compressed-text-bomb.png", pngWith(texts), TooLarge, "ancillary chunks"},
    };
}

// Pictures whose files never give some of their pixels.
std::vector<HostilePicture> pixelsNotGiven() {
    PngOptions fourColours{.width = 4, .height = 1, .colourType = 3};
    fourColours.palette = std::string(4 * 3, '\x40');
    BmpOptions twoColours{.width = 3, .height = 1, .bits = 8, .coloursUsed = 2};
    twoColours.palette = std::string(2 * 4, '\x40');
    BmpOptions runs = twoColours;
    runs.compression = 1;
    BmpOptions unpainted{.width = 4, .height = 4, .bits = 8, .compression = 1};
    unpainted.palette = std::string(256 * 4, '\x40');
    return {
        {"palette-index-beyond.png", pngFile(fourColours, {0, 1, 200, 3}), Damaged,
         "pixel index 200 beyond its 4-entry palette"},
        {"palette-index-beyond.bmp", bmpFile(twoColours, std::string("\0\1\5\0", 4)), Damaged,
         "pixel index 5 beyond its 2-entry palette"},
        {"run-length-index-beyond.bmp", bmpFile(runs, std::string("\3\7\0\1", 4)), Damaged,
         "pixel index 7 beyond its 2-entry palette"},
        // The end of the bitmap and nothing else: not one pixel painted.
        {"run-length-end-only.bmp", bmpFile(unpainted, std::string("\0\1", 2)), Damaged,
         "paints no pixel"},
    };
}

std::vector<HostilePicture> bombsAndDamage() {
    std::string badData = gradientPng();
    badData[badData.find("IDAT") + 10] ^= 0x40;
    std::string badText = pngWith({pngChunk("tEXt", std::string("Comment\0hi", 10))});
    badText[badText.find("tEXt") + 9] ^= 0x01;
    // A grey 8192 x 8192 picture, 64 MiB, whose image data inflates to 4 GiB.
    PngOptions big{.width = 8192, .height = 8192};
    std::string jpeg = gradientJpeg();
    jpeg.insert(jpeg.size() - 2, "garbage"); // between the scan and the end marker
    std::string deepJpeg = gradientJpeg();
    deepJpeg[deepJpeg.find("\xFF\xC0") + 4] = 12; // 12-bit samples
    std::string pgmAbove = pnmHeader('5', 2, 1, 200) + "\x05\xC9";
    // Eight million runs of 255 pixels on one 8-pixel row: two billion pixels past the edge.
    BmpOptions runs{.width = 8, .height = 1, .bits = 8, .compression = 1};
    runs.palette = std::string(256 * 4, '\0');
    std::string pastTheEdge = "\xFF\x01";
    while (pastTheEdge.size() < (std::size_t{16} << 20))
        pastTheEdge += pastTheEdge;
    pastTheEdge += std::string("\0\1", 2);
    // A grey 64 x 64 PNG whose rows are followed by 1 MiB of empty stored blocks.
    std::string rows;
    for (int y = 0; y < kSide; ++y)
        rows += '\0' + std::string(kSide, static_cast<char>(y * 4));
    const std::string padded =
        pngFileWithData({.width = kSide, .height = kSide}, zlibWithEmptyBlocks(rows, 200000));
    // 99 scans at 8192 x 8192 in 1.2 KB: arithmetic coding fits a flat scan in a few bytes.
    // Written at 16 x 16 and given its sides after: it is refused before any scan is decoded.
    const std::string arithmetic = withJpegSize(jpegScanBomb(16, 16, 98, true), 8192, 8192);
    // 151 scans, the first one damaged (16 one bits are no Huffman code): the count is read
    // from the markers before any scan is decoded.
    std::string damagedFirst = jpegScanBomb(64, 64, 150);
    const std::size_t scan = damagedFirst.find("\xFF\xDA");
    const auto sosLength = static_cast<unsigned char>(damagedFirst[scan + 3]); // under 256
    damagedFirst.replace(scan + 2 + sosLength, 4, std::string("\xFF\x00\xFF\x00", 4));
    return {
        {"bad-checksum-data.png", badData, Damaged, "IDAT chunk fails its checksum"},
        {"bad-checksum-text.png", badText, Damaged, "tEXt chunk fails its checksum"},
        {"big-compressed-text.png",
         pngWith({zText("Comment", std::uint64_t{1} << 30), iText("XML", std::uint64_t{1} << 30)}),
         None, ""},
        {"image-data-bomb.png", pngFileWithData(big, zlibZeros(std::uint64_t{4} << 30)), Damaged,
         "runs on past"},
        {"unknown-critical.png", pngWith({pngChunk("ABCD", "x")}), Unsupported, "ABCD"},
        {"scan-bomb.jpg", jpegScanBomb(4096, 4096, 3000), TooLarge, "scans than the limit of 100"},
        {"arithmetic-scans.jpg", arithmetic, TooLarge, "99 scans decode 103809024 blocks"},
        {"scans-after-damage.jpg", damagedFirst, TooLarge, "scans than the limit of 100"},
        // A progressive JPEG keeps every coefficient: 2 bytes a sample, 384 MiB here.
        {"progressive-memory.jpg", withJpegSize(gradientJpeg(true, false), 8192, 8192), TooLarge,
         "working memory than the limit of 256 MiB"},
        {"extraneous-bytes.jpg", jpeg, Damaged, "extraneous bytes"},
        {"12-bit.jpg", deepJpeg, Unsupported, "precision 12"},
        {"runs-past-the-edge.bmp", bmpFile(runs, pastTheEdge), None, ""},
        {"holds-jpeg.bmp", bmpFile({.width = 1, .height = 1, .compression = 4}, "\xFF\xD8"),
         Unsupported, "JPEG"},
        // Bit count 0, as the format has it: the PNG inside gives the pixels' depth.
        {"holds-png.bmp", bmpFile({.width = 1, .height = 1, .bits = 0, .compression = 5}, "\x89P"),
         Unsupported, "holding a PNG"},
        // OS/2 numbers RLE24 as Windows numbers JPEG.
        {"os2-rle24.bmp",
         bmpFile({.infoSize = 64, .width = 1, .height = 1, .compression = 4}, "\x01\0\0\0"),
         Unsupported, "OS/2 BMP with RLE24"},
        {"empty-stored-blocks.png", padded, None, ""},
        {"above-maxval.pgm", pgmAbove, Damaged, "above the maximum level 200"},
    };
}

} // namespace

std::string gradientBmp() {
    const std::vector<std::uint8_t> rgb = gradientRgb();
    std::vector<std::string> rows;
    for (int y = kSide - 1; y >= 0; --y) { // bottom row first
        std::string row;
        for (int x = 0; x < kSide; ++x) {
            const std::size_t at = static_cast<std::size_t>(y * kSide + x) * 3;
            row += {static_cast<char>(rgb[at + 2]), static_cast<char>(rgb[at + 1]),
                    static_cast<char>(rgb[at])};
        }
        rows.push_back(row);
    }
    return bmpFile({.width = kSide, .height = kSide}, bmpRows(rows));
}

std::string gradientPng() {
    const std::vector<std::uint8_t> rgb = gradientRgb();
    return pngFile({.width = kSide, .height = kSide, .colourType = 2},
                   std::vector<std::uint16_t>(rgb.begin(), rgb.end()));
}

std::string gradientJpeg(bool progressive, bool subsample) {
    return jpegFile(
        {.width = kSide, .height = kSide, .progressive = progressive, .subsample = subsample},
        gradientRgb());
}

std::string gradientPgm() {
    std::string out = pnmHeader('5', kSide, kSide, 255);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            out += static_cast<char>(x * 2 + y);
    return out;
}

std::vector<HostilePicture> hostilePictures() {
    std::vector<HostilePicture> all;
    for (auto part :
         {otherFormats, cutShort, sizeLies, overLimits, pixelsNotGiven, bombsAndDamage}) {
        std::vector<HostilePicture> some = part();
        all.insert(all.end(), std::make_move_iterator(some.begin()),
                   std::make_move_iterator(some.end()));
    }
    return all;
}

} // namespace grondel::testing
