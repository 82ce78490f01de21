#pragma once

#include "terrain/simplify.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace grondel::terrain {

// How much one mesh may hold. Every mesh vertex has its own texture vertex, so the game's 768
// texture vertices never bind before its 512 vertices.
struct MeshLimits {
    int maxVertices = 512;
    int maxFaces = 512;
};
inline constexpr MeshLimits kGameMeshLimits{};

// A face by its corners' places in MeshPiece::vertices, in the source triangle's order
// (counter-clockwise seen from above, like Triangle).
struct LocalFace {
    std::uint16_t a = 0;
    std::uint16_t b = 0;
    std::uint16_t c = 0;
    friend bool operator==(const LocalFace&, const LocalFace&) = default;
};

// One mesh of the terrain.
struct MeshPiece {
    std::vector<GridPoint> vertices;      // each once, in the order faces first use them
    std::vector<LocalFace> faces;         // sorted by source triangle
    std::vector<std::uint32_t> triangles; // the source triangle of each face
};

enum class PartitionStatus {
    Ok,
    BadLimits,        // maxFaces below 1 or maxVertices below 3 or either beyond 65536
    BadSpacing,       // a spacing that is not finite and above 0
    BadTriangulation, // a triangle names a point that is not there
};

std::string_view describe(PartitionStatus status);

struct PartitionResult {
    PartitionStatus status = PartitionStatus::Ok;
    std::vector<MeshPiece> meshes;
};

// Cuts a triangulation into meshes within limits, each triangle in exactly one of them.
// Meshes are compact in world units (spacingX per column, spacingY per row, both > 0): the
// triangles are split again and again across the longer side of their spread, at a count that
// fills whole meshes, so there are as few meshes as the face limit allows (ceil(faces /
// maxFaces)) unless a piece's vertices overflow first, which splits that piece once more.
// Meshes that meet share the same grid points along their border. Deterministic: the same
// input gives the same meshes in the same order. Time n log n, memory linear in the input.
PartitionResult partition(const Triangulation& mesh, double spacingX, double spacingY,
                          MeshLimits limits = kGameMeshLimits);

} // namespace grondel::terrain
