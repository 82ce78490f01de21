#include "model3do/colormap.h"

namespace grondel {
namespace {

// The header: "CMP ", a version, the flags, a tint of three floats and ten words, none of which
// but the tag and the flags decide what follows.
constexpr std::size_t kFlagsAt = 8;
constexpr std::uint32_t kTransparencyBit = 1;
constexpr std::size_t kPaletteBytes = kPaletteColours * 3;
constexpr std::size_t kLightBytes =
    static_cast<std::size_t>(kColormapLightLevels) * kPaletteColours;
constexpr std::size_t kTransparencyBytes =
    static_cast<std::size_t>(kPaletteColours) * kPaletteColours;

} // namespace

ColormapRead readColormap(std::string_view bytes) {
    if (bytes.substr(0, 4) != "CMP ")
        return {{}, "it does not start with \"CMP \""};
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const std::size_t light = kColormapHeaderBytes + kPaletteBytes;
    std::size_t needed = light + kLightBytes;
    if (bytes.size() < needed)
        return {{},
                "it holds " + std::to_string(bytes.size()) + " bytes; a colormap holds " +
                    std::to_string(needed) + " at least"};
    ColormapRead read;
    Colormap& colormap = read.colormap;
    for (int k = 0; k < 4; ++k)
        colormap.flags |= static_cast<std::uint32_t>(byte(kFlagsAt + k)) << (8 * k);
    if ((colormap.flags & kTransparencyBit) != 0 && bytes.size() < needed + kTransparencyBytes)
        return {{},
                "it holds " + std::to_string(bytes.size()) +
                    " bytes; a colormap with a transparency table (flags bit 0) holds " +
                    std::to_string(needed + kTransparencyBytes) + " at least"};
    for (std::size_t i = 0; i < colormap.colours.size(); ++i) {
        const std::size_t at = kColormapHeaderBytes + 3 * i;
        colormap.colours[i] = {byte(at), byte(at + 1), byte(at + 2)};
    }
    colormap.light.assign(bytes.begin() + static_cast<std::ptrdiff_t>(light),
                          bytes.begin() + static_cast<std::ptrdiff_t>(light + kLightBytes));
    return read;
}

std::bitset<kPaletteColours> usableEntries(const Colormap& colormap) {
    std::bitset<kPaletteColours> usable;
    if (colormap.light.size() < kLightBytes)
        return usable.set().reset(0);
    for (std::size_t i = 1; i < usable.size(); ++i)
        for (int level = 1; level < kColormapLightLevels && !usable[i]; ++level)
            usable[i] = colormap.light[level * kPaletteColours + i] != colormap.light[i];
    return usable;
}

} // namespace grondel
