#pragma once

#include "terrain/delaunay_mesh.h"
#include "terrain/point_table.h"
#include "terrain/triangle_scan.h"

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

namespace grondel::terrain::detail {

// Takes out points that greedy insertion needed once but no longer does. A point v goes when
// its hole can be filled by a fan from one of its neighbours (v's edge to that neighbour
// collapses onto it) whose triangles all keep every grid point within the threshold. Each
// removal saves two faces, or one on the rectangle's border. Afterwards the mesh is no longer
// Delaunay, only conforming.
class Coarsener {
public:
    // The mesh, over the rectangle nw..se of the grid, must be sound and meet the threshold
    // already. errors holds each triangle slot's largest error; the slots of the fans put in
    // get theirs.
    Coarsener(GridPoint nw, GridPoint se, DelaunayMesh& mesh, TriangleScanner& scanner,
              double threshold, ChunkedArray<double>& errors);

    // Tries each of points in order, which must not hold the rectangle's four corners, and removes
    // those it can.
    // A point tried before is tried again only if a neighbour went since. Returns how many
    // went. cancel, once set, ends the pass early.
    std::size_t pass(const std::vector<PackedPoint>& points,
                     const std::atomic<bool>* cancel = nullptr);

private:
    bool tryRemove(PackedPoint v);
    bool gatherRing(PackedPoint v);
    void rankFans(PackedPoint v);
    bool fanFills(std::size_t apex) const;
    bool fanFits(std::size_t apex);
    // The place after j round the ring; no division, this being in the innermost loops.
    std::size_t next(std::size_t j) const { return j + 1 == ring_.size() ? 0 : j + 1; }
    void commitFan(std::size_t apex);

    DelaunayMesh& mesh_;
    TriangleScanner& scanner_;
    const double threshold_;
    ChunkedArray<double>& errors_;
    // For each point of the mesh, a half-edge leaving it, with a flag.
    PointTable outgoing_;
    // Scratch for one removal.
    std::vector<PackedPoint> ring_;    // the neighbours, counter-clockwise
    std::vector<double> heights_;      // their heights, filled by tryRemove
    std::vector<GridPoint> places_;    // their places, filled by rankFans
    std::vector<std::int64_t> turns_;  // orientations of pairs of them with the point, likewise
    std::vector<std::int32_t> outer_;  // twin of the ring's edge from ring_[i] to the next
    std::vector<std::uint32_t> slots_; // the triangles round the point
    std::vector<std::pair<double, std::size_t>> fans_; // v's error under each usable fan
    std::vector<double> fanErrors_;                    // each triangle's of the last fan that fits
};

} // namespace grondel::terrain::detail
