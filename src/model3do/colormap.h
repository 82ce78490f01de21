#pragma once

#include "model3do/limits.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace grondel {

// A colour of 8 bits a channel.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A level's colormap (.cmp): its palette, which 8-bit materials index, and the light tables the
// game draws those entries through.
struct Colormap {
    std::uint32_t flags = 0; // bit 0: a transparency table follows the light tables
    std::array<Rgb, kPaletteColours> colours{};
    // The entry the game draws in place of entry i at light level l (0 dark, up to
    // kColormapLightLevels - 1 fully lit): light[l * kPaletteColours + i].
    std::vector<std::uint8_t> light;
};

struct ColormapRead {
    Colormap colormap; // when error is empty
    std::string error; // one line
    bool ok() const { return error.empty(); }
};

// Reads a colormap file as the engine does (rdColormap_LoadEntry): the "CMP " tag, a header of
// kColormapHeaderBytes, the palette, the light tables, and with flags bit 0 a transparency
// table of kPaletteColours x kPaletteColours bytes, which is not kept. Refuses, with the reason,
// bytes that do not start with the tag or hold fewer bytes than those parts; bytes after them
// (another game's tables) are not read. Any bytes are safe to pass.
ColormapRead readColormap(std::string_view bytes);

// The entries a texture may use to show a colour as itself, lit as the level lights it:
// - not entry 0: where the game draws a material blended (a translucent face, a thing fading
//   out) it leaves entry 0 out as transparent (the GL renderer's fragment shader discards it);
// - not an entry the light tables show the same at every light level: the game draws those at
//   full brightness in the darkest sector, the way it makes lamps and lights glow.
// Without light tables (light left empty), every entry but 0.
std::bitset<kPaletteColours> usableEntries(const Colormap& colormap);

} // namespace grondel
