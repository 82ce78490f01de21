#include "picture/decode.h"

#include <array>
#include <climits>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

Picture picture8(int width, int height, PictureLayout layout, std::vector<std::uint8_t> samples) {
    Picture picture(width, height, layout, 8);
    std::copy(samples.begin(), samples.end(), picture.samples8().begin());
    return picture;
}

Picture picture16(int width, int height, PictureLayout layout, std::vector<std::uint16_t> samples) {
    Picture picture(width, height, layout, 16);
    std::copy(samples.begin(), samples.end(), picture.samples16().begin());
    return picture;
}

constexpr std::int32_t packed(int red, int green, int blue) {
    return blue << 16 | green << 8 | red;
}

} // namespace

// Each case: a one-pixel picture and the colour the model's heights take from it, worked out by
// hand from value x alpha x 255 / (max x max alpha), rounded once to the nearest level.
TEST(PictureColour, SixteenBitsAndAlphaRoundOnceToTheNearestLevelOverBlack) {
    using enum PictureLayout;
    const std::array<std::pair<Picture, std::int32_t>, 12> cases{{
        {picture8(1, 1, Grey, {77}), packed(77, 77, 77)},
        {picture8(1, 1, Rgb, {1, 2, 3}), packed(1, 2, 3)},
        {picture16(1, 1, Grey, {0x7FFF}), packed(127, 127, 127)}, // 127.498
        {picture16(1, 1, Grey, {0x8000}), packed(128, 128, 128)}, // 127.502
        {picture16(1, 1, Grey, {0xFFFF}), packed(255, 255, 255)},
        {picture16(1, 1, Rgb, {0x0080, 0x0081, 0xFF7E}), packed(0, 1, 254)}, // .498 .502 254.498
        {picture8(1, 1, Rgba, {255, 200, 100, 128}), packed(128, 100, 50)},
        {picture8(1, 1, Rgba, {255, 255, 255, 0}), packed(0, 0, 0)},
        {picture8(1, 1, GreyAlpha, {200, 51}), packed(40, 40, 40)},
        // 32768 x 32768 x 255 / 65535^2 = 63.75: once rounded, 64
        {picture16(1, 1, Rgba, {65535, 0, 32768, 32768}), packed(128, 0, 64)},
        {picture16(1, 1, GreyAlpha, {65535, 65535}), packed(255, 255, 255)},
        {picture16(1, 1, GreyAlpha, {1000, 0}), packed(0, 0, 0)},
    }};
    for (const auto& [picture, colour] : cases) {
        SCOPED_TRACE(::testing::Message() << "layout " << static_cast<int>(picture.layout())
                                          << " depth " << picture.bitDepth());
        EXPECT_EQ(picture.packedColour(0, 0), colour);
        std::array<std::uint8_t, 3> row{};
        picture.rgb8Row(0, row);
        EXPECT_EQ(packed(row[0], row[1], row[2]), colour);
        // Beyond every edge: the black background.
        for (const auto& [x, y] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {INT_MIN, INT_MAX}})
            EXPECT_EQ(picture.packedColour(x, y), 0);
    }
}

TEST(PictureGrey, FullDepthLevelsAndTheLuminanceOfColourOverBlack) {
    using enum PictureLayout;
    const std::array<std::pair<Picture, double>, 8> cases{{
        {picture16(1, 1, Grey, {1}), 1.0 / 65535},
        {picture16(1, 1, Grey, {65535}), 1.0},
        {picture8(1, 1, Grey, {51}), 0.2},
        {picture8(1, 1, Rgb, {255, 0, 0}), 0.2126},
        {picture8(1, 1, Rgb, {0, 255, 0}), 0.7152},
        {picture16(1, 1, Rgb, {0, 0, 65535}), 0.0722},
        {picture16(1, 1, GreyAlpha, {65535, 32768}), 32768.0 / 65535},
        {picture8(1, 1, Rgba, {255, 255, 255, 51}), 0.2},
    }};
    for (const auto& [picture, level] : cases) {
        EXPECT_NEAR(picture.greyLevel(0, 0), level, 1e-12);
        EXPECT_EQ(picture.greyLevel(1, 0), 0.0);
    }
    // Two 16-bit levels one apart stay apart.
    const Picture ramp = picture16(2, 1, Grey, {30000, 30001});
    EXPECT_LT(ramp.greyLevel(0, 0), ramp.greyLevel(1, 0));
}

TEST(PictureSize, BytesAreCountedWithoutWrappingForAnySides) {
    EXPECT_EQ(Picture::bytesFor(8192, 8192, PictureLayout::Rgba, 8), 256ULL << 20);
    EXPECT_EQ(Picture::bytesFor(3, 2, PictureLayout::Rgb, 16), 36U);
    EXPECT_GT(Picture::bytesFor(INT32_MAX, INT32_MAX, PictureLayout::Rgba, 16), 1ULL << 62);
    EXPECT_EQ(Picture::bytesFor(-5, 10, PictureLayout::Grey, 8), 0U);
    const Picture picture(3, 2, PictureLayout::GreyAlpha, 16);
    EXPECT_EQ(picture.byteSize(), 24U);
    EXPECT_EQ(picture.row16(1).size(), 6U);
    EXPECT_TRUE(picture.row8(0).empty());
    EXPECT_TRUE(picture.row16(2).empty());
}
