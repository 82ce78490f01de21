#pragma once

#include "terrain/chunked_array.h"
#include "terrain/packed_point.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace grondel::terrain::detail {

// A Delaunay triangulation of grid points over the grid's rectangle, kept as half-edges: edge
// 3t + k of triangle t runs from corner k to corner k + 1, and twin() is the same edge seen
// from the neighbour (-1 on the rectangle's border). Corners run counter-clockwise in
// (column, row). All predicates are exact integer arithmetic, so no triangle is ever flat and
// a point on an edge always splits the triangles on both sides.
class DelaunayMesh {
public:
    // The four corners of the rectangle nw..se of the grid and two triangles, split along the
    // diagonal from the north-west corner when nwDiagonal, else from the north-east corner.
    DelaunayMesh(GridPoint nw, GridPoint se, bool nwDiagonal);
    // The same over a whole columns x rows grid.
    DelaunayMesh(int columns, int rows, bool nwDiagonal)
        : DelaunayMesh({0, 0}, {columns - 1, rows - 1}, nwDiagonal) {}
    // A mesh already made: points as points() lists them, three corners and three twins per
    // triangle slot.
    DelaunayMesh(std::vector<PackedPoint> points, ChunkedArray<PackedPoint> corners,
                 ChunkedArray<std::int32_t> twins)
        : points_(std::move(points))
        , corners_(std::move(corners))
        , twins_(std::move(twins)) {}

    static constexpr std::int32_t kNone = -1;
    static std::uint32_t next(std::uint32_t e) { return e % 3 == 2 ? e - 2 : e + 1; }
    static std::uint32_t prev(std::uint32_t e) { return e % 3 == 0 ? e + 2 : e - 1; }

    // Triangle slots, dead ones included (see kill()).
    std::uint32_t triangleCount() const { return static_cast<std::uint32_t>(corners_.size() / 3); }
    GridPoint corner(std::uint32_t t, int k) const { return unpack(corners_[3 * t + k]); }
    bool alive(std::uint32_t t) const { return corners_[3 * t] != kDead; }

    // Triangles added by inserting p into triangle t: 1 when p lies on the rectangle's border,
    // else 2.
    int facesAdded(std::uint32_t t, GridPoint p) const;

    // Adds p, which lies inside or on triangle t and is none of its corners, then flips edges
    // until the triangulation is Delaunay again (round p only, after coarsening). changed() lists
    // every triangle made or altered (with repeats possible), triangle numbers staying stable
    // otherwise.
    void insert(std::uint32_t t, GridPoint p);
    const std::vector<std::uint32_t>& changed() const { return changed_; }

    // Half-edges for the coarsening pass (coarsen.h), after which the mesh may no longer be
    // Delaunay; points put in afterwards still keep it conforming, a flip being made only where
    // the two triangles form a convex quadrilateral.
    PackedPoint from(std::uint32_t e) const { return corners_[e]; }
    std::int32_t twin(std::uint32_t e) const { return twins_[e]; }
    // Rewrites triangle t and points the given neighbours' half-edges back at it.
    void setTriangle(std::uint32_t t, PackedPoint a, PackedPoint b, PackedPoint c,
                     std::int32_t twinAB, std::int32_t twinBC, std::int32_t twinCA);
    // Renumbers the triangles along a space-filling curve, so that neighbours mostly sit
    // close together in memory. Numbers given out earlier mean nothing afterwards; values,
    // one per triangle slot, move along with their triangles.
    void sortSpatially(ChunkedArray<double>& values);
    // Leaves slot t unused: alive(t) turns false and its corners mean nothing.
    void kill(std::uint32_t t) { corners_[3 * t] = kDead; }

    // A way back to an earlier state, for a refinement that ends on a budget to return to the
    // best mesh it passed through. While the journal is kept, every change can be undone back to
    // the last mark (keepJournal() marks too).
    void keepJournal();
    void markJournal();
    void stopJournal();
    // Changes kept since the mark, a few dozen an insertion.
    std::size_t journalSize() const { return journal_.size(); }
    // Returns to the state at the mark, which stays the mark. Slots made since are gone;
    // altered, the slots below triangleCount() it rewrote, with repeats.
    void rollBack(std::vector<std::uint32_t>& altered);

    const std::vector<PackedPoint>& points() const { return points_; }
    // Hands the corners over, three per triangle slot, leaving the mesh empty.
    ChunkedArray<PackedPoint> takeCorners() { return std::move(corners_); }
    // Likewise the twins, three per triangle slot.
    ChunkedArray<std::int32_t> takeTwins() { return std::move(twins_); }
    // Hands the points over in the order they came: the four corners of the grid, then each
    // inserted point.
    std::vector<PackedPoint> takePoints() { return std::move(points_); }

    static constexpr PackedPoint kDead = 0xffffffffu; // no grid point packs to this

private:
    std::uint32_t addTriangle();
    void splitInside(std::uint32_t t, PackedPoint p);
    void splitEdge(std::uint32_t edge, PackedPoint p);
    void legalize();

    std::vector<PackedPoint> points_;
    ChunkedArray<PackedPoint> corners_;
    ChunkedArray<std::int32_t> twins_; // opposite half-edge of each half-edge
    std::vector<std::uint32_t> changed_;
    std::vector<std::uint32_t> pending_; // half-edges to check after an insertion
    // Each change since the mark, oldest first: the half-edge (kJournalCorner set for its
    // corner, else its twin) and its value before.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> journal_;
    bool journaling_ = false;
    std::uint32_t markedSlots_ = 0;
    std::size_t markedPoints_ = 0;
};

} // namespace grondel::terrain::detail
