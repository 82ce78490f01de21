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

// True, with made emptied and saying so, when the build is to stop.
bool stopped(const BuildProgress* progress, GameTerrain& made) {
    if (!progress || !progress->cancelled())
        return false;
    made = {};
    made.cancelled = true;
    made.error = "cancelled";
    return true;
}

// Tells progress that stage starts; false when the build is to stop instead.
bool goOn(const BuildProgress* progress, BuildStage stage, GameTerrain& made) {
    if (stopped(progress, made))
        return false;
    if (progress)
        progress->stage(stage);
    return true;
}

} // namespace

std::string_view stageName(BuildStage stage) {
    switch (stage) {
    case BuildStage::Reading:
        return "reading the picture";
    case BuildStage::Grid:
        return "making the grid";
    case BuildStage::Simplifying:
        return "simplifying";
    case BuildStage::Cutting:
        return "cutting into meshes";
    case BuildStage::Placing:
        return "placing the meshes";
    case BuildStage::Printing:
        return "printing the model";
    }
    return "building";
}

namespace {

// The terrain of grid; owned, when given, is grid, which is the caller's no more: the simplifier
// works in its heights rather than a copy of them, the texture made from them first.
GameTerrain buildFrom(const TerrainGrid& grid, TerrainGrid* owned, const GameTerrainOptions& given,
                      BuildProgress* progress) {
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
    const auto [low, high] = heightRange(grid);
    made.lowest = heightAsPrinted(low, options.model.scaleZ);
    made.highest = heightAsPrinted(high, options.model.scaleZ);

    const bool inPlace = owned && options.simplified();
    const bool textured = options.texture.source != TextureSource::None;
    if (inPlace && textured) {
        makeTexture(grid, options, made);
        if (!made.ok())
            return made;
    }
    std::vector<MeshShape> meshes;
    if (!options.simplified()) {
        if (!goOn(progress, BuildStage::Cutting, made))
            return made;
        meshes = cutIntoTiles(grid.columns, grid.rows);
    } else {
        if (!goOn(progress, BuildStage::Simplifying, made))
            return made;
        // However little error is asked for, no more faces than a game model takes.
        const std::int64_t budget = options.maxFaces.value_or(kGameMaxModelFaces);
        const SimplifyLimits limits{options.maxError, budget,
                                    progress ? &progress->cancel : nullptr, options.model.scaleZ};
        const SimplifyResult simple =
            inPlace ? simplifyInPlace(*owned, limits) : simplify(grid, limits);
        if (made.error = simple.error; !made.ok() || stopped(progress, made))
            return made;
        if (options.maxError && !simple.mesh.errorMet && budget == kGameMaxModelFaces) {
            made.error = "a largest error of " + messageNumber(*options.maxError) +
                         " needs more than " + std::to_string(kGameMaxModelFaces) +
                         " faces, the most a game model takes (with that many the error is " +
                         messageNumber(simple.mesh.error) +
                         "): allow a larger error, or give a smaller grid edge";
            return made;
        }
        if (!goOn(progress, BuildStage::Cutting, made))
            return made;
        made.largestError = simple.mesh.error;
        made.errorMet = simple.mesh.errorMet;
        meshes = cutTriangulation(simple.mesh, grid.spacing * options.model.scaleX,
                                  grid.spacing * options.model.scaleY, made.error);
        if (!made.ok())
            return made;
    }
    if (!goOn(progress, BuildStage::Placing, made))
        return made;
    // Simplified in place, the grid's heights are those printed.
    GameModelBuild built =
        placeMeshes(grid, meshes, options.model, inPlace ? GridHeights::Printed : GridHeights::Raw);
    if (made.error = std::move(built.error); !made.ok())
        return made;
    if (textured && !inPlace) {
        makeTexture(grid, options, made);
        if (!made.ok())
            return made;
    }
    made.model = std::move(built.model);
    for (const GameMesh& mesh : made.model.meshes) {
        made.vertices += mesh.vertices.size();
        made.faces += mesh.faces.size();
    }
    // A cancel during the last step still throws its work away: the caller asked to stop.
    (void)stopped(progress, made);
    return made;
}

} // namespace

GameTerrain buildGameTerrain(const TerrainGrid& grid, const GameTerrainOptions& options,
                             BuildProgress* progress) {
    return buildFrom(grid, nullptr, options, progress);
}

namespace {

// The grid of picture, then the terrain of it; owned, when given, is picture, freed in between.
GameTerrain buildFromPicture(const Picture& picture, Picture* owned,
                             const GameTerrainOptions& options, BuildProgress* progress) {
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
    if (!goOn(progress, BuildStage::Grid, made))
        return made;
    TerrainGrid grid = terrainFromPicture(picture, request, made.error);
    if (owned)
        *owned = {};
    if (!made.ok())
        return made;
    return buildFrom(grid, &grid, options, progress);
}

} // namespace

GameTerrain buildGameTerrain(const Picture& picture, const GameTerrainOptions& options,
                             BuildProgress* progress) {
    return buildFromPicture(picture, nullptr, options, progress);
}

GameTerrain buildGameTerrain(Picture&& picture, const GameTerrainOptions& options,
                             BuildProgress* progress) {
    Picture owned = std::move(picture);
    return buildFromPicture(owned, &owned, options, progress);
}

} // namespace grondel
