#include "model3do/game_tiles.h"
#include "render/rasterizer.h"

#include <cmath>

#include <benchmark/benchmark.h>

namespace {

// Rolling hills: every face lit differently, the whole terrain in view.
grondel::render::Scene hills(int edge) {
    grondel::HeightMap grid;
    for (int x = 0; x < edge; ++x)
        for (int y = 0; y < edge; ++y) {
            const double level = 127.5 + 127.5 * std::sin(x * 0.3) * std::cos(y * 0.2);
            const int grey = static_cast<int>(level);
            (void)grid.set(x, y, grondel::packColour(grey, grey, grey));
        }
    return grondel::render::sceneOf(grondel::buildGameModel(grid, edge, {}).model);
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
BENCHMARK(renderFrame)->Arg(64)->Unit(benchmark::kMillisecond);

} // namespace
