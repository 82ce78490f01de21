#include "model3do/colormap.h"
#include "model3do/material.h"
#include "support/colormaps.h"

#include <gtest/gtest.h>

using namespace grondel;

namespace {

// A material file from its fields, laid out by the engine's reader (rdMaterial.c, types.h):
// the header and texel format words, one cel record with its texture words, one texture
// header, then the texels. Defaults make a valid 8 x 8 one-level 565 material.
struct MatFile {
    std::string tag = "MAT ";
    std::uint32_t revision = 0x32, type = 2, cels = 1, textures = 1;
    std::vector<std::uint32_t> format = {1, 16, 5, 6, 5, 11, 5, 0, 3, 2, 3, 0, 0, 0};
    std::uint32_t celType = 8, celColour = 0, celTexture = 0;
    std::uint32_t width = 8, height = 8, transparent = 0, levels = 1;
    std::string texels = std::string(8 * 8 * 2, '\x11');

    std::string bytes() const {
        std::string out = tag;
        const auto word = [&out](std::uint32_t w) {
            for (int k = 0; k < 4; ++k)
                out.push_back(char(w >> (8 * k) & 0xff));
        };
        for (const std::uint32_t w : {revision, type, cels, textures})
            word(w);
        for (const std::uint32_t w : format)
            word(w);
        for (const std::uint32_t w : {celType, celColour, 0u, 0u, 0u, 0u, 0u, 0u, 0u, celTexture})
            word(w);
        for (const std::uint32_t w : {width, height, transparent, 0u, 0u, levels})
            word(w);
        return out + texels;
    }
};

std::string little16(const std::vector<std::uint16_t>& values) {
    std::string out;
    for (const std::uint16_t v : values)
        out += {char(v & 0xff), char(v >> 8)};
    return out;
}

std::vector<std::uint16_t> counting(std::size_t count, std::uint16_t step, std::uint16_t limit) {
    std::vector<std::uint16_t> values(count);
    for (std::size_t k = 0; k < count; ++k)
        values[k] = std::uint16_t(k * step % limit);
    return values;
}

} // namespace

TEST(Material, TheWriterLaysOutEveryFieldAsTheEngineReadsIt) {
    // 16-bit, one level, known texels.
    Material rgb{TexelFormat::Rgb565, 8, 7, {counting(64, 1021, 65535)}};
    MatFile rgbFile;
    rgbFile.celColour = 7;
    rgbFile.texels = little16(rgb.levels[0]);
    // 8-bit, two levels.
    Material indexed{TexelFormat::Indexed8, 16, 200, {counting(256, 7, 256), counting(64, 3, 256)}};
    MatFile indexedFile;
    indexedFile.format = {0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    indexedFile.celColour = 200;
    indexedFile.width = indexedFile.height = 16;
    indexedFile.levels = 2;
    indexedFile.texels.clear();
    for (const auto& level : indexed.levels)
        for (const std::uint16_t index : level)
            indexedFile.texels.push_back(char(index));

    for (const auto& [material, file] :
         {std::pair(rgb, rgbFile), std::pair(indexed, indexedFile)}) {
        std::string error;
        EXPECT_EQ(writeMaterial(material, error), file.bytes());
        EXPECT_EQ(error, "");
        const MaterialRead read = readMaterial(file.bytes());
        EXPECT_EQ(read.error, "");
        EXPECT_EQ(read.material, material); // every field and texel back
    }
}

TEST(Material, EveryTextureSideGetsItsMipLevelsAndNoOther) {
    struct Row {
        int size;
        int levels;
    };
    for (const Row row : {Row{8, 1}, Row{16, 2}, Row{32, 3}, Row{64, 4}, Row{128, 4}}) {
        EXPECT_EQ(mipLevelsFor(row.size), row.levels) << row.size;
        Material material{TexelFormat::Rgb565, row.size, 0, {}};
        for (int k = 0; k < row.levels + 1; ++k) {
            const auto side = std::size_t(row.size >> k);
            material.levels.push_back(counting(side * side, 5, 65535));
        }
        std::string error;
        EXPECT_EQ(writeMaterial(material, error), "") << row.size; // one level too many
        EXPECT_NE(error, "");
        material.levels.pop_back();
        const MaterialRead read = readMaterial(writeMaterial(material, error));
        EXPECT_EQ(read.error, "") << row.size;
        EXPECT_EQ(read.material, material) << row.size;
    }
    for (const int size : {4, 12, 2048}) {
        EXPECT_NE(textureSideProblem(size), "") << size;
        std::string error;
        writeMaterial({TexelFormat::Rgb565, size, 0, {{}}}, error);
        EXPECT_NE(error, "") << size;
    }
    std::string error;
    std::vector<std::uint16_t> indices(64, 255);
    indices[9] = 256;
    writeMaterial({TexelFormat::Indexed8, 8, 0, {indices}}, error);
    EXPECT_EQ(error, "mip level 0 holds palette index 256 of 256");
}

TEST(Material, BadFilesAreRefusedWithTheirReason) {
    struct Row {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    const auto with = [](auto change) {
        MatFile file;
        change(file);
        return file.bytes();
    };
    const std::string good = MatFile().bytes();
    const std::vector<Row> rows = {
        {"cut in the header", good.substr(0, 40),
         "the file ends inside the header: 40 of 76 bytes"},
        {"cut in the texels", good.substr(0, good.size() - 1),
         "the file ends inside texture 0's level 0"},
        {"bytes after it", good + "xy", "2 bytes follow the end of the material"},
        {"wrong tag", with([](MatFile& f) { f.tag = "BM  "; }), "it does not start with \"MAT \""},
        {"wrong revision", with([](MatFile& f) { f.revision = 0x31; }),
         "its revision is 0x31; the game reads 0x32 only"},
        {"no cel", with([](MatFile& f) { f.cels = 0; }), "it holds 0 cels; the game takes 1 to 16"},
        {"textures beyond the bytes", with([](MatFile& f) { f.textures = 1000; }),
         "its 1000 textures cannot fit in the file's bytes"},
        {"a side not a power of two", with([](MatFile& f) { f.width = 12; }),
         "texture 0 is 12 x 8 texels; each side must be a power of two"},
        {"too many mip levels", with([](MatFile& f) { f.levels = 5; }),
         "texture 0 has 5 mip levels; the game takes 1 to 4"},
        {"rows the engine pads", with([](MatFile& f) {
             f.width = f.height = 1;
             f.texels = "ab";
         }),
         "texture 0's level 0 has rows of 2 bytes; the engine reads them padded to a multiple of "
         "4"},
        {"a colour beyond the palette", with([](MatFile& f) { f.celColour = 300; }),
         "cel 0's colour 300 is beyond the 256 palette entries"},
        {"a texture beyond the textures", with([](MatFile& f) { f.celTexture = 1; }),
         "cel 0 shows texture 1 of 1"},
        {"16-bit bits not as drawn", with([](MatFile& f) { f.format[3] = 5; }),
         "texture 0 is drawn as 565 whatever the format block lays out"},
        {"untextured type", with([](MatFile& f) { f.type = 0; }),
         "its type 0x0 lacks bit 1 (textured): models read no texture vertices with it"},
    };
    for (const Row& row : rows) {
        const MaterialCheck check = checkMaterial(row.bytes);
        ASSERT_FALSE(check.ok()) << row.what;
        EXPECT_EQ(check.problems.front(), row.reason) << row.what;
        EXPECT_EQ(readMaterial(row.bytes).error, row.reason) << row.what;
    }
    // The engine reads other kinds Grondel does not write: a check passes them, the reader not.
    const std::string palette = with([](MatFile& f) { f.type = 3; }) + std::string(768, '\0');
    EXPECT_TRUE(checkMaterial(palette).ok());
    EXPECT_EQ(readMaterial(palette).error, "it is not a material Grondel writes: its type is 0x3");
}

TEST(Colormap, ReadsThePaletteAndLightTablesAndRefusesShortOrForeignFiles) {
    const grondel::testing::Palette cube = grondel::testing::colourCube();
    const std::string bytes = grondel::testing::colormapBytes(cube);
    const ColormapRead read = readColormap(bytes);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.colormap.colours, cube);
    EXPECT_EQ(read.colormap.light,
              std::vector<std::uint8_t>(bytes.begin() + 64 + 768, bytes.end()));
    // Every entry but 0 changes with the light, so each is usable; one that glows is not.
    EXPECT_EQ(usableEntries(read.colormap).count(), 255u);
    Colormap glowing = read.colormap;
    for (int level = 0; level < 64; ++level)
        glowing.light[std::size_t(level * 256 + 9)] = 9;
    EXPECT_FALSE(usableEntries(glowing)[9]);
    EXPECT_FALSE(usableEntries(glowing)[0]);

    const std::string transparent = grondel::testing::colormapBytes(cube, 1);
    EXPECT_EQ(readColormap(transparent).error, "");
    struct Row {
        std::string bytes;
        const char* reason;
    };
    for (const Row& row : {
             Row{"BM" + bytes.substr(2), "it does not start with \"CMP \""},
             Row{bytes.substr(0, bytes.size() - 1),
                 "it holds 17215 bytes; a colormap holds 17216 at least"},
             Row{transparent.substr(0, transparent.size() - 1),
                 "it holds 82751 bytes; a colormap with a transparency table (flags bit 0) "
                 "holds 82752 at least"},
         })
        EXPECT_EQ(readColormap(row.bytes).error, row.reason);
}
