#pragma once

// Colormap files of known palettes, written here from the format's description (not by any
// code under test): for the tests, the benchmarks and tests/model3do's write_colormap.
#include "model3do/colormap.h"

#include <array>
#include <cstdint>
#include <string>

namespace grondel::testing {

using Palette = std::array<Rgb, kPaletteColours>;

// A 6 x 7 x 6 colour cube (red slowest, black first), then four greys the cube lacks.
inline Palette colourCube() {
    Palette palette{};
    std::size_t i = 0;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette[i++] = {std::uint8_t(r * 51), std::uint8_t((g * 255 + 3) / 6),
                                std::uint8_t(b * 51)};
    for (const std::uint8_t grey : {32, 96, 160, 224})
        palette[i++] = {grey, grey, grey};
    return palette;
}

// Entry i is grey level i.
inline Palette greyRamp() {
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    return palette;
}

// The bytes of a colormap: "CMP ", version 30, flags, the rest of the 64-byte header zero; the
// palette; 64 light tables, table l showing each colour at l / 63 of its brightness as its
// nearest entry (so table 63 shows every distinct colour as itself); with flags bit 0 a
// transparency table of zeros.
inline std::string colormapBytes(const Palette& palette, std::uint32_t flags = 0) {
    std::string bytes = "CMP ";
    for (const std::uint32_t word : {30u, flags})
        for (int k = 0; k < 4; ++k)
            bytes.push_back(char(word >> (8 * k) & 0xff));
    bytes.resize(64, '\0');
    for (const Rgb c : palette)
        bytes += {char(c.r), char(c.g), char(c.b)};
    for (int level = 0; level < 64; ++level)
        for (const Rgb c : palette) {
            const auto dim = [level](int v) { return (v * level + 31) / 63; };
            int best = 0;
            long long bestDistance = -1;
            for (int i = 0; i < 256; ++i) {
                const Rgb e = palette[std::size_t(i)];
                const long long dr = e.r - dim(c.r), dg = e.g - dim(c.g), db = e.b - dim(c.b);
                const long long distance = dr * dr + dg * dg + db * db;
                if (bestDistance < 0 || distance < bestDistance) {
                    best = i;
                    bestDistance = distance;
                }
            }
            bytes.push_back(char(best));
        }
    if (flags & 1)
        bytes.append(256 * 256, '\0');
    return bytes;
}

} // namespace grondel::testing
