#include "terrain/terrain_grid.h"

#include "model3do/game_numbers.h"
#include "model3do/limits.h"
#include "model3do/number_text.h"
#include "parallel/parallel.h"

#include <algorithm>
#include <cmath>

namespace grondel {

namespace {

// Heights a thread takes at a time.
constexpr std::size_t kRun = std::size_t{1} << 18;

std::size_t runsOf(const std::vector<double>& heights) {
    return (heights.size() + kRun - 1) / kRun;
}
std::pair<std::vector<double>::const_iterator, std::vector<double>::const_iterator>
runAt(const std::vector<double>& heights, std::size_t run) {
    const auto first = heights.begin() + static_cast<std::ptrdiff_t>(run * kRun);
    return {first,
            first + static_cast<std::ptrdiff_t>(std::min(kRun, heights.size() - run * kRun))};
}

} // namespace

std::pair<double, double> heightRange(const TerrainGrid& grid) {
    std::vector<std::pair<double, double>> ranges(runsOf(grid.heights));
    parallel::forEachIndex(ranges.size(), [&](std::size_t run) {
        const auto [first, last] = runAt(grid.heights, run);
        const auto [low, high] = std::minmax_element(first, last);
        ranges[run] = {*low, *high};
    });
    std::pair<double, double> range = ranges.front();
    for (const auto& [low, high] : ranges)
        range = {std::min(range.first, low), std::max(range.second, high)};
    return range;
}

std::string terrainGridProblem(const TerrainGrid& grid) {
    const auto side = [](int points) {
        return points >= kMinTerrainEdge && points <= kMaxSimplifiedEdge;
    };
    if (!side(grid.columns) || !side(grid.rows))
        return "the terrain grid is " + std::to_string(grid.columns) + " x " +
               std::to_string(grid.rows) + " points; each side takes " +
               std::to_string(kMinTerrainEdge) + " to " + std::to_string(kMaxSimplifiedEdge);
    if (grid.heights.size() !=
        static_cast<std::size_t>(grid.columns) * static_cast<std::size_t>(grid.rows))
        return "the terrain grid holds " + std::to_string(grid.heights.size()) + " heights for " +
               std::to_string(grid.columns) + " x " + std::to_string(grid.rows) + " points";
    if (!std::isfinite(grid.spacing) || grid.spacing <= 0.0)
        return "the terrain grid's spacing is not a number above 0";
    std::vector<char> beyond(runsOf(grid.heights), 0);
    parallel::forEachIndex(beyond.size(), [&](std::size_t run) {
        const auto [first, last] = runAt(grid.heights, run);
        beyond[run] =
            !std::all_of(first, last, [](double h) { return std::abs(h) <= kMaxTerrainHeight; });
    });
    if (std::find(beyond.begin(), beyond.end(), 1) != beyond.end())
        return "the terrain grid holds a height that is not a number within " +
               messageNumber(kMaxTerrainHeight) + " of 0";
    return {};
}

} // namespace grondel
