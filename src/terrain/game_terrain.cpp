#include "terrain/game_terrain.h"

#include "model3do/limits.h"
#include "model3do/number_text.h"
#include "terrain/meshes.h"
#include "terrain/placement.h"
#include "terrain/simplify.h"

#include <algorithm>

namespace grondel {

namespace {

// The terrain's own texture and its material, or the reason there are none in error.
void makeTexture(const TerrainGrid& grid, const GameTerrainOptions& options, GameTerrain& made) {
    const TextureOptions& texture = options.texture;
    if (texture.source == TextureSource::Shaded) {
        const ShadeOptions shade{texture.size, options.model.scaleX, options.model.scaleY,
                                 options.model.scaleZ, texture.ramp};
        made.texture = shadedTexture(grid, shade, made.error);
    } else {
        made.texture = pictureTexture(*texture.picture, texture.size, made.error);
    }
    if (!made.ok())
        return;
    Material material = textureMaterial(
        made.texture, texture.colormap ? TexelFormat::Indexed8 : TexelFormat::Rgb565,
        texture.colormap.get(), made.error);
    if (made.ok())
        made.material = std::move(material);
}

} // namespace

GameTerrain buildGameTerrain(const TerrainGrid& grid, const GameTerrainOptions& given) {
    GameTerrain made;
    if (const auto problem = gameOptionsProblem(given)) {
        made.error = describe(*problem);
        return made;
    }
    GameTerrainOptions options = given;
    if (options.texture.source != TextureSource::None)
        options.model.textureSize = options.texture.size;
    const int most = options.simplified() ? kMaxSimplifiedEdge : kMaxFullGridEdge;
    if (std::max(grid.columns, grid.rows) > most) {
        made.error = "the picture is " + std::to_string(std::max(grid.columns, grid.rows)) +
                     " points a side; give a grid edge up to " + std::to_string(most);
        return made;
    }
    if (made.error = terrainGridProblem(grid); !made.ok())
        return made;
    made.columns = grid.columns;
    made.rows = grid.rows;

    // The heights exactly as the model prints them: the simplifier's bound holds for those.
    const TerrainGrid printed = printedGrid(grid, options.model.scaleZ);
    const auto [low, high] = std::minmax_element(printed.heights.begin(), printed.heights.end());
    made.lowest = *low;
    made.highest = *high;

    std::vector<MeshShape> meshes;
    if (!options.simplified()) {
        meshes = cutIntoTiles(grid.columns, grid.rows);
    } else {
        // However little error is asked for, no more faces than a game model takes.
        const std::int64_t budget = options.maxFaces.value_or(kGameMaxModelFaces);
        const SimplifyResult simple = simplify(printed, {options.maxError, budget});
        if (made.error = simple.error; !made.ok())
            return made;
        if (options.maxError && !simple.mesh.errorMet && budget == kGameMaxModelFaces) {
            made.error = "a largest error of " + messageNumber(*options.maxError) +
                         " needs more than " + std::to_string(kGameMaxModelFaces) +
                         " faces, the most a game model takes (with that many the error is " +
                         messageNumber(simple.mesh.error) +
                         "): allow a larger error, or give a smaller grid edge";
            return made;
        }
        made.largestError = simple.mesh.error;
        made.errorMet = simple.mesh.errorMet;
        meshes = cutTriangulation(simple.mesh, grid.spacing * options.model.scaleX,
                                  grid.spacing * options.model.scaleY, made.error);
        if (!made.ok())
            return made;
    }
    GameModelBuild built = placeMeshes(grid, meshes, options.model);
    if (made.error = std::move(built.error); !made.ok())
        return made;
    if (options.texture.source != TextureSource::None) {
        makeTexture(grid, options, made);
        if (!made.ok())
            return made;
    }
    made.model = std::move(built.model);
    for (const GameMesh& mesh : made.model.meshes) {
        made.vertices += mesh.vertices.size();
        made.faces += mesh.faces.size();
    }
    return made;
}

GameTerrain buildGameTerrain(const Picture& picture, const GameTerrainOptions& options) {
    if (const auto problem = gameOptionsProblem(options)) {
        GameTerrain refused;
        refused.error = describe(*problem);
        return refused;
    }
    TerrainRequest request = options.terrain;
    // The whole picture, point for pixel, as far as the grid may go.
    if (request.region == TerrainRegion::Fit && request.edge == 0)
        request.edge = std::min(std::max(picture.width(), picture.height()),
                                options.simplified() ? kMaxSimplifiedEdge : kMaxFullGridEdge);
    GameTerrain made;
    const TerrainGrid grid = terrainFromPicture(picture, request, made.error);
    if (!made.ok())
        return made;
    return buildGameTerrain(grid, options);
}

} // namespace grondel
