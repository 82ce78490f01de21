#include "export/game_model.h"

#include "export/number_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

namespace grondel {
namespace {

// A mesh of at most 16 x 16 squares has 289 vertices and 512 faces: the most the game takes.
constexpr int kTileSquares = 16;
constexpr double kMillionths = 1e6;

constexpr std::string_view kModes = "GEOMETRYMODE     4\r\n"
                                    "LIGHTINGMODE     3\r\n"
                                    "TEXTUREMODE      1\r\n";
constexpr std::string_view kFaceFlags = ": 0 0x0 4 3 1 0 3 ";
constexpr std::string_view kNodeFlags = ": 0x0 0x1 ";
constexpr std::string_view kNodePlacement = " 0.000000 0.000000 0.000000 0.000000 0.000000 "
                                            "0.000000 0.000000 0.000000 0.000000 ";

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3& operator+=(Vec3& a, Vec3 b) {
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
    return a;
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// Never called on a zero vector: every face of a height field with positive spacing has an
// upward component of 0.25 * scaleX * scaleY times two, and sums of such faces keep it.
Vec3 unit(Vec3 v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

// The normal of a triangle whose corners run counter-clockwise seen from where it points.
Vec3 faceNormal(Vec3 p0, Vec3 p1, Vec3 p2) {
    return unit(cross(p1 - p0, p2 - p0));
}

// Six decimals: the value rounded to whole millionths, printed as that integer with the point
// put in. Much quicker than a general conversion, and the same value always gives the same text.
long long millionths(double value) {
    return std::llround(value * kMillionths);
}

// What a reader gets back from the printed text.
double printed(double value) {
    return static_cast<double>(millionths(value)) / kMillionths;
}

ModelText& appendNumber(ModelText& out, double value) {
    long long whole = millionths(value);
    if (whole < 0) {
        out << '-';
        whole = -whole;
    }
    out.integer(whole / 1'000'000) << '.';
    std::array<char, 6> digits;
    for (long long rest = whole % 1'000'000, k = 5; k >= 0; --k, rest /= 10)
        digits[static_cast<std::size_t>(k)] = static_cast<char>('0' + rest % 10);
    return out << std::string_view(digits.data(), digits.size());
}

ModelText& operator<<(ModelText& out, Vec3 v) {
    appendNumber(out, v.x) << ' ';
    appendNumber(out, v.y) << ' ';
    return appendNumber(out, v.z);
}

// The smallest number of six decimals that is at least distance once read back.
double radiusAbove(double distance) {
    double steps = std::ceil(distance * kMillionths);
    while (steps > 0.0 && (steps - 1.0) / kMillionths >= distance)
        steps -= 1.0;
    while (steps / kMillionths < distance)
        steps += 1.0;
    return steps / kMillionths;
}

struct Tile {
    int column = 0; // tile position, also in the mesh name
    int row = 0;
    int i0 = 0; // first and last grid column of its vertices
    int i1 = 0;
    int j0 = 0; // ... and rows
    int j1 = 0;
};

void appendFace(ModelText& out, int face, int v0, int v1, int v2) {
    out.integer(face) << kFaceFlags;
    out.integer(v0) << ", ";
    out.integer(v0) << ' ';
    out.integer(v1) << ", ";
    out.integer(v1) << ' ';
    out.integer(v2) << ", ";
    out.integer(v2) << "\r\n";
}

void appendName(ModelText& out, const Tile& tile) {
    out << "tile";
    out.integer(tile.column) << '_';
    out.integer(tile.row);
}

} // namespace

bool isGameScale(double scale) {
    return std::isfinite(scale) && scale >= kMinGameScale && scale <= kMaxGameScale;
}

bool isTexelsPerUnit(double texels) {
    return std::isfinite(texels) && texels >= kMinTexelsPerUnit && texels <= kMaxTexelsPerUnit;
}

bool isMaterialName(std::string_view name) {
    constexpr std::string_view kSuffix = ".mat";
    if (name.size() <= kSuffix.size() || name.size() > kMaxMaterialNameLength)
        return false;
    const auto plain = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '+' || c == '.';
    };
    if (!std::all_of(name.begin(), name.end(), plain))
        return false;
    const std::string_view suffix = name.substr(name.size() - kSuffix.size());
    return std::equal(suffix.begin(), suffix.end(), kSuffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

std::optional<std::string> formatGameModel(const HeightMap& grid, int edge,
                                           const GameModelOptions& options) {
    if (edge < 2 || edge > kMaxEdge || !isGameScale(options.scaleX) ||
        !isGameScale(options.scaleY) || !isGameScale(options.scaleZ) ||
        !isTexelsPerUnit(options.texelsPerUnit) || !isMaterialName(options.material))
        return std::nullopt;

    const int n = edge;
    const int squares = n - 1; // per side
    const auto points = static_cast<std::size_t>(n * n);
    const auto faces = static_cast<std::size_t>(2 * squares * squares);
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
    std::vector<Vec3> normalOfFace(faces);
    std::vector<Vec3> normal(points);
    for (int i = 0; i < squares; ++i) {
        for (int j = 0; j < squares; ++j) {
            const std::size_t a = point(i, j), b = point(i, j + 1);
            const std::size_t c = point(i + 1, j), d = point(i + 1, j + 1);
            const std::size_t face = 2 * static_cast<std::size_t>(i * squares + j);
            normalOfFace[face] = faceNormal(position[d], position[b], position[a]);
            normalOfFace[face + 1] = faceNormal(position[a], position[c], position[d]);
            for (std::size_t k : {d, b, a})
                normal[k] += normalOfFace[face];
            for (std::size_t k : {a, c, d})
                normal[k] += normalOfFace[face + 1];
        }
    }

    // Everything a tile prints about a point comes from these whole-grid values, so a point on a
    // tile border prints the same bytes in both tiles, its normal taking in the faces of both.
    std::vector<double> distance(points);
    for (std::size_t k = 0; k < points; ++k) {
        normal[k] = unit(normal[k]);
        const Vec3 p{printed(position[k].x), printed(position[k].y), printed(position[k].z)};
        distance[k] = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    }

    std::vector<Tile> tiles;
    const int tilesPerSide = (squares + kTileSquares - 1) / kTileSquares;
    for (int column = 0; column < tilesPerSide; ++column) {
        for (int row = 0; row < tilesPerSide; ++row) {
            const int i0 = column * kTileSquares;
            const int j0 = row * kTileSquares;
            tiles.push_back({column, row, i0, std::min(i0 + kTileSquares, squares), j0,
                             std::min(j0 + kTileSquares, squares)});
        }
    }

    ModelText out(points * 120 + faces * 80 + tiles.size() * 400 + 2048);
    out << "# MODEL game terrain by Grondel\r\n"
           "\r\n"
           "SECTION: HEADER\r\n"
           "\r\n"
           "3DO 2.1\r\n"
           "\r\n"
           "SECTION: MODELRESOURCE\r\n"
           "\r\n"
           "MATERIALS 1\r\n"
           "0: "
        << options.material
        << "\r\n"
           "\r\n"
           "SECTION: GEOMETRYDEF\r\n"
           "\r\n"
           "RADIUS ";
    appendNumber(out, radiusAbove(*std::max_element(distance.begin(), distance.end())));
    out << "\r\n"
           "\r\n"
           "INSERT OFFSET 0 0 0\r\n"
           "\r\n"
           "GEOSETS 1\r\n"
           "\r\n"
           "GEOSET 0\r\n"
           "\r\n"
           "MESHES ";
    out.integer(static_cast<long long>(tiles.size())) << "\r\n\r\n";

    // Every node sits at the origin and the vertices carry model coordinates. Tile-centred nodes
    // would give tighter culling spheres, but the game would then add node and vertex positions
    // in single precision, and border vertices of neighbouring tiles could land apart by a
    // rounding step: a crack. At the origin, equal texts are equal positions.
    for (std::size_t mesh = 0; mesh < tiles.size(); ++mesh) {
        const Tile& tile = tiles[mesh];
        const int rows = tile.j1 - tile.j0 + 1;
        const int vertices = (tile.i1 - tile.i0 + 1) * rows;
        const int tileFaces = 2 * (tile.i1 - tile.i0) * (tile.j1 - tile.j0);

        double farthest = 0.0;
        for (int i = tile.i0; i <= tile.i1; ++i)
            for (int j = tile.j0; j <= tile.j1; ++j)
                farthest = std::max(farthest, distance[point(i, j)]);

        out << "MESH ";
        out.integer(static_cast<long long>(mesh)) << "\r\nNAME ";
        appendName(out, tile);
        out << "\r\nRADIUS ";
        appendNumber(out, radiusAbove(farthest)) << "\r\n" << kModes << "\r\nVERTICES ";
        out.integer(vertices) << "\r\n\r\n";

        // Vertex v of the tile and its texture vertex v: column i outer, row j inner.
        const auto listPoints = [&](auto&& append) {
            int v = 0;
            for (int i = tile.i0; i <= tile.i1; ++i) {
                for (int j = tile.j0; j <= tile.j1; ++j) {
                    out.integer(v++) << ": ";
                    append(point(i, j));
                    out << "\r\n";
                }
            }
        };
        listPoints([&](std::size_t k) { out << position[k] << " 0.000000"; });
        out << "\r\nTEXTURE VERTICES ";
        out.integer(vertices) << "\r\n\r\n";
        listPoints([&](std::size_t k) {
            appendNumber(out, position[k].x * options.texelsPerUnit) << ' ';
            appendNumber(out, -position[k].y * options.texelsPerUnit);
        });
        out << "\r\nVERTEX NORMALS\r\n\r\n";
        listPoints([&](std::size_t k) { out << normal[k]; });

        out << "\r\nFACES ";
        out.integer(tileFaces) << "\r\n\r\n";
        int face = 0;
        for (int i = tile.i0; i < tile.i1; ++i) {
            for (int j = tile.j0; j < tile.j1; ++j) {
                const int a = (i - tile.i0) * rows + (j - tile.j0);
                const int b = a + 1;
                const int c = a + rows;
                const int d = c + 1;
                appendFace(out, face++, d, b, a);
                appendFace(out, face++, a, c, d);
            }
        }
        out << "\r\nFACE NORMALS\r\n\r\n";
        face = 0;
        for (int i = tile.i0; i < tile.i1; ++i) {
            for (int j = tile.j0; j < tile.j1; ++j) {
                const std::size_t global = 2 * static_cast<std::size_t>(i * squares + j);
                out.integer(face++) << ": " << normalOfFace[global] << "\r\n";
                out.integer(face++) << ": " << normalOfFace[global + 1] << "\r\n";
            }
        }
        out << "\r\n";
    }

    // Node 0 draws nothing and holds every tile as a child: child is node 1, the siblings chain
    // on to the last tile.
    const auto tileCount = static_cast<long long>(tiles.size());
    out << "SECTION: HIERARCHYDEF\r\n"
           "\r\n"
           "HIERARCHY NODES ";
    out.integer(tileCount + 1) << "\r\n";
    out << "# num: flags: type: mesh: parent: child: sibling: numChildren: x: y: z: pitch: yaw: "
           "roll: pivotx: pivoty: pivotz: hnodename:\r\n";
    out << "0" << kNodeFlags << "-1 -1 1 -1 ";
    out.integer(tileCount) << kNodePlacement << "terrain\r\n";
    for (long long node = 1; node <= tileCount; ++node) {
        out.integer(node) << kNodeFlags;
        out.integer(node - 1) << " 0 -1 ";
        out.integer(node < tileCount ? node + 1 : -1) << " 0" << kNodePlacement;
        appendName(out, tiles[static_cast<std::size_t>(node - 1)]);
        out << "\r\n";
    }
    return std::move(out).take();
}

SaveResult saveGameModel(const QString& path, const HeightMap& grid, int edge,
                         const GameModelOptions& options) {
    if (edge < 2 || edge > kMaxEdge)
        return {QStringLiteral("The game model needs a grid edge from 2 to %1, not %2.")
                    .arg(kMaxEdge)
                    .arg(edge)};
    const auto model = formatGameModel(grid, edge, options);
    if (!model)
        return {QStringLiteral("The game model's scale, texture or material option is out of "
                               "range.")};
    return saveFileAtomically(path, *model);
}

} // namespace grondel
