#include "picture/expect_picture.h"
#include "picture/picture_writers.h"

#include <array>
#include <initializer_list>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

using enum PictureLayout;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int value : values)
        out += static_cast<char>(value);
    return out;
}

std::string le16s(std::initializer_list<std::uint32_t> values) {
    std::string out;
    for (std::uint32_t value : values)
        putLe16(out, value);
    return out;
}

std::string le32s(std::initializer_list<std::uint32_t> values) {
    std::string out;
    for (std::uint32_t value : values)
        putLe32(out, value);
    return out;
}

// Palette entries from red, green, blue: stored blue, green, red, then 0 unless OS/2 1.x.
std::string palette(const std::vector<std::array<int, 3>>& colours, bool os2 = false) {
    std::string out;
    for (const auto& [red, green, blue] : colours) {
        out += bytes({blue, green, red});
        if (!os2)
            out += '\0';
    }
    return out;
}

std::vector<std::array<int, 3>> greys(int count, int first, int step) {
    std::vector<std::array<int, 3>> out;
    for (int i = 0; i < count; ++i)
        out.push_back({first + step * i, first + step * i, first + step * i});
    return out;
}

// The 3 x 2 colour picture most cases store, top row first, and its rows as 24-bit data.
const std::vector<std::uint16_t> kColours{1, 2, 3, 40,  50,  60,  255, 0,   128,
                                          7, 8, 9, 100, 110, 120, 0,   255, 1};
const std::string kTop24 = bytes({3, 2, 1, 60, 50, 40, 128, 0, 255});
const std::string kBottom24 = bytes({9, 8, 7, 120, 110, 100, 1, 255, 0});

struct Case {
    const char* name;
    std::string file;
    Expected want;
};

std::vector<Case> uncompressedCases() {
    const std::string data24 = bmpRows({kBottom24, kTop24});
    // The same colours as 32-bit pixels: blue, green, red and a fourth byte.
    const std::string data32 = bytes({9, 8, 7, 255, 120, 110, 100, 128, 1,   255, 0,   0,
                                      3, 2, 1, 1,   60,  50,  40,  2,   128, 0,   255, 3});
    std::vector<std::uint16_t> withAlpha;
    const std::array<int, 6> alpha{1, 2, 3, 255, 128, 0}; // top row first
    for (std::size_t i = 0; i < 6; ++i) {
        withAlpha.insert(withAlpha.end(), kColours.begin() + 3 * i, kColours.begin() + 3 * i + 3);
        withAlpha.push_back(static_cast<std::uint16_t>(alpha[i]));
    }
    const std::vector<std::uint32_t> argb{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    return {
        {"24-bit", bmpFile({.width = 3, .height = 2}, data24), {3, 2, Rgb, 8, kColours}},
        {"24-bit top-down",
         bmpFile({.width = 3, .height = -2}, bmpRows({kTop24, kBottom24})),
         {3, 2, Rgb, 8, kColours}},
        {"24-bit OS/2 2.x",
         bmpFile({.infoSize = 64, .width = 3, .height = 2}, data24),
         {3, 2, Rgb, 8, kColours}},
        {"24-bit, offset inside the headers",
         bmpFile({.width = 3, .height = 2, .offset = 20}, data24),
         {3, 2, Rgb, 8, kColours}},
        {"32-bit: the fourth byte is not alpha",
         bmpFile({.width = 3, .height = 2, .bits = 32}, data32),
         {3, 2, Rgb, 8, kColours}},
        {"32-bit uncompressed, V5 header naming the fourth byte alpha",
         bmpFile({.infoSize = 124, .width = 3, .height = 2, .bits = 32, .masks = argb}, data32),
         {3, 2, Rgba, 8, withAlpha}},
        {"32-bit uncompressed, V5 header with another alpha mask",
         bmpFile({.infoSize = 124,
                  .width = 3,
                  .height = 2,
                  .bits = 32,
                  .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF}},
                 data32),
         {3, 2, Rgb, 8, kColours}},
        {"32-bit V5 with an alpha mask",
         bmpFile({.infoSize = 124,
                  .width = 3,
                  .height = 2,
                  .bits = 32,
                  .compression = 3,
                  .masks = argb},
                 data32),
         {3, 2, Rgba, 8, withAlpha}},
        {"32-bit, 56-byte header with an alpha mask",
         bmpFile(
             {.infoSize = 56, .width = 3, .height = 2, .bits = 32, .compression = 3, .masks = argb},
             data32),
         {3, 2, Rgba, 8, withAlpha}},
        {"32-bit alpha bit fields after a 40-byte header",
         bmpFile({.width = 3, .height = 2, .bits = 32, .compression = 6, .masks = argb}, data32),
         {3, 2, Rgba, 8, withAlpha}},
        {"32-bit bit fields, 52-byte header: no alpha",
         bmpFile({.infoSize = 52,
                  .width = 3,
                  .height = 2,
                  .bits = 32,
                  .compression = 3,
                  .masks = {0xFF0000, 0xFF00, 0xFF}},
                 data32),
         {3, 2, Rgb, 8, kColours}},
        // 10-bit channels keep their top 8 bits: 1023, 512, 3 read 255, 128, 0.
        {"32-bit 10-10-10",
         bmpFile({.width = 1,
                  .height = 1,
                  .bits = 32,
                  .compression = 3,
                  .masks = {0x3FF00000, 0xFFC00, 0x3FF}},
                 le32s({1023U << 20 | 512U << 10 | 3U})),
         {1, 1, Rgb, 8, {255, 128, 0}}},
        // 5 bits widen by shifting: 31, 16, 15, 1 read 248, 128, 120, 8.
        {"16-bit 5-5-5",
         bmpFile({.width = 3, .height = 1, .bits = 16},
                 bmpRows({le16s({31 << 10 | 16 << 5 | 1, 0 << 10 | 31 << 5 | 15, 0x8000})})),
         {3, 1, Rgb, 8, {248, 128, 8, 0, 248, 120, 0, 0, 0}}},
        // 6 bits: 63, 32, 1 read 252, 128, 4.
        {"16-bit 5-6-5",
         bmpFile(
             {.width = 3,
              .height = 1,
              .bits = 16,
              .compression = 3,
              .masks = {0xF800, 0x07E0, 0x001F}},
             bmpRows({le16s({31 << 11 | 63 << 5, 16 << 11 | 32 << 5 | 16, 1 << 11 | 1 << 5 | 1})})),
         {3, 1, Rgb, 8, {248, 252, 0, 128, 128, 128, 8, 4, 8}}},
        {"16-bit 4-4-4-4 with alpha, V4 header",
         bmpFile({.infoSize = 108,
                  .width = 1,
                  .height = 1,
                  .bits = 16,
                  .compression = 3,
                  .masks = {0x0F00, 0x00F0, 0x000F, 0xF000}},
                 bmpRows({le16s({0x8F01})})),
         {1, 1, Rgba, 8, {240, 0, 16, 128}}},
    };
}

std::vector<Case> paletteCases() {
    const auto two = palette({{10, 20, 30}, {200, 100, 50}});
    std::vector<std::array<int, 3>> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.push_back({i * 16, 255 - i * 16, i});
    std::vector<std::array<int, 3>> os2;
    for (int i = 0; i < 256; ++i)
        os2.push_back({i, 255 - i, 7});
    return {
        // Rows 0 1 1 (bottom) and 1 0 1 (top), the leftmost pixel in the highest bit.
        {"1-bit",
         bmpFile({.width = 3, .height = 2, .bits = 1, .palette = two},
                 bmpRows({bytes({0x60}), bytes({0xA0})})),
         {3,
          2,
          Rgb,
          8,
          {200, 100, 50, 10, 20, 30, 200, 100, 50, 10, 20, 30, 200, 100, 50, 200, 100, 50}}},
        {"4-bit, odd width",
         bmpFile({.width = 3, .height = 2, .bits = 4, .palette = palette(sixteen)},
                 bmpRows({bytes({0x03, 0xE0}), bytes({0x1F, 0x20})})),
         {3, 2, Rgb, 8, {16, 239, 1, 240, 15, 15, 32, 223, 2, 0, 255, 0, 48, 207, 3, 224, 31, 14}}},
        {"8-bit grey palette reads as grey",
         bmpFile({.width = 3, .height = 2, .bits = 8, .palette = palette(greys(256, 0, 1))},
                 bmpRows({bytes({7, 8, 9}), bytes({0, 128, 255})})),
         {3, 2, Grey, 8, {0, 128, 255, 7, 8, 9}}},
        {"8-bit, a short palette",
         bmpFile({.width = 3,
                  .height = 1,
                  .bits = 8,
                  .coloursUsed = 2,
                  .palette = palette({{9, 8, 7}, {0, 0, 255}})},
                 bmpRows({bytes({0, 1, 1})})),
         {3, 1, Rgb, 8, {9, 8, 7, 0, 0, 255, 0, 0, 255}}},
        {"8-bit OS/2 1.x, three-byte palette entries",
         bmpFile(
             {.infoSize = 12, .width = 3, .height = 2, .bits = 8, .palette = palette(os2, true)},
             bmpRows({bytes({255, 254, 3}), bytes({0, 1, 2})})),
         {3, 2, Rgb, 8, {0, 255, 7, 1, 254, 7, 2, 253, 7, 255, 0, 7, 254, 1, 7, 3, 252, 7}}},
    };
}

// Run-length pictures on palettes whose index 0 is not black, so that the black of pixels the
// stream never paints stands apart.
std::vector<Case> runLengthCases() {
    const std::string falling = palette(greys(256, 255, -1)); // index i is grey 255 - i
    // Bottom row: a run of two 10s, then literal 20 21 22 (22 clipped, one pad byte); middle:
    // a delta one right, a run of two 30s; top: one 40, then the end of the bitmap.
    const std::string rle8 =
        bytes({2, 10, 0, 3, 20, 21, 22, 0, 0, 0, 0, 2, 1, 0, 2, 30, 0, 0, 1, 40, 0, 1});
    const std::vector<std::uint16_t> rle8Top{215, 0, 0, 0, 0, 225, 225, 0, 245, 245, 235, 234};
    const std::vector<std::uint16_t> rle8TopDown{245, 245, 235, 234, 0, 225, 225, 0, 215, 0, 0, 0};
    // Bottom: three of 1 2 alternating, five literal 3 4 5 6 7 (two clipped, padded); top: two
    // of 0 F, a delta two right, one E, the end.
    const std::string rle4 =
        bytes({3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 2, 0x0F, 0, 2, 2, 0, 1, 0xE0, 0, 1});
    return {
        {"RLE8",
         bmpFile({.width = 4, .height = 3, .bits = 8, .compression = 1, .palette = falling}, rle8),
         {4, 3, Grey, 8, rle8Top}},
        {"RLE8 top-down",
         bmpFile({.width = 4, .height = -3, .bits = 8, .compression = 1, .palette = falling}, rle8),
         {4, 3, Grey, 8, rle8TopDown}},
        {"RLE8 past the last row without an end mark",
         bmpFile({.width = 2, .height = 1, .bits = 8, .compression = 1, .palette = falling},
                 bytes({2, 5, 0, 0})),
         {2, 1, Grey, 8, {250, 250}}},
        {"RLE4",
         bmpFile({.width = 6,
                  .height = 2,
                  .bits = 4,
                  .compression = 2,
                  .palette = palette(greys(16, 255, -17))},
                 rle4),
         {6, 2, Grey, 8, {255, 0, 0, 0, 17, 0, 238, 221, 238, 204, 187, 170}}},
    };
}

} // namespace

TEST(BmpDecoding, EveryKindGivesItsKnownPixels) {
    for (auto part : {uncompressedCases, paletteCases, runLengthCases})
        for (const Case& c : part()) {
            SCOPED_TRACE(c.name);
            EXPECT_TRUE(decodesTo(c.file, c.want));
        }
}

TEST(BmpDecoding, BrokenHeadersAreRefusedWithTheirReason) {
    const std::string good = bmpFile({.width = 3, .height = 2}, bmpRows({kBottom24, kTop24}));
    auto with = [&](std::size_t at, std::string_view patch) {
        std::string file = good;
        file.replace(at, patch.size(), patch);
        return file;
    };
    const std::vector<std::tuple<std::string, PictureProblem, std::string>> cases{
        {with(14, le32s({16})), PictureProblem::Unsupported, "info header of 16 bytes"},
        {with(26, le16s({2})), PictureProblem::Damaged, "2 colour planes"},
        {with(28, le16s({2})), PictureProblem::Unsupported, "2 bits a pixel"},
        {with(30, le32s({1})), PictureProblem::Damaged, "run-length compression with 24 bits"},
        {with(30, le32s({5})), PictureProblem::Unsupported, "holding a PNG"},
        {with(30, le32s({9})), PictureProblem::Unsupported, "compression 9"},
        {with(18, le32s({0})), PictureProblem::Damaged, "0 x 2 pixels"},
        {with(18, le32s({0xFFFFFFFF})), PictureProblem::Damaged, "-1 x 2 pixels"},
        {with(10, le32s({static_cast<std::uint32_t>(good.size())})), PictureProblem::Damaged,
         "pixel data is cut short"},
        {bmpFile({.width = 1, .height = 1, .bits = 8, .coloursUsed = 300},
                 std::string(300 * 4 + 4, '\0')),
         PictureProblem::Damaged, "300 colours"},
        {bmpFile({.width = 1, .height = 1, .bits = 8}, "").substr(0, 60), PictureProblem::Damaged,
         "palette is cut short"},
        {bmpFile({.width = 1, .height = 1, .bits = 16, .compression = 3}, ""),
         PictureProblem::Damaged, "masks are cut short"},
        {bmpFile({.width = 1,
                  .height = 1,
                  .bits = 8,
                  .compression = 1,
                  .palette = std::string(1024, '\0'),
                  .imageSize = 100},
                 bytes({1, 0, 0, 1})),
         PictureProblem::Damaged, "pixel data is cut short"},
    };
    for (const auto& [file, problem, reason] : cases) {
        const PictureResult result = decodePicture(file);
        SCOPED_TRACE(reason);
        EXPECT_EQ(result.problem, problem) << result.error;
        EXPECT_NE(result.error.find(reason), std::string::npos) << result.error;
    }
}
