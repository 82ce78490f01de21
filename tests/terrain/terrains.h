#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace grondel::terrain::testing {

// Test terrains in world units, row after row, heights within 0..8 unless said otherwise.
// Ridged: sharp crests where Smooth crosses its middle, terraces with steep risers below them and
// a flat floor, the sort of terrain whose errors come in near ties.
enum class Terrain { Smooth, Noisy, Terraced, Flat, Spiky, Tilted, HighOffset, Ridged };

inline std::string name(Terrain kind) {
    const char* names[] = {"smooth", "noisy",  "terraced", "flat",
                           "spiky",  "tilted", "offset",   "ridged"};
    return names[int(kind)];
}

inline std::vector<double> makeTerrain(Terrain kind, int columns, int rows) {
    std::vector<double> h(std::size_t(columns) * rows);
    std::uint32_t seed = 12345u + std::uint32_t(columns) * 31u + std::uint32_t(rows);
    const auto random = [&seed] { // 0..1, the same on every platform
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / double(1u << 24);
    };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            const double smooth = 4 + 2.5 * std::sin(0.11 * i) * std::cos(0.07 * j) +
                                  1.2 * std::sin(0.031 * (i + 2 * j));
            double& v = h[std::size_t(j) * columns + i];
            switch (kind) {
            case Terrain::Smooth:
                v = smooth;
                break;
            case Terrain::Noisy:
                v = 8 * random();
                break;
            case Terrain::Terraced:
                v = std::floor(smooth * 2) / 2;
                break;
            case Terrain::Flat:
                v = 2.5;
                break;
            case Terrain::Spiky:
                v = (i * 7 + j * 13) % 37 == 0 ? 8.0 : 0.0;
                break;
            case Terrain::Tilted:
                v = 0.3 * i - 0.7 * j + 5.1;
                break;
            case Terrain::HighOffset:
                v = 1e6 + smooth;
                break;
            case Terrain::Ridged: {
                const double crest = 1 - std::abs(smooth - 4) / 4;
                double r = std::max(crest * crest, 0.1);
                if (r < 0.6) { // four treads, each ending in a riser a quarter of its step
                    const double steps = r / 0.15, step = std::floor(steps);
                    r = (step + std::max(0.0, (steps - step - 0.75) / 0.25)) * 0.15;
                }
                v = 8 * r;
                break;
            }
            }
        }
    }
    return h;
}

} // namespace grondel::terrain::testing
