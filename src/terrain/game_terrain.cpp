#include "terrain/game_terrain.h"

#include "model3do/game_numbers.h"
#include "model3do/game_tiles.h"
#include "terrain/partition.h"
#include "terrain/simplify.h"

#include <algorithm>
#include <cmath>

namespace grondel {
namespace {

// The simplifier's meshes as the game model's shapes.
std::vector<MeshShape> shapesOf(const std::vector<terrain::MeshPiece>& pieces) {
    std::vector<MeshShape> shapes;
    shapes.reserve(pieces.size());
    for (const terrain::MeshPiece& piece : pieces) {
        MeshShape& shape = shapes.emplace_back();
        shape.name = "mesh" + std::to_string(shapes.size() - 1);
        for (const terrain::GridPoint& p : piece.vertices)
            shape.points.push_back({p.column, p.row});
        for (const terrain::LocalFace& f : piece.faces)
            shape.faces.push_back({f.a, f.b, f.c});
    }
    return shapes;
}

} // namespace

std::string gameTerrainProblem(const GameTerrainOptions& options) {
    if (std::string problem = optionsProblem(options.model); !problem.empty())
        return problem;
    const int most = options.simplified() ? kMaxSimplifiedEdge : kMaxFullGridEdge;
    if (options.terrain.edge != 0 &&
        (options.terrain.edge < kMinTerrainEdge || options.terrain.edge > most))
        return "the grid edge must be from " + std::to_string(kMinTerrainEdge) + " to " +
               std::to_string(most) +
               (options.simplified() ? "" : " (up to 4097 with a largest error or a face budget)") +
               ", not " + std::to_string(options.terrain.edge);
    if (options.maxError && !(*options.maxError >= 0.0 && *options.maxError <= kMaxErrorLimit))
        return "the largest error must be a number from 0 to 1e9 world units";
    if (options.maxFaces && *options.maxFaces < 2)
        return "the face budget must be at least 2 faces, not " + std::to_string(*options.maxFaces);
    return {};
}

GameTerrain buildGameTerrain(const Picture& picture, const GameTerrainOptions& options) {
    GameTerrain made;
    made.error = gameTerrainProblem(options);
    if (!made.ok())
        return made;
    TerrainRequest request = options.terrain;
    const int most = options.simplified() ? kMaxSimplifiedEdge : kMaxFullGridEdge;
    // The whole picture, point for pixel, as far as the grid may go.
    if (request.region == TerrainRegion::Fit && request.edge == 0)
        request.edge = std::min(std::max(picture.width(), picture.height()), most);
    const TerrainGrid grid = terrainFromPicture(picture, request, made.error);
    if (!made.ok())
        return made;
    if (std::max(grid.columns, grid.rows) > most) {
        made.error = "the picture is " + std::to_string(std::max(grid.columns, grid.rows)) +
                     " points a side; give a grid edge up to " + std::to_string(most);
        return made;
    }
    made.columns = grid.columns;
    made.rows = grid.rows;

    // The heights exactly as the model prints them: the simplifier's bound holds for those.
    std::vector<double> printed(grid.heights.size());
    for (std::size_t k = 0; k < printed.size(); ++k)
        printed[k] = game_numbers::significant(grid.heights[k] * options.model.scaleZ);
    const auto [low, high] = std::minmax_element(printed.begin(), printed.end());
    made.lowest = *low;
    made.highest = *high;

    GameModelBuild built;
    if (!options.simplified()) {
        built = buildGameModel(grid, options.model);
    } else {
        terrain::SimplifyLimits limits;
        limits.maxError = options.maxError;
        limits.maxFaces = options.maxFaces;
        terrain::SimplifyResult simple =
            terrain::simplify({grid.columns, grid.rows, printed}, limits);
        if (simple.status != terrain::SimplifyStatus::Ok) {
            made.error = std::string(terrain::describe(simple.status));
            return made;
        }
        made.largestError = simple.mesh.error;
        made.errorMet = simple.mesh.errorMet;
        const terrain::PartitionResult pieces = terrain::partition(
            simple.mesh, grid.spacing * options.model.scaleX, grid.spacing * options.model.scaleY);
        if (pieces.status != terrain::PartitionStatus::Ok) {
            made.error = std::string(terrain::describe(pieces.status));
            return made;
        }
        built = buildGameModel(grid, shapesOf(pieces.meshes), options.model);
    }
    if (!built.ok()) {
        made.error = std::move(built.error);
        return made;
    }
    made.model = std::move(built.model);
    for (const GameMesh& mesh : made.model.meshes) {
        made.vertices += mesh.vertices.size();
        made.faces += mesh.faces.size();
    }
    return made;
}

} // namespace grondel
