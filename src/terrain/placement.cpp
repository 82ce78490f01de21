#include "terrain/placement.h"

#include "model3do/game_numbers.h"
#include "model3do/limits.h"
#include "model3do/number_text.h"
#include "parallel/parallel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace grondel {
namespace {

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
        return which + " has no plain name of 1 to " + std::to_string(kGameMaxNameLength) +
               " characters";
    const auto points = static_cast<long long>(shape.points.size());
    const auto faces = static_cast<long long>(shape.faces.size());
    const long long mostPoints = std::min(kGameMaxVertices, kGameMaxTextureVertices);
    if (points < 1 || points > mostPoints || faces < 1 || faces > kGameMaxFaces)
        return which + " has " + std::to_string(points) + " vertices and " + std::to_string(faces) +
               " faces; the game takes 1 to " + std::to_string(mostPoints) + " vertices and 1 to " +
               std::to_string(kGameMaxFaces) + " faces";
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

// The mesh's shift on one axis: the whole multiple of repeat nearest minus the middle of its
// coordinates.
double textureShift(double low, double high, double repeat) {
    return -repeat * std::nearbyint((low + high) / 2.0 / repeat);
}

Vec3 significant(Vec3 v) {
    return {game_numbers::significant(v.x), game_numbers::significant(v.y),
            game_numbers::significant(v.z)};
}

// Every grid point the shapes use, once, numbered in grid order: a bit for each grid point, set
// for those used, and the count of bits set before each word of them, so that a point's number
// is that count and the bits set before it in its word. Two bits a grid point at most, whatever
// the share used, and no search.
class PointIndex {
public:
    PointIndex(const TerrainGrid& grid, const std::vector<MeshShape>& shapes)
        : columns_(static_cast<std::uint64_t>(grid.columns)) {
        const std::uint64_t gridPoints = columns_ * static_cast<std::uint64_t>(grid.rows);
        used_.assign(static_cast<std::size_t>((gridPoints + 63) / 64), 0);
        for (const MeshShape& shape : shapes)
            for (const GridPoint& p : shape.points)
                used_[key(p) / 64] |= std::uint64_t{1} << (key(p) % 64);
        before_.resize(used_.size());
        std::uint32_t count = 0;
        for (std::size_t word = 0; word < used_.size(); ++word) {
            before_[word] = count;
            count += static_cast<std::uint32_t>(std::popcount(used_[word]));
        }
        keys_.reserve(count);
        for (std::size_t word = 0; word < used_.size(); ++word)
            for (std::uint64_t bits = used_[word]; bits != 0; bits &= bits - 1)
                keys_.push_back(64 * word + static_cast<std::uint64_t>(std::countr_zero(bits)));
    }

    std::size_t size() const { return keys_.size(); }
    GridPoint point(std::size_t id) const {
        return {static_cast<int>(keys_[id] % columns_), static_cast<int>(keys_[id] / columns_)};
    }
    // The number of a point the shapes use.
    std::size_t id(GridPoint p) const {
        const std::uint64_t k = key(p);
        const std::uint64_t below = (std::uint64_t{1} << (k % 64)) - 1;
        return before_[k / 64] + static_cast<std::size_t>(std::popcount(used_[k / 64] & below));
    }

private:
    std::uint64_t key(GridPoint p) const {
        return static_cast<std::uint64_t>(p.row) * columns_ + static_cast<std::uint64_t>(p.column);
    }

    std::uint64_t columns_;
    std::vector<std::uint64_t> used_;   // a bit for each grid point, in grid order
    std::vector<std::uint32_t> before_; // bits set before each word of used_
    std::vector<std::uint64_t> keys_;   // the points used, by number
};

// What the meshes are placed with.
struct Frame {
    const PointIndex& points;
    const std::vector<Vec3>& position; // by point id, as printed
    const std::vector<Vec3>& normal;   // by point id, the sum of its faces' unit normals
    int quantumX = 0;
    int quantumY = 0;
    double ku = 0.0;     // texels per column
    double kv = 0.0;     // texels per row
    double start = 0.0;  // texels at the north-west point
    double repeat = 0.0; // what the texture coordinates may be shifted by
    MeshLayout layout = MeshLayout::Walkable;
};

// The mesh of shape, whose points have the ids given, its node at its centre for scenery, at
// zero to walk on; the largest texture coordinate goes to largestTexel.
GameMesh placeMesh(const Frame& frame, const MeshShape& shape, const std::vector<std::size_t>& ids,
                   std::vector<Vec3>&& faceNormals, double& largestTexel) {
    GameMesh mesh;
    mesh.name = shape.name;
    Box box;
    GridPoint first = shape.points.front(), last = first;
    for (std::size_t k = 0; k < ids.size(); ++k) {
        const GridPoint p = shape.points[k];
        box.add(frame.position[ids[k]]);
        first = {std::min(first.column, p.column), std::min(first.row, p.row)};
        last = {std::max(last.column, p.column), std::max(last.row, p.row)};
    }
    if (frame.layout == MeshLayout::Scenery)
        mesh.node = {game_numbers::quantized(box.middle().x, frame.quantumX),
                     game_numbers::quantized(box.middle().y, frame.quantumY), 0.0};

    const double shiftU = textureShift(frame.start + first.column * frame.ku,
                                       frame.start + last.column * frame.ku, frame.repeat);
    const double shiftV = textureShift(frame.start + first.row * frame.kv,
                                       frame.start + last.row * frame.kv, frame.repeat);
    // Kept here and handed over once: the callers' results lie side by side, and threads
    // writing to one cache line slow each other down.
    double farthest = 0.0, texel = 0.0;
    mesh.vertices.reserve(ids.size());
    mesh.textureVertices.reserve(ids.size());
    mesh.vertexNormals.reserve(ids.size());
    for (std::size_t k = 0; k < ids.size(); ++k) {
        // Exact: both on the quantum, so node + v is the very place, in float32 too.
        const Vec3 v = frame.position[ids[k]] - mesh.node;
        mesh.vertices.push_back(v);
        farthest = std::max(farthest, length(v));
        const GridPoint p = shape.points[k];
        const std::array<double, 2> uv{
            game_numbers::significant(frame.start + p.column * frame.ku + shiftU),
            game_numbers::significant(frame.start + p.row * frame.kv + shiftV)};
        texel = std::max({texel, std::abs(uv[0]), std::abs(uv[1])});
        mesh.textureVertices.push_back(uv);
        mesh.vertexNormals.push_back(significant(unit(frame.normal[ids[k]])));
    }
    largestTexel = texel;
    mesh.radius = game_numbers::radiusAbove(farthest);
    mesh.faces = shape.faces;
    // Rounded where they are: fresh memory costs more than the rounding.
    mesh.faceNormals = std::move(faceNormals);
    for (Vec3& n : mesh.faceNormals)
        n = significant(n);
    return mesh;
}

// The message of the first piece in order that has one, or "".
std::string firstProblem(std::vector<std::string>& problems) {
    for (std::string& problem : problems)
        if (!problem.empty())
            return std::move(problem);
    return {};
}

} // namespace

GameModelBuild placeMeshes(const TerrainGrid& grid, const std::vector<MeshShape>& shapes,
                           const GameModelOptions& options, GridHeights heights) {
    const auto refused = [](std::string error) { return GameModelBuild{{}, std::move(error)}; };
    GameTerrainOptions checked;
    checked.model = options;
    if (const auto problem = gameOptionsProblem(checked))
        return refused(describe(*problem));
    if (std::string error = terrainGridProblem(grid); !error.empty())
        return refused(error);
    if (shapes.empty())
        return refused("the terrain has no mesh");
    // Each piece of work below, shape by shape and point by point, keeps its result in a place
    // of its own, and a refusal names the first shape in order that has a problem.
    std::vector<std::string> problems(shapes.size());
    parallel::forEachIndex(shapes.size(),
                           [&](std::size_t s) { problems[s] = shapeProblem(grid, shapes[s], s); });
    if (std::string error = firstProblem(problems); !error.empty())
        return refused(error);

    // Positions on each axis's quantum: the grid's middle at the origin, north-up.
    const PointIndex points(grid, shapes);
    const double stepX = grid.spacing * options.scaleX, stepY = grid.spacing * options.scaleY;
    const double middleX = (grid.columns - 1) / 2.0, middleY = (grid.rows - 1) / 2.0;
    const int quantumX = game_numbers::quantumExponent(middleX * stepX);
    const int quantumY = game_numbers::quantumExponent(middleY * stepY);
    if (quantumX < 0 || quantumY < 0)
        return refused("the terrain is over " + messageNumber(game_numbers::kFloatWholeLimit) +
                       " units wide; the game cannot place it exactly");
    std::vector<Vec3> position(points.size());
    // Bounds and farthest distances of runs of points, each run's its own: the smallest and
    // largest are the same in whatever order they are taken.
    constexpr std::size_t kRun = 16384;
    const std::size_t runs = (points.size() + kRun - 1) / kRun;
    std::vector<Box> runBox(runs);
    std::vector<double> runFarthest(runs, 0.0);
    parallel::forEachIndex(runs, [&](std::size_t run) {
        Box ownBox; // in registers, not in the runs' shared cache lines
        double ownFarthest = 0.0;
        for (std::size_t id = run * kRun; id < std::min(points.size(), (run + 1) * kRun); ++id) {
            const GridPoint p = points.point(id);
            const Vec3 v{game_numbers::quantized((p.column - middleX) * stepX, quantumX),
                         game_numbers::quantized((middleY - p.row) * stepY, quantumY),
                         heights == GridHeights::Printed
                             ? grid.at(p)
                             : heightAsPrinted(grid.at(p), options.scaleZ)};
            position[id] = v;
            ownBox.add(v);
            ownFarthest = std::max(ownFarthest, length(v));
        }
        runBox[run] = ownBox;
        runFarthest[run] = ownFarthest;
    });
    Box box;
    double farthest = 0.0;
    for (std::size_t run = 0; run < runs; ++run) {
        box.add(runBox[run].low);
        box.add(runBox[run].high);
        farthest = std::max(farthest, runFarthest[run]);
    }

    // Faces too small beside the model to draw reliably, and the normals of the others.
    const double extent = box.extent();
    std::vector<std::vector<std::size_t>> ids(shapes.size());
    std::vector<std::vector<Vec3>> faceNormals(shapes.size());
    parallel::forEachIndex(shapes.size(), [&](std::size_t s) {
        for (const GridPoint& p : shapes[s].points)
            ids[s].push_back(points.id(p));
        faceNormals[s].reserve(shapes[s].faces.size());
        for (const auto& face : shapes[s].faces) {
            const auto at = [&](std::size_t c) {
                return position[ids[s][static_cast<std::size_t>(face[c])]];
            };
            const Vec3 winding = cross(at(1) - at(0), at(2) - at(0));
            const double area = length(winding) / 2.0;
            if (!(area > kGameMinFaceAreaShare * extent * extent)) {
                problems[s] =
                    "faces as small as " + messageNumber(area) + " square units in a model " +
                    messageNumber(extent) + " units across (scale " +
                    messageNumber(options.scaleX) + ", " + messageNumber(options.scaleY) + ", " +
                    messageNumber(options.scaleZ) +
                    ") cannot be drawn reliably by the game's float32 arithmetic; bring the three "
                    "scales closer together";
                return;
            }
            faceNormals[s].push_back(unit(winding));
        }
    });
    if (std::string error = firstProblem(problems); !error.empty())
        return refused(error);
    // Summed in one order, shape by shape and face by face: the sums of a point two shapes
    // share come out the same however the shapes were spread over the threads.
    std::vector<Vec3> normalSum(points.size());
    for (std::size_t s = 0; s < shapes.size(); ++s)
        for (std::size_t f = 0; f < shapes[s].faces.size(); ++f)
            for (int corner : shapes[s].faces[f])
                normalSum[ids[s][static_cast<std::size_t>(corner)]] += faceNormals[s][f];

    GameModelBuild build;
    GameModel& model = build.model;
    model.material = options.material;
    model.quantumX = quantumX;
    model.quantumY = quantumY;
    model.radius = game_numbers::radiusAbove(farthest);
    // A level texture tiles at texelsPerUnit, shifted by whole kTextureRepeat; the terrain's own
    // texture lies once over it, texel centres on the grid's corners, shifted by whole textures.
    const bool once = options.textureSize > 0;
    const double side = options.textureSize;
    const Frame frame{points,
                      position,
                      normalSum,
                      quantumX,
                      quantumY,
                      once ? (side - 1) / (grid.columns - 1) : stepX * options.texelsPerUnit,
                      once ? (side - 1) / (grid.rows - 1) : stepY * options.texelsPerUnit,
                      once ? 0.5 : 0.0,
                      once ? side : kTextureRepeat,
                      options.layout};
    model.meshes.resize(shapes.size());
    std::vector<double> texels(shapes.size(), 0.0);
    parallel::forEachIndex(shapes.size(), [&](std::size_t s) {
        model.meshes[s] = placeMesh(frame, shapes[s], ids[s], std::move(faceNormals[s]), texels[s]);
    });
    const double texel = *std::max_element(texels.begin(), texels.end());
    if (texel > kGameMaxSteadyTexel)
        return refused("texture coordinates would reach " + messageNumber(texel) +
                       " texels in a mesh at scale " + messageNumber(options.scaleX) + ", " +
                       messageNumber(options.scaleY) + " and " +
                       messageNumber(options.texelsPerUnit) + " texels per unit, beyond the " +
                       messageNumber(kGameMaxSteadyTexel) +
                       " the game draws steadily; choose smaller X and Y scales or fewer texels "
                       "per unit");
    return build;
}

} // namespace grondel
