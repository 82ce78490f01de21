#include "model3do/editor_model.h"
#include "model3do/game_model.h"
#include "model3do/model_check.h"
#include "support/game_models.h"

#include <benchmark/benchmark.h>

namespace {

// Every cell a different colour, so no height or normal text repeats.
grondel::HeightMap busyGrid() {
    grondel::HeightMap grid;
    for (int x = 0; x < grondel::kMaxEdge; ++x)
        for (int y = 0; y < grondel::kMaxEdge; ++y)
            (void)grid.set(x, y, grondel::packColour(x * 4 + 1, y * 4 + 2, (x ^ y) * 3));
    return grid;
}

// Times one model writer at the edge given as the benchmark's argument.
template <auto format>
void formatModel(benchmark::State& state) {
    const auto grid = busyGrid();
    const int edge = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto text = format(grid, edge);
        bytes = text->size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

std::optional<std::string> editorModel(const grondel::HeightMap& grid, int edge) {
    return grondel::formatEditorModel(grid, edge);
}

std::optional<std::string> gameModel(const grondel::HeightMap& grid, int edge) {
    return grondel::testing::gameModelText(grid, edge).text;
}

BENCHMARK(formatModel<editorModel>)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(formatModel<gameModel>)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMicrosecond);

void checkGameModel(benchmark::State& state) {
    const auto text =
        grondel::testing::gameModelText(busyGrid(), static_cast<int>(state.range(0))).text;
    for (auto _ : state) {
        auto check = grondel::checkModel(text);
        benchmark::DoNotOptimize(check);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(checkGameModel)->Arg(64)->Unit(benchmark::kMicrosecond);

} // namespace
