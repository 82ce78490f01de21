#include "model3do/game_tiles.h"

#include "model3do/game_limits.h"
#include "model3do/game_numbers.h"

#include <algorithm>
#include <cstddef>

namespace grondel {
namespace {

// A tile of 16 x 16 squares has 289 vertices and 512 faces: the most faces the game takes.
constexpr int kTileSquares = 16;
static_assert((kTileSquares + 1) * (kTileSquares + 1) <= kGameMaxVertices);
static_assert((kTileSquares + 1) * (kTileSquares + 1) <= kGameMaxTextureVertices);
static_assert(2 * kTileSquares * kTileSquares <= kGameMaxFaces);

// The normal of a triangle whose corners run counter-clockwise seen from where it points. Never
// zero here: every face of a height field with positive spacing has an upward component.
Vec3 faceNormal(Vec3 p0, Vec3 p1, Vec3 p2) {
    return unit(cross(p1 - p0, p2 - p0));
}

Vec3 printed(Vec3 v) {
    return {game_numbers::printed(v.x), game_numbers::printed(v.y), game_numbers::printed(v.z)};
}

} // namespace

std::optional<GameModel> buildGameModel(const HeightMap& grid, int edge,
                                        const GameModelOptions& options) {
    if (edge < 2 || edge > kMaxEdge || !isValid(options))
        return std::nullopt;

    const int n = edge;
    const int squares = n - 1; // per side
    const auto points = static_cast<std::size_t>(n * n);
    const auto point = [n](int i, int j) { return static_cast<std::size_t>(i * n + j); };

    // Positions, centred on the terrain's x/y middle; heights stay as they are.
    std::vector<Vec3> position(points);
    const double middle = (n - 1) / 2.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            position[point(i, j)] = {(i - middle) * 0.5 * options.scaleX,
                                     (j - middle) * 0.5 * options.scaleY,
                                     heightOf(grid(i, j)) * options.scaleZ};

    // Square (i, j) has the corners a = (i, j), b = (i, j + 1), c = (i + 1, j), d = (i + 1, j + 1)
    // and is split as the editor model splits it, into d-b-a and a-c-d. With x growing with i and
    // y with j, both run counter-clockwise seen from +z, so they face up as they are. A vertex
    // normal is the sum of the normals of the faces around the point, made unit below.
    const auto faceOf = [squares](int i, int j) {
        return 2 * static_cast<std::size_t>(i * squares + j);
    };
    std::vector<Vec3> normalOfFace(faceOf(squares, 0));
    std::vector<Vec3> normal(points);
    for (int i = 0; i < squares; ++i) {
        for (int j = 0; j < squares; ++j) {
            const std::size_t a = point(i, j), b = point(i, j + 1);
            const std::size_t c = point(i + 1, j), d = point(i + 1, j + 1);
            const std::size_t face = faceOf(i, j);
            normalOfFace[face] = faceNormal(position[d], position[b], position[a]);
            normalOfFace[face + 1] = faceNormal(position[a], position[c], position[d]);
            for (std::size_t k : {d, b, a})
                normal[k] += normalOfFace[face];
            for (std::size_t k : {a, c, d})
                normal[k] += normalOfFace[face + 1];
        }
    }

    // Everything a tile holds about a point comes from these whole-grid values, so a point on a
    // tile border prints the same in both tiles, its normal taking in the faces of both.
    std::vector<double> distance(points);
    for (std::size_t k = 0; k < points; ++k) {
        normal[k] = unit(normal[k]);
        distance[k] = length(printed(position[k]));
    }

    GameModel model;
    model.material = options.material;
    model.radius = game_numbers::radiusAbove(*std::max_element(distance.begin(), distance.end()));

    // Every node sits at the origin and the vertices carry model coordinates.
    const int tilesPerSide = (squares + kTileSquares - 1) / kTileSquares;
    for (int column = 0; column < tilesPerSide; ++column) {
        for (int row = 0; row < tilesPerSide; ++row) {
            const int i0 = column * kTileSquares, i1 = std::min(i0 + kTileSquares, squares);
            const int j0 = row * kTileSquares, j1 = std::min(j0 + kTileSquares, squares);
            GameMesh& mesh = model.meshes.emplace_back();
            mesh.name = "tile" + std::to_string(column) + '_' + std::to_string(row);

            // Vertex v of the tile: column i outer, row j inner.
            double farthest = 0.0;
            for (int i = i0; i <= i1; ++i) {
                for (int j = j0; j <= j1; ++j) {
                    const std::size_t k = point(i, j);
                    mesh.vertices.push_back(position[k]);
                    mesh.textureVertices.push_back({position[k].x * options.texelsPerUnit,
                                                    -position[k].y * options.texelsPerUnit});
                    mesh.vertexNormals.push_back(normal[k]);
                    farthest = std::max(farthest, distance[k]);
                }
            }
            mesh.radius = game_numbers::radiusAbove(farthest);

            const int rows = j1 - j0 + 1;
            for (int i = i0; i < i1; ++i) {
                for (int j = j0; j < j1; ++j) {
                    const int a = (i - i0) * rows + (j - j0);
                    const int b = a + 1, c = a + rows, d = c + 1;
                    mesh.faces.push_back({d, b, a});
                    mesh.faces.push_back({a, c, d});
                    mesh.faceNormals.push_back(normalOfFace[faceOf(i, j)]);
                    mesh.faceNormals.push_back(normalOfFace[faceOf(i, j) + 1]);
                }
            }
        }
    }
    return model;
}

} // namespace grondel
