#include "terrain/terrain_grid.h"

#include "model3do/game_numbers.h"
#include "model3do/limits.h"
#include "model3do/number_text.h"

#include <algorithm>
#include <cmath>

namespace grondel {

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
    if (!std::all_of(grid.heights.begin(), grid.heights.end(),
                     [](double h) { return std::abs(h) <= kMaxTerrainHeight; }))
        return "the terrain grid holds a height that is not a number within " +
               messageNumber(kMaxTerrainHeight) + " of 0";
    return {};
}

} // namespace grondel
