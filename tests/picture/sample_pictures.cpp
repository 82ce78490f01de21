#include "picture/sample_pictures.h"

#include "picture/picture_writers.h"

#include <algorithm>
#include <functional>

namespace grondel::testing {
namespace {

constexpr int kWidth = 13; // odd, so rows need padding
constexpr int kHeight = 7;

// A level 0 .. range - 1 for channel c of pixel (x, y), smooth in places, jumpy in others.
unsigned level(int x, int y, int c, unsigned range) {
    const auto hash = static_cast<unsigned>(x * 37 + y * 101 + c * 59 + x * y * 7);
    return (hash * 2654435761U >> 8) % range;
}

std::vector<std::uint16_t> levels(int channels, unsigned range) {
    std::vector<std::uint16_t> out;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < channels; ++c)
                out.push_back(static_cast<std::uint16_t>(level(x, y, c, range)));
    return out;
}

std::string palette(int count, bool grey = false, bool os2 = false) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        const auto v = static_cast<char>(i * 255 / std::max(count - 1, 1));
        out += grey ? std::string{v, v, v}
                    : std::string{static_cast<char>(i * 11), static_cast<char>(255 - i * 3),
                                  static_cast<char>(i * 29 + 7)};
        if (!os2)
            out += '\0';
    }
    return out;
}

// Bottom row first, each row packed to bits a pixel from the per-pixel values given.
std::string bmpData(int bits, bool topDown, const std::function<std::uint32_t(int, int)>& pixel) {
    std::vector<std::string> rows;
    for (int r = 0; r < kHeight; ++r) {
        const int y = topDown ? r : kHeight - 1 - r;
        std::string row;
        unsigned packed = 0, filled = 0;
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t value = pixel(x, y);
            if (bits < 8) {
                packed = packed << bits | value;
                filled += static_cast<unsigned>(bits);
                if (filled == 8) {
                    row += static_cast<char>(packed);
                    packed = filled = 0;
                }
            } else {
                for (int b = 0; b < bits / 8; ++b)
                    row += static_cast<char>((value >> (8 * b)) & 0xFF);
            }
        }
        if (filled != 0)
            row += static_cast<char>(packed << (8 - filled));
        rows.push_back(row);
    }
    return bmpRows(rows);
}

// Run-length data painting every pixel: each row starts with a literal run and ends with
// repeated runs, then an end of line; an end of bitmap closes it.
std::string runLength(bool four, const std::function<unsigned(int, int)>& index) {
    std::string out;
    for (int y = kHeight - 1; y >= 0; --y) {
        constexpr int kLiteral = 5;
        out += {'\0', static_cast<char>(kLiteral)};
        std::string literal;
        for (int x = 0; x < kLiteral; x += four ? 2 : 1)
            literal += static_cast<char>(
                four ? index(x, y) << 4 | (x + 1 < kLiteral ? index(x + 1, y) : 0) : index(x, y));
        if (literal.size() % 2)
            literal += '\0';
        out += literal;
        for (int x = kLiteral; x < kWidth; x += four ? 2 : 1) {
            const bool pair = four && x + 1 < kWidth;
            out += {static_cast<char>(pair ? 2 : 1),
                    static_cast<char>(four ? index(x, y) << 4 | (pair ? index(x + 1, y) : 0)
                                           : index(x, y))};
        }
        out += std::string("\0\0", 2);
    }
    out += std::string("\0\1", 2);
    return out;
}

void addBmps(std::vector<SamplePicture>& out) {
    const BmpOptions base{.width = kWidth, .height = kHeight};
    auto options = [&](auto change) {
        BmpOptions s = base;
        change(s);
        return s;
    };
    auto rgb = [](int x, int y) { return level(x, y, 0, 1U << 24); };
    out.push_back({"bmp-1bit.bmp",
                   bmpFile(options([](BmpOptions& s) { s.bits = 1, s.palette = palette(2); }),
                           bmpData(1, false, [](int x, int y) { return level(x, y, 0, 2); }))});
    out.push_back({"bmp-4bit.bmp",
                   bmpFile(options([](BmpOptions& s) { s.bits = 4, s.palette = palette(16); }),
                           bmpData(4, false, [](int x, int y) { return level(x, y, 0, 16); }))});
    out.push_back(
        {"bmp-8bit-grey.bmp",
         bmpFile(options([](BmpOptions& s) { s.bits = 8, s.palette = palette(256, true); }),
                 bmpData(8, false, [](int x, int y) { return level(x, y, 0, 256); }))});
    out.push_back({"bmp-8bit-colour.bmp",
                   bmpFile(options([](BmpOptions& s) { s.bits = 8, s.palette = palette(256); }),
                           bmpData(8, false, [](int x, int y) { return level(x, y, 0, 256); }))});
    out.push_back({"bmp-os2-8bit.bmp",
                   bmpFile(options([](BmpOptions& s) {
                               s.infoSize = 12, s.bits = 8, s.palette = palette(256, false, true);
                           }),
                           bmpData(8, false, [](int x, int y) { return level(x, y, 0, 256); }))});
    out.push_back({"bmp-16bit-555.bmp", bmpFile(options([](BmpOptions& s) { s.bits = 16; }),
                                                bmpData(16, false, [](int x, int y) {
                                                    return level(x, y, 0, 1U << 15);
                                                }))});
    out.push_back(
        {"bmp-16bit-565.bmp",
         bmpFile(options([](BmpOptions& s) {
                     s.bits = 16, s.compression = 3, s.masks = {0xF800, 0x07E0, 0x1F};
                 }),
                 bmpData(16, false, [](int x, int y) { return level(x, y, 0, 65536); }))});
    out.push_back({"bmp-24bit.bmp", bmpFile(base, bmpData(24, false, rgb))});
    out.push_back(
        {"bmp-24bit-top-down.bmp",
         bmpFile(options([](BmpOptions& s) { s.height = -kHeight; }), bmpData(24, true, rgb))});
    out.push_back({"bmp-24bit-v4.bmp", bmpFile(options([](BmpOptions& s) { s.infoSize = 108; }),
                                               bmpData(24, false, rgb))});
    out.push_back({"bmp-32bit.bmp", bmpFile(options([](BmpOptions& s) { s.bits = 32; }),
                                            bmpData(32, false, [](int x, int y) {
                                                return level(x, y, 0, 0xFFFFFFFFU);
                                            }))});
    out.push_back({"bmp-32bit-alpha-v5.bmp",
                   bmpFile(options([](BmpOptions& s) {
                               s.infoSize = 124, s.bits = 32, s.compression = 3,
                               s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
                           }),
                           bmpData(32, false, [](int x, int y) {
                               return level(x, y, 0, 1U << 24) | level(x, y, 3, 256) << 24;
                           }))});
    // A V5 header carries an alpha mask even for uncompressed pixels; it is not applied.
    out.push_back(
        {"bmp-32bit-v5-rgb.bmp",
         bmpFile(options([](BmpOptions& s) {
                     s.infoSize = 124, s.bits = 32, s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
                 }),
                 bmpData(32, false, [](int x, int y) {
                     return level(x, y, 0, 1U << 24) | level(x, y, 3, 256) << 24;
                 }))});
    out.push_back({"bmp-rle8.bmp",
                   bmpFile(options([](BmpOptions& s) {
                               s.bits = 8, s.compression = 1, s.palette = palette(256);
                           }),
                           runLength(false, [](int x, int y) { return level(x, y, 0, 256); }))});
    out.push_back({"bmp-rle4.bmp",
                   bmpFile(options([](BmpOptions& s) {
                               s.bits = 4, s.compression = 2, s.palette = palette(16);
                           }),
                           runLength(true, [](int x, int y) { return level(x, y, 0, 16); }))});
    // Skips right over most of the picture: its pixels are left to the reader.
    out.push_back({"bmp-rle8-delta.bmp",
                   bmpFile(options([](BmpOptions& s) {
                               s.bits = 8, s.compression = 1, s.palette = palette(256);
                           }),
                           std::string("\3\x40\0\2\4\3\2\x80\0\1", 10)),
                   false});
}

void addPngs(std::vector<SamplePicture>& out) {
    struct Kind {
        int colourType, depth;
        bool transparency, interlaced;
    };
    const Kind kinds[] = {
        {0, 1, false, false}, {0, 2, false, false}, {0, 4, false, true},   {0, 8, false, false},
        {0, 16, false, true}, {0, 8, true, false},  {0, 16, true, false},  {4, 8, false, false},
        {4, 16, false, true}, {2, 8, false, true},  {2, 16, false, false}, {2, 8, true, false},
        {2, 16, true, false}, {3, 1, false, false}, {3, 2, false, true},   {3, 4, true, false},
        {3, 8, true, true},   {6, 8, false, false}, {6, 16, false, true}};
    for (const Kind& kind : kinds) {
        PngOptions options{.width = kWidth,
                           .height = kHeight,
                           .depth = kind.depth,
                           .colourType = kind.colourType,
                           .interlaced = kind.interlaced};
        const unsigned range =
            kind.colourType == 3 ? (kind.depth == 8 ? 200U : 1U << kind.depth) : 1U << kind.depth;
        const std::vector<std::uint16_t> samples = levels(pngChannels(kind.colourType), range);
        for (unsigned i = 0; kind.colourType == 3 && i < range; ++i)
            options.palette += {static_cast<char>(i * 11), static_cast<char>(255 - i * 3),
                                static_cast<char>(i * 29 + 7)};
        if (kind.transparency && kind.colourType == 3)
            options.transparency = std::string("\x00\x40\x80\xC0\xFF\x10", 6);
        else if (kind.transparency) // the first pixel's colour becomes transparent
            for (int c = 0; c < pngChannels(kind.colourType); ++c)
                options.transparency +=
                    {static_cast<char>(samples[static_cast<std::size_t>(c)] >> 8),
                     static_cast<char>(samples[static_cast<std::size_t>(c)] & 0xFF)};
        out.push_back({"png-type" + std::to_string(kind.colourType) + "-" +
                           std::to_string(kind.depth) + "bit" + (kind.transparency ? "-trns" : "") +
                           (kind.interlaced ? "-interlaced" : "") + ".png",
                       pngFile(options, samples)});
    }
}

void addJpegsAndPnms(std::vector<SamplePicture>& out) {
    const std::pair<const char*, JpegOptions> jpegs[] = {
        {"jpeg-grey.jpg", {.width = kWidth, .height = kHeight, .colour = JpegColour::Grey}},
        {"jpeg-ycbcr.jpg", {.width = kWidth, .height = kHeight}},
        {"jpeg-ycbcr-progressive.jpg",
         {.width = kWidth, .height = kHeight, .progressive = true, .subsample = false}},
        {"jpeg-grey-progressive.jpg",
         {.width = kWidth, .height = kHeight, .colour = JpegColour::Grey, .progressive = true}},
        {"jpeg-rgb.jpg", {.width = kWidth, .height = kHeight, .colour = JpegColour::Rgb}},
        {"jpeg-cmyk.jpg", {.width = kWidth, .height = kHeight, .colour = JpegColour::Cmyk}},
        {"jpeg-ycck.jpg", {.width = kWidth, .height = kHeight, .colour = JpegColour::Ycck}},
    };
    for (const auto& [name, options] : jpegs) {
        const int channels =
            options.colour == JpegColour::Grey                                         ? 1
            : options.colour == JpegColour::Cmyk || options.colour == JpegColour::Ycck ? 4
                                                                                       : 3;
        const std::vector<std::uint16_t> samples = levels(channels, 256);
        out.push_back(
            {name, jpegFile(options, std::vector<std::uint8_t>(samples.begin(), samples.end()))});
    }
    auto pnm = [&](const char* name, char kind, unsigned maxval) {
        const int channels = kind == '3' || kind == '6' ? 3 : 1;
        std::string file = pnmHeader(kind, kWidth, kHeight, maxval, "made for Grondel");
        for (std::uint16_t v : levels(channels, maxval + 1)) {
            if (kind == '2' || kind == '3')
                file += std::to_string(v) + (v % 3 ? " " : "\n");
            else if (maxval > 255)
                file += {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
            else
                file += static_cast<char>(v);
        }
        out.push_back({name, file});
    };
    pnm("pgm-binary.pgm", '5', 255);
    pnm("pgm-binary-16bit.pgm", '5', 65535);
    pnm("pgm-plain-maxval-15.pgm", '2', 15);
    pnm("ppm-binary.ppm", '6', 255);
    pnm("ppm-binary-maxval-1000.ppm", '6', 1000);
    pnm("ppm-plain.ppm", '3', 255);
}

} // namespace

std::vector<SamplePicture> samplePictures() {
    std::vector<SamplePicture> out;
    addBmps(out);
    addPngs(out);
    addJpegsAndPnms(out);
    return out;
}

} // namespace grondel::testing
