#include "model3do/material.h"

#include "model3do/limits.h"
#include "model3do/model_check.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>

namespace grondel {
namespace {

// The layout of a material file, as the engine's reader (rdMaterial_LoadEntry_Common) reads
// it: little-endian 32-bit words throughout, then the texels.
//
// Header, read whole into rdMaterialHeader:
//   "MAT "   compared with memcmp; anything else and the material is not loaded
//   revision compared with '2' (0x32); anything else and the material is not loaded
//   type     kept as tex_type: bit 0 makes the reader take a palette of 256 colours after the
//            textures; bit 1 makes the model loader (rdModel3) read a texture vertex after
//            each face vertex, so a textured material needs it
//   cels     num_texinfo: one record each, at most RDMATERIAL_MAX_TEXINFOS (16)
//   textures num_textures: one texture header and its levels each
//   format   14 words copied as the texel format: is16bit and bpp pick the texel size (bpp
//            sizes the surfaces the levels are read into); the rest lays out the 16-bit bits
constexpr std::size_t kHeaderBytes = 4 + 4 * 4 + 14 * 4;
constexpr std::uint32_t kRevision = 0x32;
// Bit 1 alone: textured, no palette of its own (the level's colormap colours it).
constexpr std::uint32_t kTexturedType = 2;
constexpr std::uint32_t kOwnPaletteBit = 1;
constexpr std::size_t kOwnPaletteBytes = kPaletteColours * 3;
// The engine's own 565 layout: 16-bit, 16 bits a texel, red 5 bits at 11, green 6 at 5, blue 5
// at 0, each shifted left by 3, 2, 3 to 8 bits, no alpha. rdColormap.c holds the same block.
constexpr std::array<std::uint32_t, 14> kFormat565 = {1, 16, 5, 6, 5, 11, 5, 0, 3, 2, 3, 0, 0, 0};
// Indexed: not 16-bit, 8 bits a texel; the bit layout is not read.
constexpr std::array<std::uint32_t, 14> kFormatIndexed = {0, 8};
// What std3D_AddToTextureCache uploads a 16-bit level as: 565 for an opaque texture, 1555 for
// one with a transparent colour, whatever the format block says. Bits and shifts of R, G, B.
constexpr std::array<std::uint32_t, 6> kLayout565 = {5, 6, 5, 11, 5, 0};
constexpr std::array<std::uint32_t, 6> kLayout1555 = {5, 5, 5, 10, 5, 0};

// Per cel, rdTexinfoHeader: a type (bit 3: a texture, else a plain colour), the palette index
// of its colour (drawn through the light table, lightlevel[256 * light + colour], by rdCache
// wherever the face is drawn without its texture), and four words the engine never reads.
// Bit 3 adds rdTexinfoExtHeader: three words it keeps but never uses, then the number of the
// texture the cel shows, taken unchecked as an index into the textures.
constexpr std::size_t kCelBytes = 6 * 4;
constexpr std::size_t kTextureCelExtraBytes = 4 * 4;
constexpr std::uint32_t kTextureCelBit = 8;

// Per texture, rdTextureHeader: width and height (their log2 is taken as the wrap mask, so
// powers of two), a transparency flag (bit 0: the colour key below is transparent), a word the
// engine keeps but never uses, the colour key, and the mip levels: each read into a surface
// half the size of the one before, at most 4 (texture_struct[4]).
constexpr std::size_t kTextureHeaderBytes = 6 * 4;
constexpr std::uint32_t kTransparentBit = 1;
// Sides up to here keep every size below in 64 bits; the engine keeps sides in 32-bit ints.
constexpr std::uint32_t kLargestSide = 1u << 30;

void put32(std::string& out, std::uint32_t value) {
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<char>(value >> (8 * k) & 0xff));
}

// Words and bytes taken from the front of the file.
class Cursor {
public:
    explicit Cursor(std::string_view bytes)
        : bytes_(bytes) {}
    std::size_t left() const { return bytes_.size() - at_; }
    std::size_t at() const { return at_; }
    std::uint32_t word() {
        std::uint32_t value = 0;
        for (int k = 0; k < 4; ++k)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at_ + k]))
                     << (8 * k);
        at_ += 4;
        return value;
    }
    void skip(std::size_t count) { at_ += count; }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

std::string hex(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

struct TextureLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t flags = 0;
    std::uint32_t levels = 0;
    std::size_t texelsAt = 0; // the offset of level 0
};

// What the reader found beside the problems: enough for readMaterial to take the texels.
struct Layout {
    std::uint32_t type = 0;
    std::array<std::uint32_t, 14> format{};
    std::uint32_t firstCelType = 0;
    std::uint32_t solidColour = 0;
    std::vector<TextureLayout> textures;
};

class Walk {
public:
    Walk(std::string_view bytes, MaterialCheck& check, Layout& layout)
        : in_(bytes)
        , check_(check)
        , layout_(layout) {}

    void run() {
        if (!header() || !cels())
            return;
        const std::size_t bytesPer = layout_.format[0] != 0 ? 2 : 1;
        for (long long t = 0; t < check_.textures; ++t)
            if (!texture(t, bytesPer))
                return;
        if ((layout_.type & kOwnPaletteBit) != 0) {
            if (in_.left() < kOwnPaletteBytes) {
                stop("the file ends inside the material's own palette of " +
                     std::to_string(kOwnPaletteBytes) + " bytes");
                return;
            }
            in_.skip(kOwnPaletteBytes);
        }
        if (in_.left() > 0)
            problem(std::to_string(in_.left()) + " bytes follow the end of the material");
    }

private:
    bool header() {
        if (in_.left() < kHeaderBytes)
            return stop("the file ends inside the header: " + std::to_string(in_.left()) + " of " +
                        std::to_string(kHeaderBytes) + " bytes");
        if (in_.word() != 0x2054414d) // "MAT " read as a little-endian word
            return stop("it does not start with \"MAT \"");
        if (const std::uint32_t revision = in_.word(); revision != kRevision)
            return stop("its revision is " + hex(revision) + "; the game reads " + hex(kRevision) +
                        " only");
        layout_.type = in_.word();
        const std::uint32_t cels = in_.word();
        const std::uint32_t textures = in_.word();
        for (std::uint32_t& word : layout_.format)
            word = in_.word();
        check_.cels = cels;
        check_.textures = textures;
        const std::uint32_t bits = layout_.format[1];
        if (bits != 8 && bits != 16)
            return stop("its texels are " + std::to_string(bits) +
                        " bits; the game draws 8 and 16");
        check_.indexed = layout_.format[0] == 0;
        if (check_.indexed != (bits == 8))
            problem("its format is " + std::string(check_.indexed ? "8-bit" : "16-bit") + " with " +
                    std::to_string(bits) + " bits a texel");
        if (cels == 0 || cels > kGameMaxMaterialCels)
            return stop("it holds " + std::to_string(cels) + " cels; the game takes 1 to " +
                        std::to_string(kGameMaxMaterialCels));
        // Each texture takes its header at least: a count beyond the bytes is never believed.
        if (textures > in_.left() / kTextureHeaderBytes)
            return stop("its " + std::to_string(textures) +
                        " textures cannot fit in the file's bytes");
        if (textures > 0 && (layout_.type & kTexturedType) == 0)
            problem("its type " + hex(layout_.type) +
                    " lacks bit 1 (textured): models read no texture vertices with it");
        return true;
    }

    bool cels() {
        for (long long c = 0; c < check_.cels; ++c) {
            const std::string name = "cel " + std::to_string(c);
            if (in_.left() < kCelBytes)
                return stop("the file ends inside " + name);
            const std::uint32_t type = in_.word();
            const std::uint32_t colour = in_.word();
            in_.skip(kCelBytes - 8);
            if (c == 0) {
                layout_.firstCelType = type;
                layout_.solidColour = colour;
            }
            if (colour >= static_cast<std::uint32_t>(kPaletteColours))
                problem(name + "'s colour " + std::to_string(colour) + " is beyond the " +
                        std::to_string(kPaletteColours) + " palette entries");
            if ((type & kTextureCelBit) == 0)
                continue;
            if (in_.left() < kTextureCelExtraBytes)
                return stop("the file ends inside " + name);
            in_.skip(kTextureCelExtraBytes - 4);
            if (const std::uint32_t shown = in_.word(); shown >= check_.textures)
                problem(name + " shows texture " + std::to_string(shown) + " of " +
                        std::to_string(check_.textures));
        }
        return true;
    }

    bool texture(long long t, std::size_t bytesPer) {
        const std::string name = "texture " + std::to_string(t);
        if (in_.left() < kTextureHeaderBytes)
            return stop("the file ends inside " + name + "'s header");
        TextureLayout texture;
        texture.width = in_.word();
        texture.height = in_.word();
        texture.flags = in_.word();
        in_.word();
        const std::uint32_t key = in_.word();
        texture.levels = in_.word();
        texture.texelsAt = in_.at();
        const auto side = [](std::uint32_t s) {
            return std::has_single_bit(s) && s <= kLargestSide;
        };
        if (!side(texture.width) || !side(texture.height))
            return stop(name + " is " + std::to_string(texture.width) + " x " +
                        std::to_string(texture.height) +
                        " texels; each side must be a power of two");
        if (texture.levels < 1 || texture.levels > static_cast<std::uint32_t>(kGameMaxMipLevels))
            return stop(name + " has " + std::to_string(texture.levels) +
                        " mip levels; the game takes 1 to " + std::to_string(kGameMaxMipLevels));
        const bool transparent = (texture.flags & kTransparentBit) != 0;
        if (transparent && check_.indexed && key >= static_cast<std::uint32_t>(kPaletteColours))
            problem(name + "'s transparent colour " + std::to_string(key) + " is beyond the " +
                    std::to_string(kPaletteColours) + " palette entries");
        if (!check_.indexed) {
            const std::array<std::uint32_t, 6> drawn = transparent ? kLayout1555 : kLayout565;
            if (!std::equal(drawn.begin(), drawn.end(), layout_.format.begin() + 2))
                problem(name + " is drawn as " + (transparent ? "1555" : "565") +
                        " whatever the format block lays out");
        }
        if (t == 0) {
            check_.width = static_cast<int>(texture.width);
            check_.height = static_cast<int>(texture.height);
            check_.levels = static_cast<int>(texture.levels);
        }
        for (std::uint32_t level = 0; level < texture.levels; ++level) {
            const std::uint64_t width = texture.width >> level;
            const std::uint64_t height = texture.height >> level;
            const std::string levelName = name + "'s level " + std::to_string(level);
            if (width == 0 || height == 0)
                return stop(levelName + " is under one texel wide");
            if (width * bytesPer % kGameTextureRowAlignment != 0)
                problem(levelName + " has rows of " + std::to_string(width * bytesPer) +
                        " bytes; the engine reads them padded to a multiple of " +
                        std::to_string(kGameTextureRowAlignment));
            if (in_.left() < width * height * bytesPer)
                return stop("the file ends inside " + levelName);
            in_.skip(static_cast<std::size_t>(width * height * bytesPer));
        }
        layout_.textures.push_back(texture);
        return true;
    }

    void problem(std::string text) {
        if (check_.problems.size() < kMaxReportedProblems)
            check_.problems.push_back(std::move(text));
    }
    // A problem after which the engine's reader gives up or reads the rest as something else.
    bool stop(std::string text) {
        problem(std::move(text));
        return false;
    }

    Cursor in_;
    MaterialCheck& check_;
    Layout& layout_;
};

bool isPowerOfTwoSide(int size) {
    return size >= kMinTextureSide && size <= kMaxTextureSide &&
           std::has_single_bit(static_cast<unsigned>(size));
}

} // namespace

int mipLevelsFor(int size) {
    int levels = 1;
    while (levels < kGameMaxMipLevels && size >> levels >= kMinTextureSide)
        ++levels;
    return levels;
}

std::string textureSideProblem(int size) {
    if (isPowerOfTwoSide(size))
        return {};
    return "a texture's side is a power of two from " + std::to_string(kMinTextureSide) + " to " +
           std::to_string(kMaxTextureSide) + ", not " + std::to_string(size);
}

std::string materialProblem(const Material& material) {
    if (std::string problem = textureSideProblem(material.size); !problem.empty())
        return problem;
    const int most = mipLevelsFor(material.size);
    if (material.levels.empty() || material.levels.size() > static_cast<std::size_t>(most))
        return "a texture of side " + std::to_string(material.size) + " takes 1 to " +
               std::to_string(most) + " mip levels, not " + std::to_string(material.levels.size());
    for (std::size_t level = 0; level < material.levels.size(); ++level) {
        const auto side = static_cast<std::size_t>(material.size) >> level;
        const std::vector<std::uint16_t>& texels = material.levels[level];
        if (texels.size() != side * side)
            return "mip level " + std::to_string(level) + " holds " +
                   std::to_string(texels.size()) + " texels, not " + std::to_string(side) + " x " +
                   std::to_string(side);
        if (material.format == TexelFormat::Indexed8)
            for (const std::uint16_t index : texels)
                if (index >= kPaletteColours)
                    return "mip level " + std::to_string(level) + " holds palette index " +
                           std::to_string(index) + " of " + std::to_string(kPaletteColours);
    }
    return {};
}

std::string writeMaterial(const Material& material, std::string& error) {
    error = materialProblem(material);
    if (!error.empty())
        return {};
    const bool indexed = material.format == TexelFormat::Indexed8;
    std::size_t texels = 0;
    for (const auto& level : material.levels)
        texels += level.size();
    std::string out;
    out.reserve(kHeaderBytes + kCelBytes + kTextureCelExtraBytes + kTextureHeaderBytes +
                texels * (indexed ? 1 : 2));
    out += "MAT ";
    put32(out, kRevision);
    put32(out, kTexturedType);
    put32(out, 1); // one cel
    put32(out, 1); // showing one texture
    for (const std::uint32_t word : indexed ? kFormatIndexed : kFormat565)
        put32(out, word);
    // The cel: a texture, its solid colour, four unread words, three kept but unused, and the
    // texture it shows.
    put32(out, kTextureCelBit);
    put32(out, material.solidColour);
    for (int k = 0; k < 7; ++k)
        put32(out, 0);
    put32(out, 0);
    // The texture: square, opaque (the reader sets a colour key only for alpha_en bit 0, so
    // the key is 0), and its levels.
    put32(out, static_cast<std::uint32_t>(material.size));
    put32(out, static_cast<std::uint32_t>(material.size));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(material.levels.size()));
    for (const auto& level : material.levels)
        for (const std::uint16_t texel : level) {
            out.push_back(static_cast<char>(texel & 0xff));
            if (!indexed)
                out.push_back(static_cast<char>(texel >> 8));
        }
    return out;
}

MaterialCheck checkMaterial(std::string_view bytes) {
    MaterialCheck check;
    Layout layout;
    Walk(bytes, check, layout).run();
    return check;
}

MaterialRead readMaterial(std::string_view bytes) {
    MaterialCheck check;
    Layout layout;
    Walk(bytes, check, layout).run();
    if (!check.ok())
        return {{}, check.problems.front()};
    const auto refuse = [](std::string why) {
        return MaterialRead{{}, "it is not a material Grondel writes: " + std::move(why)};
    };
    if (layout.type != kTexturedType)
        return refuse("its type is " + hex(layout.type));
    if (check.cels != 1 || check.textures != 1 || (layout.firstCelType & kTextureCelBit) == 0)
        return refuse("it is not one cel showing one texture");
    Material material;
    if (layout.format == kFormat565)
        material.format = TexelFormat::Rgb565;
    else if (layout.format == kFormatIndexed)
        material.format = TexelFormat::Indexed8;
    else
        return refuse("its texel format is neither 8-bit indices nor the engine's 565");
    const TextureLayout& texture = layout.textures.front();
    if ((texture.flags & kTransparentBit) != 0)
        return refuse("its texture has a transparent colour");
    if (texture.width != texture.height)
        return refuse("its texture is not square");
    material.size = static_cast<int>(texture.width);
    material.solidColour = static_cast<std::uint8_t>(layout.solidColour);
    if (!isPowerOfTwoSide(material.size) ||
        texture.levels > static_cast<std::uint32_t>(mipLevelsFor(material.size)))
        return refuse(std::to_string(material.size) + " texels a side with " +
                      std::to_string(texture.levels) + " mip levels");
    // Every level lies within the bytes: the walk has seen them.
    const bool indexed = material.format == TexelFormat::Indexed8;
    std::size_t at = texture.texelsAt;
    for (std::uint32_t level = 0; level < texture.levels; ++level) {
        const auto side = static_cast<std::size_t>(material.size) >> level;
        std::vector<std::uint16_t>& texels = material.levels.emplace_back(side * side);
        for (std::uint16_t& texel : texels) {
            const auto low = static_cast<unsigned char>(bytes[at]);
            texel = indexed ? low
                            : static_cast<std::uint16_t>(
                                  low | static_cast<unsigned char>(bytes[at + 1]) << 8);
            at += indexed ? 1 : 2;
        }
    }
    return {std::move(material), {}};
}

} // namespace grondel
