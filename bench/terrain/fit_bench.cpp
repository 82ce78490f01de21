// A terrain generator's 4096 x 4096 16-bit grey PNG fitted onto 257 x 257 points: the decode
// and the resampling timed apart, as the window and the converter do them one after the other.
#include "picture/decode.h"
#include "picture/picture_writers.h"
#include "terrain/picture_terrain.h"

#include <cmath>
#include <string>

#include <benchmark/benchmark.h>

namespace {

constexpr int kSide = 4096;

// Smooth hills with some roughness, made once.
const std::string& bigPng() {
    static const std::string file = [] {
        std::vector<std::uint16_t> samples(std::size_t(kSide) * kSide);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                samples[std::size_t(y) * kSide + x] =
                    std::uint16_t(32767 + 20000 * std::sin(x * 0.004) * std::cos(y * 0.003) +
                                  8000 * std::sin((x + 2 * y) * 0.021) + (x * 7 + y * 13) % 97);
        grondel::testing::PngOptions options;
        options.width = options.height = kSide;
        options.depth = 16;
        return grondel::testing::pngFile(options, samples);
    }();
    return file;
}

void decodeBigPng(benchmark::State& state) {
    const std::string& file = bigPng();
    for (auto _ : state) {
        grondel::PictureResult result = grondel::decodePicture(file);
        benchmark::DoNotOptimize(result.picture.samples16().data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}
BENCHMARK(decodeBigPng)->Unit(benchmark::kMillisecond);

void fitOnto257(benchmark::State& state) {
    const grondel::Picture picture = grondel::decodePicture(bigPng()).picture;
    const grondel::TerrainRequest request{grondel::TerrainRegion::Fit,
                                          grondel::TerrainHeights::Grey, 257};
    for (auto _ : state) {
        std::string error;
        grondel::TerrainGrid grid = grondel::terrainFromPicture(picture, request, error);
        benchmark::DoNotOptimize(grid.heights.data());
    }
}
BENCHMARK(fitOnto257)->Unit(benchmark::kMillisecond);

} // namespace
