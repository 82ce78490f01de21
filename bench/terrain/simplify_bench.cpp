// The simplifier alone, in memory: simplify() on seeded terrains built once outside the
// timed loop (no process, no picture to decode), at 0.2% of the height range. The faces made
// are reported as a counter, the same on every run. Then each step that makes the game model of
// the simplified surface, timed apart: cutting it into meshes, placing them, printing the text.
//
// Terrains are midpoint displacement (diamond-square) like bench/make_terrains.py's, though
// not the same numbers: fractal at roughness 0.45, and ridges, the same folded into sharp
// crests beside flat terraces. Heights are quantised to 16-bit levels over 0..1, as the bench
// driver reads a 16-bit picture.
#include "model3do/game_model.h"
#include "terrain/meshes.h"
#include "terrain/placement.h"
#include "terrain/simplify.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace grondel;

enum Kind { kFractal = 0, kRidges = 1 };

// A uniform number in [-1, 1) from the generator's bits; the standard fixes mt19937_64's
// output, so the terrain is the same with every standard library.
double uniform(std::mt19937_64& random) {
    return static_cast<double>(random() >> 11) * 0x1p-52 - 1.0;
}

std::vector<double> diamondSquare(int size, double roughness, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const int n = size - 1;
    std::vector<double> h(static_cast<std::size_t>(size) * size, 0.0);
    const auto at = [&](int x, int y) -> double& {
        return h[static_cast<std::size_t>(y) * size + x];
    };
    for (const int y : {0, n})
        for (const int x : {0, n})
            at(x, y) = uniform(random);
    double amplitude = 1.0;
    for (int step = n; step > 1; step /= 2, amplitude *= roughness) {
        const int half = step / 2;
        for (int y = half; y < n; y += step)
            for (int x = half; x < n; x += step)
                at(x, y) = (at(x - half, y - half) + at(x + half, y - half) +
                            at(x - half, y + half) + at(x + half, y + half)) /
                               4 +
                           amplitude * uniform(random);
        for (int y = 0; y <= n; y += half) {
            for (int x = (y + half) % step; x <= n; x += step) {
                double total = 0;
                int count = 0;
                for (const auto& [dx, dy] :
                     {std::pair{-half, 0}, {half, 0}, {0, -half}, {0, half}}) {
                    if (x + dx >= 0 && x + dx <= n && y + dy >= 0 && y + dy <= n) {
                        total += at(x + dx, y + dy);
                        ++count;
                    }
                }
                at(x, y) = total / count + amplitude * uniform(random);
            }
        }
    }
    return h;
}

// Sharp crests where the noise crosses its middle; below 0.6, four flat treads each ending in
// a riser a quarter of the step wide; under 0.1 one flat floor.
void foldIntoRidges(std::vector<double>& h) {
    const auto [low, high] = std::minmax_element(h.begin(), h.end());
    const double middle = (*low + *high) / 2, half = (*high - *low) / 2;
    constexpr double kTerraced = 0.6, kStep = kTerraced / 4, kRiser = 0.25, kFloor = 0.1;
    for (double& v : h) {
        double r = 1.0 - std::abs(v - middle) / half;
        r = std::max(r * r, kFloor);
        if (r < kTerraced) {
            const double step = std::floor(r / kStep), within = r / kStep - step;
            r = (step + std::max(0.0, (within - (1.0 - kRiser)) / kRiser)) * kStep;
        }
        v = r;
    }
}

// Made once per kind and size, then kept for every benchmark that wants it.
const std::vector<double>& terrain(Kind kind, int size) {
    static std::map<std::pair<int, int>, std::vector<double>> made;
    auto [place, added] = made.try_emplace({kind, size});
    if (added) {
        std::vector<double> h =
            diamondSquare(size, 0.45, 16 + static_cast<std::uint64_t>(size) * 2 + kind);
        if (kind == kRidges)
            foldIntoRidges(h);
        const auto [low, high] = std::minmax_element(h.begin(), h.end());
        const double lo = *low, scale = 65535.0 / (*high - lo);
        for (double& v : h)
            v = std::round((v - lo) * scale) / 65535.0;
        place->second = std::move(h);
    }
    return place->second;
}

// Arguments: the grid's side, then the kind.
void simplifyTerrain(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const auto kind = Kind(state.range(1));
    const TerrainGrid grid{size, size, 1.0, terrain(kind, size)};
    SimplifyLimits limits;
    limits.maxError = 0.002;
    std::size_t faces = 0;
    for (auto _ : state) {
        const SimplifyResult result = simplify(grid, limits);
        if (!result.ok()) {
            state.SkipWithError("simplify refused the terrain");
            return;
        }
        faces = result.mesh.triangles.size();
        benchmark::DoNotOptimize(result.mesh.triangles.data());
    }
    // The counter prints rounded to thousands; the label has the exact count.
    state.counters["faces"] = static_cast<double>(faces);
    state.SetLabel(std::string(kind == kRidges ? "ridges" : "fractal") + " faces " +
                   std::to_string(faces));
}
BENCHMARK(simplifyTerrain)
    ->ArgNames({"size", "kind"})
    ->Args({513, kFractal})
    ->Args({4097, kFractal})
    ->Args({513, kRidges})
    ->Args({4097, kRidges})
    ->Unit(benchmark::kMillisecond);

// The surface simplify() makes of a terrain at 0.2%, made once, and its meshes.
struct Surface {
    TerrainGrid grid;
    Triangulation mesh;
    std::vector<MeshShape> meshes;
};
const Surface& surface(Kind kind, int size) {
    static std::map<std::pair<int, int>, Surface> made;
    auto [place, added] = made.try_emplace({kind, size});
    if (added) {
        Surface& s = place->second;
        s.grid = {size, size, 0.5, terrain(kind, size)};
        SimplifyLimits limits;
        limits.maxError = 0.002;
        s.mesh = simplify(s.grid, limits).mesh;
        std::string error;
        s.meshes = cutTriangulation(s.mesh, 0.5, 0.5, error);
    }
    return place->second;
}

enum Step { kCut = 0, kPlace = 1, kPrint = 2 };

// Arguments: the grid's side, the kind, then the step.
void gameModelStep(benchmark::State& state) {
    const Surface& s = surface(Kind(state.range(1)), static_cast<int>(state.range(0)));
    const auto step = Step(state.range(2));
    const GameModel model = placeMeshes(s.grid, s.meshes, {}).model;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        if (step == kCut)
            benchmark::DoNotOptimize(cutTriangulation(s.mesh, 0.5, 0.5, error).size());
        else if (step == kPlace)
            benchmark::DoNotOptimize(placeMeshes(s.grid, s.meshes, {}).model.meshes.size());
        else
            bytes = printGameModel(model).size();
    }
    state.SetLabel(std::string(step == kCut     ? "cut"
                               : step == kPlace ? "place"
                                                : "print") +
                   " " + std::to_string(s.mesh.triangles.size()) + " faces" +
                   (bytes ? ", " + std::to_string(bytes) + " bytes" : ""));
}
BENCHMARK(gameModelStep)
    ->ArgNames({"size", "kind", "step"})
    ->Args({513, kFractal, kCut})
    ->Args({513, kFractal, kPlace})
    ->Args({513, kFractal, kPrint})
    ->Unit(benchmark::kMillisecond);

} // namespace
