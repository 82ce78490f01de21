#pragma once

#include "terrain/delaunay_mesh.h"
#include "terrain/triangle_scan.h"

#include <memory>
#include <vector>

namespace grondel::terrain::detail {

// Takes out points that greedy insertion needed once but no longer does: a point goes when the
// hole it leaves can be filled with triangles that all keep every grid point within the
// threshold. Each removal saves two faces, or one on the rectangle's border. Afterwards the
// mesh is no longer Delaunay, only conforming, and takes no more points.
class Coarsener {
public:
    // The mesh must be sound and meet the threshold already.
    Coarsener(const GridView& grid, DelaunayMesh& mesh, TriangleScanner& scanner, double threshold);

    // Tries each of points once, in order, except the grid's four corners, and removes those it
    // can. Returns how many went.
    std::size_t pass(const std::vector<PackedPoint>& points);

private:
    bool tryRemove(PackedPoint v);
    bool validEar(std::size_t at) const;
    double earError(std::size_t at);
    std::size_t cell(PackedPoint p) const {
        return std::size_t(p >> 16) * std::size_t(grid_.columns) + (p & 0xffffu);
    }

    // A triangle of the fill, by places in ring_, with the half-edges across its edges.
    struct Ear {
        int a, b, c;
        std::int32_t acrossAB, acrossBC, acrossCA;
    };

    const GridView& grid_;
    DelaunayMesh& mesh_;
    TriangleScanner& scanner_;
    const double threshold_;
    // For each cell holding a point, a half-edge leaving that point; only kept points' cells
    // are ever written or read.
    std::unique_ptr<std::uint32_t[]> outgoing_;
    // Scratch for one removal.
    std::vector<PackedPoint> ring_;    // the neighbours, counter-clockwise
    std::vector<std::int32_t> outer_;  // twin of the ring's edge from ring_[i] to the next
    std::vector<std::uint32_t> slots_; // the triangles round the point
    std::vector<int> polygon_;         // ring places not yet clipped
    std::vector<std::int32_t> across_; // half-edge across polygon_[i] -> polygon_[i + 1]
    std::vector<double> ears_;         // error of the ear at each polygon place, or infinity
    std::vector<Ear> made_;
};

} // namespace grondel::terrain::detail
