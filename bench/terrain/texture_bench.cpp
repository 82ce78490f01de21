// A terrain's 1024 x 1024 texture made and written as a material with its mip levels, shaded
// and in 16 and 8 bits, beside building and printing the game model of the same 257 x 257
// grid: what --texture adds to a conversion.
#include "model3do/game_model.h"
#include "support/colormaps.h"
#include "terrain/game_terrain.h"
#include "terrain/texture.h"

#include <cmath>

#include <benchmark/benchmark.h>

namespace {

using namespace grondel;

constexpr int kEdge = 257;
constexpr int kSide = 1024;

// Hills and valleys of several sizes, up to about 6 units high: slopes up to rock.
const TerrainGrid& hills() {
    static const TerrainGrid grid = [] {
        TerrainGrid g{kEdge, kEdge, 0.5, {}};
        for (int r = 0; r < kEdge; ++r)
            for (int c = 0; c < kEdge; ++c)
                g.heights.push_back(3.0 + std::sin(c * 0.05) * std::cos(r * 0.04) * 2.0 +
                                    std::sin(c * 0.23 + r * 0.17) * 0.6);
        return g;
    }();
    return grid;
}

const Colormap& cube() {
    static const Colormap colormap =
        readColormap(testing::colormapBytes(testing::colourCube())).colormap;
    return colormap;
}

TerrainTexture shadedHills() {
    std::string error;
    ShadeOptions options;
    options.size = kSide;
    return shadedTexture(hills(), options, error);
}

void shadedTextureOnly(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(shadedHills());
}
BENCHMARK(shadedTextureOnly)->Unit(benchmark::kMillisecond);

// The material's mip levels, texels and file from a texture made beforehand.
template <TexelFormat format>
void materialOnly(benchmark::State& state) {
    const TerrainTexture texture = shadedHills();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        const std::string file =
            writeMaterial(textureMaterial(texture, format, &cube(), error), error);
        bytes = file.size();
        benchmark::DoNotOptimize(file);
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(materialOnly<TexelFormat::Rgb565>)->Unit(benchmark::kMillisecond);
BENCHMARK(materialOnly<TexelFormat::Indexed8>)->Unit(benchmark::kMillisecond);

// The whole road: the shaded texture, its material and its file.
template <TexelFormat format>
void shadedMaterial(benchmark::State& state) {
    for (auto _ : state) {
        std::string error;
        const std::string file =
            writeMaterial(textureMaterial(shadedHills(), format, &cube(), error), error);
        benchmark::DoNotOptimize(file);
    }
}
BENCHMARK(shadedMaterial<TexelFormat::Rgb565>)->Unit(benchmark::kMillisecond);
BENCHMARK(shadedMaterial<TexelFormat::Indexed8>)->Unit(benchmark::kMillisecond);

// The game model of the same grid, built and printed, to set the above beside.
void gameModel(benchmark::State& state) {
    for (auto _ : state) {
        const GameTerrain terrain = buildGameTerrain(hills(), GameTerrainOptions{});
        benchmark::DoNotOptimize(printGameModel(terrain.model));
    }
}
BENCHMARK(gameModel)->Unit(benchmark::kMillisecond);

} // namespace
