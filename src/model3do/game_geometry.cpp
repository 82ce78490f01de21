#include "model3do/game_geometry.h"

#include "model3do/game_limits.h"
#include "model3do/game_numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace grondel {
namespace {

using game_numbers::significant;

constexpr double kTextureRepeat = 1024.0; // a multiple of every texture size up to 1024
constexpr double kMaxTexel = 2097152.0;   // 2^21: above it float32 steps by over 1/8 texel
constexpr double kZeroAreaRatio = 1e-12;  // of the model's extent squared

std::string number(double value) {
    return optionText(value);
}

bool plainName(const std::string& name) {
    return !name.empty() && name.size() <= kGameMaxNameLength &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return c > ' ' && c <= '~' && c != '#'; });
}

// Twice the signed area of (a, b, c) in (column, -row): positive when counter-clockwise seen
// from above.
std::int64_t orientation(GridPoint a, GridPoint b, GridPoint c) {
    return -(std::int64_t{b.column - a.column} * (c.row - a.row) -
             std::int64_t{b.row - a.row} * (c.column - a.column));
}

std::string shapeProblem(const TerrainGrid& grid, const MeshShape& shape, std::size_t index) {
    const std::string which = "mesh " + std::to_string(index);
    if (!plainName(shape.name))
        return which + " has no plain name of 1 to 31 characters";
    const auto points = static_cast<long long>(shape.points.size());
    const auto faces = static_cast<long long>(shape.faces.size());
    if (points < 1 || points > std::min(kGameMaxVertices, kGameMaxTextureVertices) || faces < 1 ||
        faces > kGameMaxFaces)
        return which + " has " + std::to_string(points) + " vertices and " + std::to_string(faces) +
               " faces; the game takes 1 to 512 of each";
    for (const GridPoint& p : shape.points)
        if (!grid.contains(p))
            return which + " uses a point off the terrain grid";
    for (const auto& face : shape.faces) {
        for (int corner : face)
            if (corner < 0 || corner >= points)
                return which + " has a face with a corner it does not list";
        const auto at = [&](int corner) { return shape.points[static_cast<std::size_t>(corner)]; };
        if (orientation(at(face[0]), at(face[1]), at(face[2])) <= 0)
            return which + " has a face that is not counter-clockwise seen from above";
    }
    return {};
}

// The mesh's shift on one axis: the whole multiple of kTextureRepeat nearest minus the middle of
// its coordinates.
double textureShift(double low, double high) {
    return -kTextureRepeat * std::nearbyint((low + high) / 2.0 / kTextureRepeat);
}

} // namespace

GameModelBuild buildGameModel(const TerrainGrid& grid, const std::vector<MeshShape>& shapes,
                              const GameModelOptions& options) {
    GameModelBuild build;
    std::string& error = build.error;
    if (error = optionsProblem(options); !error.empty())
        return build;
    if (error = terrainGridProblem(grid); !error.empty())
        return build;
    if (shapes.empty()) {
        error = "the terrain has no mesh";
        return build;
    }
    for (std::size_t s = 0; s < shapes.size(); ++s)
        if (error = shapeProblem(grid, shapes[s], s); !error.empty())
            return build;

    // Every point any shape uses, once, by its place in the grid.
    const auto keyOf = [&grid](GridPoint p) {
        return static_cast<std::uint64_t>(p.row) * static_cast<std::uint64_t>(grid.columns) +
               static_cast<std::uint64_t>(p.column);
    };
    std::vector<std::uint64_t> keys;
    for (const MeshShape& shape : shapes)
        for (const GridPoint& p : shape.points)
            keys.push_back(keyOf(p));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    // A table over the whole grid when it is not much larger than the points used, else a search.
    const std::uint64_t gridPoints =
        static_cast<std::uint64_t>(grid.columns) * static_cast<std::uint64_t>(grid.rows);
    std::vector<std::uint32_t> table;
    if (gridPoints <= 8 * keys.size() + 65536) {
        table.resize(gridPoints);
        for (std::size_t id = 0; id < keys.size(); ++id)
            table[keys[id]] = static_cast<std::uint32_t>(id);
    }
    const auto idOf = [&](GridPoint p) {
        if (!table.empty())
            return static_cast<std::size_t>(table[keyOf(p)]);
        return static_cast<std::size_t>(std::lower_bound(keys.begin(), keys.end(), keyOf(p)) -
                                        keys.begin());
    };

    // Positions on each axis's quantum: the grid's middle at the origin, north-up.
    const double stepX = grid.spacing * options.scaleX, stepY = grid.spacing * options.scaleY;
    const double middleX = (grid.columns - 1) / 2.0, middleY = (grid.rows - 1) / 2.0;
    GameModel& model = build.model;
    model.material = options.material;
    model.quantumX = game_numbers::quantumExponent(middleX * stepX);
    model.quantumY = game_numbers::quantumExponent(middleY * stepY);
    if (model.quantumX < 0 || model.quantumY < 0) {
        error = "the terrain is over 2^24 units wide; the game cannot place it exactly";
        return build;
    }
    std::vector<Vec3> position(keys.size());
    Vec3 low{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
             std::numeric_limits<double>::max()};
    Vec3 high = low * -1.0;
    for (std::size_t id = 0; id < keys.size(); ++id) {
        const GridPoint p{static_cast<int>(keys[id] % static_cast<std::uint64_t>(grid.columns)),
                          static_cast<int>(keys[id] / static_cast<std::uint64_t>(grid.columns))};
        const Vec3 v{game_numbers::quantized((p.column - middleX) * stepX, model.quantumX),
                     game_numbers::quantized((middleY - p.row) * stepY, model.quantumY),
                     significant(grid.at(p) * options.scaleZ)};
        position[id] = v;
        low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
        high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
    }

    // Faces too small beside the model to draw reliably, and the normals of the others.
    const Vec3 size = high - low;
    const double extent = std::max({size.x, size.y, size.z});
    std::vector<std::vector<Vec3>> faceNormal(shapes.size());
    std::vector<Vec3> normalSum(keys.size());
    for (std::size_t s = 0; s < shapes.size(); ++s) {
        for (const auto& face : shapes[s].faces) {
            std::array<std::size_t, 3> id;
            for (std::size_t c = 0; c < 3; ++c)
                id[c] = idOf(shapes[s].points[static_cast<std::size_t>(face[c])]);
            const Vec3 winding =
                cross(position[id[1]] - position[id[0]], position[id[2]] - position[id[0]]);
            const double area = length(winding) / 2.0;
            if (!(area > kZeroAreaRatio * extent * extent)) {
                error = "faces as small as " + number(area) + " square units in a model " +
                        number(extent) + " units across (scale " + number(options.scaleX) + ", " +
                        number(options.scaleY) + ", " + number(options.scaleZ) +
                        ") cannot be drawn reliably by the game's float32 arithmetic; bring "
                        "the three scales closer together";
                return build;
            }
            const Vec3 n = unit(winding);
            faceNormal[s].push_back(n);
            for (std::size_t c : id)
                normalSum[c] += n;
        }
    }

    const double ku = stepX * options.texelsPerUnit, kv = stepY * options.texelsPerUnit;
    double farthest = 0.0;
    for (std::size_t s = 0; s < shapes.size(); ++s) {
        const MeshShape& shape = shapes[s];
        GameMesh& mesh = model.meshes.emplace_back();
        mesh.name = shape.name;

        std::vector<std::size_t> ids;
        Vec3 meshLow = position[idOf(shape.points.front())], meshHigh = meshLow;
        GridPoint first = shape.points.front(), last = first;
        for (const GridPoint& p : shape.points) {
            const Vec3 v = position[ids.emplace_back(idOf(p))];
            meshLow = {std::min(meshLow.x, v.x), std::min(meshLow.y, v.y), 0.0};
            meshHigh = {std::max(meshHigh.x, v.x), std::max(meshHigh.y, v.y), 0.0};
            first = {std::min(first.column, p.column), std::min(first.row, p.row)};
            last = {std::max(last.column, p.column), std::max(last.row, p.row)};
        }
        mesh.node = {game_numbers::quantized((meshLow.x + meshHigh.x) / 2.0, model.quantumX),
                     game_numbers::quantized((meshLow.y + meshHigh.y) / 2.0, model.quantumY), 0.0};

        const double shiftU = textureShift(first.column * ku, last.column * ku);
        const double shiftV = textureShift(first.row * kv, last.row * kv);
        double meshFarthest = 0.0, texel = 0.0;
        for (std::size_t k = 0; k < ids.size(); ++k) {
            const Vec3 v = position[ids[k]] - mesh.node; // exact: both on the quantum
            mesh.vertices.push_back(v);
            meshFarthest = std::max(meshFarthest, length(v));
            farthest = std::max(farthest, length(position[ids[k]]));
            const GridPoint p = shape.points[k];
            const std::array<double, 2> uv{significant(p.column * ku + shiftU),
                                           significant(p.row * kv + shiftV)};
            texel = std::max({texel, std::abs(uv[0]), std::abs(uv[1])});
            mesh.textureVertices.push_back(uv);
            const Vec3 n = unit(normalSum[ids[k]]);
            mesh.vertexNormals.push_back({significant(n.x), significant(n.y), significant(n.z)});
        }
        if (texel > kMaxTexel) {
            error = "texture coordinates would reach " + number(texel) + " texels in a mesh at " +
                    "scale " + number(options.scaleX) + ", " + number(options.scaleY) + " and " +
                    number(options.texelsPerUnit) +
                    " texels per unit, beyond the 2097152 (2^21) the game draws steadily; "
                    "choose smaller X and Y scales or fewer texels per unit";
            return build;
        }
        mesh.radius = game_numbers::radiusAbove(meshFarthest);
        mesh.faces = shape.faces;
        for (const Vec3& n : faceNormal[s])
            mesh.faceNormals.push_back({significant(n.x), significant(n.y), significant(n.z)});
    }
    model.radius = game_numbers::radiusAbove(farthest);
    return build;
}

} // namespace grondel
