#include "picture/expect_picture.h"
#include "picture/picture_writers.h"

#include <cmath>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

using enum PictureLayout;

// Smooth shapes with some edges, as heightmaps have, in every channel.
std::vector<std::uint8_t> terrain(int width, int height, int channels) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                const double wave = std::sin(x * 0.3 + c) * std::cos(y * 0.2 - c);
                const int step = (x / 5 + y / 7 + c) % 2 * 40;
                out.push_back(static_cast<std::uint8_t>(std::lround(100 + 90 * wave) + step));
            }
    return out;
}

} // namespace

// Every kind decodes to exactly what libjpeg gives with the same settings; CMYK then becomes
// RGB as C x K / 255, rounded down, as Qt turned it before.
TEST(JpegDecoding, EveryKindMatchesLibjpegWithTheSameSettings) {
    const std::vector<std::pair<const char*, JpegOptions>> cases{
        {"grey", {.width = 17, .height = 13, .colour = JpegColour::Grey}},
        {"grey progressive",
         {.width = 40, .height = 9, .colour = JpegColour::Grey, .progressive = true}},
        {"YCbCr 4:2:0", {.width = 33, .height = 17}},
        {"YCbCr 4:4:4 progressive",
         {.width = 19, .height = 23, .progressive = true, .subsample = false}},
        {"RGB", {.width = 16, .height = 16, .colour = JpegColour::Rgb}},
        {"CMYK", {.width = 21, .height = 11, .colour = JpegColour::Cmyk}},
        {"YCCK progressive",
         {.width = 24, .height = 24, .colour = JpegColour::Ycck, .progressive = true}},
    };
    for (const auto& [name, options] : cases) {
        SCOPED_TRACE(name);
        const int channels =
            options.colour == JpegColour::Grey                                         ? 1
            : options.colour == JpegColour::Cmyk || options.colour == JpegColour::Ycck ? 4
                                                                                       : 3;
        const std::string file =
            jpegFile(options, terrain(options.width, options.height, channels));
        int components = 0;
        const std::vector<std::uint8_t> reference = libjpegDecode(file, components);
        ASSERT_EQ(components, channels);
        Expected want{options.width, options.height, channels == 1 ? Grey : Rgb, 8, {}};
        for (std::size_t i = 0; i < reference.size(); i += static_cast<std::size_t>(channels)) {
            if (channels == 4) {
                const unsigned black = reference[i + 3];
                for (std::size_t c = 0; c < 3; ++c)
                    want.samples.push_back(
                        static_cast<std::uint16_t>(black * reference[i + c] / 255));
            } else {
                want.samples.insert(want.samples.end(), reference.begin() + static_cast<long>(i),
                                    reference.begin() + static_cast<long>(i) + channels);
            }
        }
        EXPECT_TRUE(decodesTo(file, want));
    }
}

TEST(JpegDecoding, ScansUpToTheLimitDecode) {
    const PictureResult atLimit = decodePicture(jpegScanBomb(64, 64, kMaxJpegScans - 1));
    EXPECT_TRUE(atLimit.ok()) << atLimit.error; // the DC scan and 99 AC scans
    const PictureResult over = decodePicture(jpegScanBomb(64, 64, kMaxJpegScans));
    EXPECT_EQ(over.problem, PictureProblem::TooLarge) << over.error;
}

// Levels scale to the full 8 bits (maxval up to 255) or 16 bits (above), to the nearest.
TEST(PnmDecoding, EveryKindAndMaxvalGivesItsKnownSamples) {
    const std::vector<std::pair<std::string, Expected>> cases{
        {pnmHeader('5', 3, 1, 255) + std::string("\x00\x80\xFF", 3),
         {3, 1, Grey, 8, {0, 128, 255}}},
        {pnmHeader('2', 3, 1, 15, "from a terrain tool") + "0 7\n# a comment\n15\n",
         {3, 1, Grey, 8, {0, 119, 255}}}, // 7 x 255 / 15 = 119
        {std::string("P5 3#width\n1 2\n\x00\x01\x02", 18),
         {3, 1, Grey, 8, {0, 128, 255}}}, // 127.5 rounds up
        {pnmHeader('6', 2, 1, 255) + "\x01\x02\x03\xFA\xFB\xFC",
         {2, 1, Rgb, 8, {1, 2, 3, 250, 251, 252}}},
        {pnmHeader('3', 1, 1, 1) + "1 0 1", {1, 1, Rgb, 8, {255, 0, 255}}},
        {pnmHeader('3', 3, 1, 1000) + "0 500 1000 1 2 3 999 998 997",
         {3, 1, Rgb, 16, {0, 32768, 65535, 66, 131, 197, 65469, 65404, 65338}}},
        {pnmHeader('5', 2, 1, 65535) + "\x12\x34\xFF\xFE", {2, 1, Grey, 16, {0x1234, 0xFFFE}}},
        {pnmHeader('5', 3, 1, 300) + std::string("\x00\x00\x00\x96\x01\x2C", 6),
         {3, 1, Grey, 16, {0, 32768, 65535}}},
        // A comment right after maxval: its line end is the blank that ends the header.
        {"P2 2 2 255#c\n1 2 3 4", {2, 2, Grey, 8, {1, 2, 3, 4}}},
        {std::string("P5 2 1 255#c\n\x07\x09"), {2, 1, Grey, 8, {7, 9}}},
        // Bytes after the picture (a second picture, say) are not read.
        {pnmHeader('5', 1, 1, 255) + "\x07P5 1 1 255\n\x09", {1, 1, Grey, 8, {7}}},
    };
    for (const auto& [file, want] : cases) {
        SCOPED_TRACE(file.substr(0, 12));
        EXPECT_TRUE(decodesTo(file, want));
    }
}

TEST(PnmDecoding, BrokenFilesAreRefusedWithTheirReason) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"P5\n3 1\n0\n\x01\x01\x01", "maximum level 0 is outside 1 to 65535"},
        {"P5\n3 1\n65536\n\x01\x01\x01\x01\x01\x01", "maximum level 65536"},
        {"P5\n3 x\n255\n\x01\x01\x01", "header is damaged"},
        {"P5\n3 1\n255", "cut short"},
        {"P5\n3 1\n255x\x01\x01\x01", "header is damaged"},
        {"P2\n3 1\n255\n1 two 3", "pixel data is damaged"},
        {"P2\n3 1\n255\n1 2 256", "above the maximum level 255"},
        {"P6\n3 1\n255\n\x01\x01\x01\x01\x01\x01\x01\x01", "pixel data is cut short"},
        {"P2\n2 2\n255\n1 2 3", "pixel data is cut short"},
        {"P5\n0 1\n255\n", "0 x 1 pixels"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(reason);
        const PictureResult result = decodePicture(file);
        EXPECT_EQ(result.problem, PictureProblem::Damaged) << result.error;
        EXPECT_NE(result.error.find(reason), std::string::npos) << result.error;
    }
}
