#include "picture/expect_picture.h"
#include "picture/picture_writers.h"

#include <functional>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

using enum PictureLayout;

struct Case {
    std::string name;
    PngOptions options;
    std::vector<std::uint16_t> samples; // as stored in the file
    Expected want;
};

// Samples spread over the whole range of depth bits.
std::vector<std::uint16_t> spread(std::size_t count, int depth) {
    std::vector<std::uint16_t> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint16_t>((i * 40503 + 17) % (1U << depth));
    return out;
}

// 1, 2 and 4-bit levels widen to 8 bits as level x 255 / (2^depth - 1).
std::uint16_t widened(std::uint16_t level, int depth) {
    return depth < 8 ? static_cast<std::uint16_t>(level * 255 / ((1 << depth) - 1)) : level;
}

Case greyCase(int depth, std::uint32_t width, std::uint32_t height, bool interlaced) {
    Case c{"grey " + std::to_string(depth) + (interlaced ? " interlaced" : ""),
           {.width = width, .height = height, .depth = depth, .interlaced = interlaced},
           spread(width * height, depth),
           {static_cast<int>(width), static_cast<int>(height), Grey, depth == 16 ? 16 : 8, {}}};
    for (std::uint16_t level : c.samples)
        c.want.samples.push_back(widened(level, depth));
    return c;
}

// Grey or RGB with a tRNS key: pixels equal to the first one become transparent.
Case keyedCase(int colourType, int depth, bool interlaced) {
    const int channels = pngChannels(colourType);
    const std::uint32_t width = 6, height = 3;
    Case c{"key, colour type " + std::to_string(colourType) + ", " + std::to_string(depth) +
               (interlaced ? " interlaced" : ""),
           {.width = width,
            .height = height,
            .depth = depth,
            .colourType = colourType,
            .interlaced = interlaced},
           spread(width * height * static_cast<std::uint32_t>(channels), depth),
           {6, 3, colourType == 0 ? GreyAlpha : Rgba, depth == 16 ? 16 : 8, {}}};
    for (std::size_t i = 3; i < c.samples.size(); i += 5) // some pixels repeat the first
        std::copy_n(c.samples.begin(), channels,
                    c.samples.begin() + static_cast<long>(i / channels * channels));
    for (int k = 0; k < channels; ++k) {
        c.options.transparency += static_cast<char>(c.samples[static_cast<std::size_t>(k)] >> 8);
        c.options.transparency += static_cast<char>(c.samples[static_cast<std::size_t>(k)] & 0xFF);
    }
    const std::uint16_t opaque = depth == 16 ? 65535 : 255;
    for (std::size_t p = 0; p < c.samples.size(); p += static_cast<std::size_t>(channels)) {
        const bool key = std::equal(c.samples.begin(), c.samples.begin() + channels,
                                    c.samples.begin() + static_cast<long>(p));
        for (int k = 0; k < channels; ++k)
            c.want.samples.push_back(widened(c.samples[p + static_cast<std::size_t>(k)], depth));
        c.want.samples.push_back(key ? 0 : opaque);
    }
    return c;
}

Case directCase(int colourType, int depth, std::uint32_t width, std::uint32_t height,
                bool interlaced) {
    const PictureLayout layouts[] = {Grey, Grey, Rgb, Rgb, GreyAlpha, Grey, Rgba};
    const auto channels = static_cast<std::uint32_t>(pngChannels(colourType));
    Case c{"colour type " + std::to_string(colourType) + ", " + std::to_string(depth) +
               (interlaced ? " interlaced" : ""),
           {.width = width,
            .height = height,
            .depth = depth,
            .colourType = colourType,
            .interlaced = interlaced},
           spread(width * height * channels, depth),
           {static_cast<int>(width), static_cast<int>(height), layouts[colourType], depth, {}}};
    c.want.samples = c.samples;
    return c;
}

Case paletteCase(int depth, bool transparency, bool interlaced) {
    const int entries = depth == 8 ? 20 : 1 << depth;
    const std::uint32_t width = 7, height = 3;
    Case c{"palette " + std::to_string(depth) + (transparency ? " with alpha" : "") +
               (interlaced ? " interlaced" : ""),
           {.width = width,
            .height = height,
            .depth = depth,
            .colourType = 3,
            .interlaced = interlaced},
           {},
           {7, 3, transparency ? Rgba : Rgb, 8, {}}};
    const std::string alpha("\x00\x80\xFF\x07", 4); // shorter than the palette: the rest opaque
    for (int k = 0; k < entries; ++k)
        c.options.palette += {static_cast<char>(k * 11), static_cast<char>(k * 37 + 1),
                              static_cast<char>(255 - k * 5)};
    if (transparency)
        c.options.transparency = alpha.substr(0, static_cast<std::size_t>(std::min(entries, 4)));
    for (std::uint32_t i = 0; i < width * height; ++i) {
        const auto k = static_cast<std::uint16_t>((i * 5 + 1) % static_cast<unsigned>(entries));
        c.samples.push_back(k);
        c.want.samples.insert(c.want.samples.end(),
                              {static_cast<std::uint16_t>((k * 11) & 0xFF),
                               static_cast<std::uint16_t>((k * 37 + 1) & 0xFF),
                               static_cast<std::uint16_t>((255 - k * 5) & 0xFF)});
        if (transparency)
            c.want.samples.push_back(k < std::min(entries, 4) ? static_cast<std::uint8_t>(alpha[k])
                                                              : 255);
    }
    return c;
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (int depth : {1, 2, 4, 8, 16})
        cases.push_back(greyCase(depth, 5, 3, false));
    for (int depth : {2, 8, 16})
        cases.push_back(greyCase(depth, 10, 9, true));
    cases.push_back(greyCase(8, 1, 1, true));
    for (int depth : {2, 8, 16})
        cases.push_back(keyedCase(0, depth, false));
    for (int depth : {8, 16}) {
        cases.push_back(keyedCase(2, depth, depth == 16));
        for (int type : {2, 4, 6}) {
            cases.push_back(directCase(type, depth, 5, 4, false));
            cases.push_back(directCase(type, depth, 9, 9, true));
        }
    }
    for (int depth : {1, 2, 4, 8})
        for (bool transparency : {false, true})
            cases.push_back(paletteCase(depth, transparency, depth == 1));
    return cases;
}

} // namespace

TEST(PngDecoding, EveryColourTypeAndDepthGivesItsKnownSamples) {
    for (const Case& c : allCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(decodesTo(pngFile(c.options, c.samples), c.want));
        PngOptions split = c.options; // the same in many small image data chunks
        split.idatBytes = 5;
        EXPECT_TRUE(decodesTo(pngFile(split, c.samples), c.want));
    }
}

// Gamma, significant bits, colour profiles, text, backgrounds: none changes a sample.
TEST(PngDecoding, AncillaryChunksAreNeverApplied) {
    Case c = greyCase(8, 5, 3, false);
    const std::string sig = "\x89PNG\r\n\x1A\n";
    c.options.before = {pngChunk("gAMA", std::string("\x00\x00\x27\x10", 4)), // gamma 0.1
                        pngChunk("sBIT", "\x01"),
                        pngChunk("iCCP", std::string("icc\0\0", 5) + zlibCompress("not a profile")),
                        pngChunk("sRGB", std::string("\x00", 1)),
                        pngChunk("bKGD", std::string("\x00\x80", 2)),
                        pngChunk("zTXt", std::string("Title\0\0", 7) + zlibCompress("Crater")),
                        pngChunk("prVt", "private")};
    std::string file = pngFile(c.options, c.samples);
    // Transparency after the image data means nothing.
    file.insert(file.size() - 12, pngChunk("tRNS", std::string("\x00\x11", 2)));
    EXPECT_TRUE(decodesTo(file, c.want));
}

TEST(PngDecoding, BrokenStructureIsRefusedWithItsReason) {
    const Case c = greyCase(8, 5, 3, false);
    const std::string good = pngFile(c.options, c.samples);
    const std::size_t data = good.find("IDAT") - 4;
    const std::string header = good.substr(8, 25);
    const std::string text = pngChunk("tEXt", std::string("a\0b", 3));
    std::string twoData = good; // the image data in two chunks with text between
    PngOptions split = c.options;
    split.idatBytes = 8;
    twoData = pngFile(split, c.samples);
    twoData.insert(twoData.find("IDAT", twoData.find("IDAT") + 4) - 4, text);
    std::string badName = good;
    badName[data + 6] = '@';
    std::string huge = good;
    setBe32(huge, data, 0x80000000);
    PngOptions rgb4 = c.options;
    rgb4.colourType = 2;
    rgb4.depth = 4;
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\x89PNG\r\r\n\x1A" + good.substr(8), "signature is damaged"},
        {good.substr(0, 8) + text + good.substr(8), "does not start with its header chunk"},
        {good.substr(0, 33) + header + good.substr(33), "two header chunks"},
        {good.substr(0, 33) + good.substr(good.size() - 12), "no image data"},
        {twoData, "split by other chunks"},
        {badName, "broken name"},
        {huge, "claims 2147483648 bytes"},
        {good.substr(0, 6), "cut short"},
        {pngFileWithData(rgb4, zlibCompress(std::string(3 * 4, '\0'))), "the PNG is damaged"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(reason);
        const PictureResult result = decodePicture(file);
        EXPECT_EQ(result.problem, PictureProblem::Damaged) << result.error;
        EXPECT_NE(result.error.find(reason), std::string::npos) << result.error;
    }
}

TEST(PngDecoding, AncillaryChunksAreCappedAtTheLimit) {
    const Case c = greyCase(8, 5, 3, false);
    for (int count : {kMaxPngAncillaryChunks, kMaxPngAncillaryChunks + 1}) {
        PngOptions options = c.options;
        options.before.assign(static_cast<std::size_t>(count), pngChunk("tEXt", "a"));
        options.before[0] = pngChunk("tEXt", std::string("a\0b", 3));
        const PictureResult result = decodePicture(pngFile(options, c.samples));
        EXPECT_EQ(result.ok(), count == kMaxPngAncillaryChunks) << count << result.error;
    }
}
