#pragma once

#include "terrain/packed_point.h"

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace grondel::terrain::detail {

// The grid point farthest from the plane through a triangle's corners, and its distance.
struct Candidate {
    PackedPoint point = 0;
    double error = 0;
};

// Finds each triangle's worst grid point. Triangles must be counter-clockwise in
// (column, row), of positive area and within the grid; every grid point inside or on the
// triangle counts, its corners coming out with an error of a few ulps at most. Among equal
// errors the choice is fixed but not otherwise defined.
class TriangleScanner {
public:
    // Side of the square blocks whose height bounds let a scan skip them.
    static constexpr int kBlock = 8;

    // Copies grid's heights block by block (8 bytes a point); with printScale, each as the game
    // model prints it scaled so (heightAsPrinted), the heights every scan then measures.
    explicit TriangleScanner(const TerrainGrid& grid,
                             std::optional<double> printScale = std::nullopt);
    // The same over the heights of a grid of columns x rows, row after row, taken over rather
    // than copied: they are rearranged block by block in their own vector, in place when it
    // has roomFor(columns, rows) (else it grows first). heightsInRows() gives them back.
    TriangleScanner(std::vector<double>&& heights, int columns, int rows,
                    std::optional<double> printScale);
    // The heights the block by block copy takes, padding included.
    static std::size_t roomFor(int columns, int rows);
    // The heights as scanned, row after row again in the vector they came in; the scanner is
    // left without them. For a scanner made by taking them over, none of whose copies is alive.
    std::vector<double> heightsInRows(int columns, int rows);

    // A grid point's height as scanned, and the largest |height|.
    double height(GridPoint p) const {
        return heights_->tiled[tiledIndex(heights_->blocksAcross, p.column, p.row)];
    }
    double largestMagnitude() const { return heights_->maxAbs; }

    // Where point (x, y) of a grid blocksAcross blocks wide sits in the copy block by block.
    static std::size_t tiledIndex(int blocksAcross, int x, int y) {
        const auto ux = static_cast<unsigned>(x), uy = static_cast<unsigned>(y);
        return (static_cast<std::size_t>(uy / kBlock) * static_cast<unsigned>(blocksAcross) +
                ux / kBlock) *
                   (kBlock * kBlock) +
               (uy % kBlock) * kBlock + ux % kBlock;
    }

    // The worst point, skipping blocks of the grid whose bounds show they cannot beat the
    // worst point found so far. The error found is the largest to within rounding (below
    // 2^-40 of the largest |height| and the plane's rise across a block). The scan may stop
    // early at any point whose error exceeds cap, returning that one.
    Candidate scan(GridPoint a, GridPoint b, GridPoint c,
                   double cap = std::numeric_limits<double>::infinity());

    // The same, looking at every point.
    Candidate scanEvery(GridPoint a, GridPoint b, GridPoint c,
                        double cap = std::numeric_limits<double>::infinity()) const;

    TriangleScanner(const TriangleScanner& other)
        : heights_(other.heights_) {}
    TriangleScanner& operator=(const TriangleScanner&) = delete;

private:
    struct Heights {
        int blocksAcross = 0;
        double maxAbs = 0;
        // The heights again, block by block, each block's rows in turn: the few rows of a
        // block that a scan reads share pages and cache lines, where the grid's own rows lie a
        // whole row apart.
        std::vector<double> tiled;
        std::vector<double> low, high; // each block's lowest and highest height
        // Each whole block's least-squares plane, as its height at the block's first point and
        // its slopes across and down, and its points' largest distance from it (infinite for a
        // block the grid's edge cuts).
        struct Fit {
            double base = 0, slopeX = 0, slopeY = 0, residual = 0;
        };
        std::vector<Fit> fits;
    };
    // Fits every block's plane, after the blocks are filled.
    static void fitBlocks(Heights& heights, int columns, int rows);
    std::shared_ptr<Heights> heights_; // changed only by heightsInRows
    // Scratch for one scan, kept to save allocations.
    std::vector<std::pair<int, int>> spans_;
    std::vector<double> bounds_;
};

} // namespace grondel::terrain::detail
