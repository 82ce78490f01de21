#include "render/rasterizer.h"
#include "terrain/game_terrain.h"

#include <cmath>

#include <benchmark/benchmark.h>

namespace {

// Rolling hills on an edge x edge grid, every face lit differently, the whole terrain in view.
grondel::render::Scene hills(int edge) {
    grondel::TerrainGrid grid;
    grid.columns = grid.rows = edge;
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x)
            grid.heights.push_back(4.0 + 4.0 * std::sin(x * 0.3) * std::cos(y * 0.2));
    return grondel::render::sceneOf(grondel::buildGameTerrain(grid, {}).model);
}

// One frame at 800 x 600 from the default view, as the terrain view draws it.
void renderFrame(benchmark::State& state) {
    const grondel::render::Scene scene = hills(static_cast<int>(state.range(0)));
    const auto camera = grondel::render::southView(scene, 800.0 / 600.0);
    grondel::render::Frame frame;
    frame.resize(800, 600);
    for (auto _ : state) {
        grondel::render::draw(scene, camera, {}, frame);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}
BENCHMARK(renderFrame)->Arg(64)->Arg(257)->Unit(benchmark::kMillisecond);

} // namespace
