#pragma once

#include "terrain/simplify.h"

#include <cstdint>
#include <vector>

namespace grondel::terrain::detail {

// A Delaunay triangulation of grid points over the grid's rectangle, kept as half-edges: edge
// 3t + k of triangle t runs from corner k to corner k + 1, and twin() is the same edge seen
// from the neighbour (-1 on the rectangle's border). Corners run counter-clockwise in
// (column, row). All predicates are exact integer arithmetic, so no triangle is ever flat and
// a point on an edge always splits the triangles on both sides.
class DelaunayMesh {
public:
    // The four corners of a columns x rows grid and two triangles, split along the diagonal
    // from the north-west corner when nwDiagonal, else from the north-east corner.
    DelaunayMesh(int columns, int rows, bool nwDiagonal);

    std::uint32_t triangleCount() const { return std::uint32_t(corners_.size() / 3); }
    const std::vector<GridPoint>& points() const { return points_; }
    GridPoint corner(std::uint32_t t, int k) const { return points_[corners_[3 * t + k]]; }
    std::uint32_t cornerIndex(std::uint32_t t, int k) const { return corners_[3 * t + k]; }

    // Triangles added by inserting p into triangle t: 1 when p lies on the rectangle's border,
    // else 2.
    int facesAdded(std::uint32_t t, GridPoint p) const;

    // Adds p, which lies inside or on triangle t and is none of its corners, then flips edges
    // until the triangulation is Delaunay again. changed() lists every triangle made or
    // altered (with repeats possible), triangle numbers staying stable otherwise.
    void insert(std::uint32_t t, GridPoint p);
    const std::vector<std::uint32_t>& changed() const { return changed_; }

    void reserve(std::size_t triangles);
    // Hands the corner lists over, three per triangle, leaving the mesh empty.
    std::vector<std::uint32_t> takeCorners() { return std::move(corners_); }
    std::vector<GridPoint> takePoints() { return std::move(points_); }

private:
    static constexpr std::int32_t kNone = -1;

    std::uint32_t addTriangle();
    void setTriangle(std::uint32_t t, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                     std::int32_t twinAB, std::int32_t twinBC, std::int32_t twinCA);
    void splitInside(std::uint32_t t, std::uint32_t p);
    void splitEdge(std::uint32_t edge, std::uint32_t p);
    void legalize();

    std::vector<GridPoint> points_;
    std::vector<std::uint32_t> corners_; // point index of each corner
    std::vector<std::int32_t> twins_;    // opposite half-edge of each half-edge
    std::vector<std::uint32_t> changed_;
    std::vector<std::uint32_t> pending_; // half-edges to check after an insertion
};

} // namespace grondel::terrain::detail
