#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grondel {

// How a texel of a material is stored.
enum class TexelFormat {
    Indexed8, // one byte: an entry of the level's palette (its colormap)
    Rgb565,   // 16 bits, little-endian: red in the top 5, green the middle 6, blue the low 5
};

// A material as Grondel writes it: one cel showing one square, opaque texture and its mip
// levels.
struct Material {
    TexelFormat format = TexelFormat::Rgb565;
    int size = 0; // texels along each side of level 0
    // The palette entry the game fills the faces with where it draws them without their texture
    // (at low detail, or before the texture is loaded).
    std::uint8_t solidColour = 0;
    // Level 0 is size x size texels, each further one half as wide and high. Texels run row
    // after row from the top-left (north-west) one; each is a palette index (Indexed8, below
    // kPaletteColours) or a 565 value.
    std::vector<std::vector<std::uint16_t>> levels;

    friend bool operator==(const Material&, const Material&) = default;
};

// The mip levels a texture of side size gets: min(kGameMaxMipLevels,
// log2(size / kMinTextureSide) + 1), each at least kMinTextureSide wide.
int mipLevelsFor(int size);

// Why a texture cannot have side size, in one line, or an empty text when it can: a power of
// two within kMinTextureSide..kMaxTextureSide.
std::string textureSideProblem(int size);

// Why material cannot be written, in one line, or an empty text when it can: its size (see
// textureSideProblem), 1 to mipLevelsFor(size) levels, each with the texels of its side, every
// index below kPaletteColours.
std::string materialProblem(const Material& material);

// The bytes of the material's file, as the game's reader takes them; empty with the reason in
// error when materialProblem finds one.
std::string writeMaterial(const Material& material, std::string& error);

// What the engine's reader makes of a material file, any material, not only Grondel's.
struct MaterialCheck {
    // One line each, in file order: what the game refuses to load (then the check stops) or
    // draws wrong.
    std::vector<std::string> problems;
    long long cels = 0;
    long long textures = 0;
    bool indexed = true; // 8-bit palette indices, else 16-bit colour
    int width = 0;       // of the first texture's level 0
    int height = 0;      // ...
    int levels = 0;      // the first texture's mip levels
    bool ok() const { return problems.empty(); }
};

// Reads material file bytes the way the engine's reader does, and lists what is wrong: the tag
// and revision, the cel count (1 to kGameMaxMaterialCels) and the texture each textured cel
// shows, a type that lets the model loader read texture coordinates when there are textures,
// the texel format (8 or 16 bits; a 16-bit opaque texture is drawn as 565, a transparent one as
// 1555, whatever the format block says), each texture's sides (powers of two) and its 1 to
// kGameMaxMipLevels levels (rows of whole multiples of kGameTextureRowAlignment bytes), palette
// entries within kPaletteColours, and the byte count: the file ending early or holding more
// than the material. Any bytes are safe to pass: no count in them is trusted for memory.
MaterialCheck checkMaterial(std::string_view bytes);

struct MaterialRead {
    Material material; // when error is empty
    std::string error; // one line
    bool ok() const { return error.empty(); }
};

// Reads a material of the kind writeMaterial writes (one cel, one square opaque texture of
// 8-bit indices or 565 texels, sides and levels as materialProblem takes them): the first of
// checkMaterial's problems, or what makes it another kind, is the reason for refusing it.
// Words the engine never uses are not read. Any bytes are safe to pass.
MaterialRead readMaterial(std::string_view bytes);

} // namespace grondel
