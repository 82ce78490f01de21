// The scanner's shortcuts (bounding blocks, narrow triangles, stopping at a cap) against a
// plain look at every point of the triangle.
#include "terrain/point_table.h"
#include "terrain/refine_tiles.h"
#include "terrain/sort_keys.h"
#include "terrain/triangle_scan.h"
#include "terrains.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <random>

#include <gtest/gtest.h>

namespace grondel::terrain::detail {
namespace {

using testing::makeTerrain;
using testing::Terrain;

// |height - plane| at p for the plane through (a, b, c), counter-clockwise in (column, row);
// negative when p lies outside the triangle.
double errorAt(const TerrainGrid& grid, GridPoint a, GridPoint b, GridPoint c, GridPoint p) {
    const std::int64_t wa = orient(b, c, p), wb = orient(c, a, p), wc = orient(a, b, p);
    if (wa < 0 || wb < 0 || wc < 0)
        return -1;
    const double surface =
        (double(wa) * grid.at(a) + double(wb) * grid.at(b) + double(wc) * grid.at(c)) /
        double(orient(a, b, c));
    return std::abs(grid.at(p) - surface);
}

// The largest error over every point of the triangle's bounding box that lies in it.
double bruteForce(const TerrainGrid& grid, GridPoint a, GridPoint b, GridPoint c) {
    double worst = 0;
    for (int y = std::min({a.row, b.row, c.row}); y <= std::max({a.row, b.row, c.row}); ++y) {
        for (int x = std::min({a.column, b.column, c.column});
             x <= std::max({a.column, b.column, c.column}); ++x)
            worst = std::max(worst, errorAt(grid, a, b, c, {x, y}));
    }
    return worst;
}

TEST(TriangleScan, ShortcutsFindTheWorstPoint) {
    for (const Terrain kind : {Terrain::Smooth, Terrain::Noisy, Terrain::Terraced, Terrain::Spiky,
                               Terrain::HighOffset}) {
        const int columns = 203, rows = 150;
        const auto heights = makeTerrain(kind, columns, rows);
        const TerrainGrid grid{columns, rows, 0.5, heights};
        TriangleScanner scanner(grid);
        std::mt19937 random(7);
        for (int i = 0; i < 400; ++i) {
            // Sizes from a few points to the whole grid, some long and thin.
            const int reach = i % 4 == 0 ? 6 : i % 4 == 1 ? 30 : 200;
            std::uniform_int_distribution<int> x(0, columns - 1), y(0, rows - 1), d(-reach, reach);
            GridPoint a{x(random), y(random)};
            GridPoint b{std::clamp(a.column + d(random), 0, columns - 1),
                        std::clamp(a.row + d(random), 0, rows - 1)};
            GridPoint c{std::clamp(a.column + d(random), 0, columns - 1),
                        std::clamp(a.row + d(random), 0, rows - 1)};
            if (orient(a, b, c) == 0)
                continue;
            if (orient(a, b, c) < 0)
                std::swap(b, c);
            SCOPED_TRACE(testing::name(kind) + " triangle " + std::to_string(i));
            const double expected = bruteForce(grid, a, b, c);
            const double rounding = 1e-12 * (1e6 + expected);
            const Candidate every = scanner.scanEvery(a, b, c);
            const Candidate fast = scanner.scan(a, b, c);
            EXPECT_NEAR(every.error, expected, rounding);
            EXPECT_NEAR(fast.error, expected, rounding);
            // The point named lies in the triangle and has that error.
            EXPECT_NEAR(errorAt(grid, a, b, c, unpack(fast.point)), expected, rounding);
            EXPECT_NEAR(errorAt(grid, a, b, c, unpack(every.point)), expected, rounding);
            // With a cap below the worst it stops somewhere beyond the cap; with one above
            // it finds the worst.
            EXPECT_GT(scanner.scan(a, b, c, expected / 2).error, expected / 2 - rounding);
            EXPECT_NEAR(scanner.scan(a, b, c, 2 * expected + 1).error, expected, rounding);
        }
    }
}

// A scanner taking the grid's heights over, in place or not, sees and finds what one copying
// them does, and gives them back row by row as it scanned them.
TEST(TriangleScan, TakingTheHeightsOverScansAsACopyDoes) {
    struct Row {
        int columns, rows;
        std::optional<double> printScale;
        bool room;
    };
    for (const Row& row : {Row{16, 16, {}, true}, Row{203, 150, 0.125, true},
                           Row{203, 150, 3.0, false}, Row{9, 41, {}, true}}) {
        SCOPED_TRACE(std::to_string(row.columns) + " x " + std::to_string(row.rows));
        const TerrainGrid grid{row.columns, row.rows, 0.5,
                               makeTerrain(Terrain::Noisy, row.columns, row.rows)};
        std::vector<double> given;
        if (row.room)
            given.reserve(TriangleScanner::roomFor(row.columns, row.rows));
        given = grid.heights;
        const double* before = given.data();
        TriangleScanner copied(grid, row.printScale);
        TriangleScanner taken(std::move(given), row.columns, row.rows, row.printScale);
        std::vector<double> printed(grid.heights.size());
        for (int y = 0; y < row.rows; ++y) {
            for (int x = 0; x < row.columns; ++x) {
                ASSERT_EQ(taken.height({x, y}), copied.height({x, y})) << x << ", " << y;
                printed[static_cast<std::size_t>(y) * row.columns + x] = copied.height({x, y});
            }
        }
        const GridPoint a{0, 0}, b{row.columns - 1, row.rows / 2}, c{row.columns / 3, row.rows - 1};
        EXPECT_EQ(taken.scan(a, b, c).point, copied.scan(a, b, c).point);
        EXPECT_EQ(taken.largestMagnitude(), copied.largestMagnitude());
        const std::vector<double> back = taken.heightsInRows(row.columns, row.rows);
        EXPECT_EQ(back, printed);
        if (row.room) {
            EXPECT_EQ(back.data(), before); // never copied
        }
    }
}

// The key sort gives std::sort's order on keys of every shape it meets: curve codes over
// numbers, grid cells, repeats, keys sharing digits, already ordered and reversed; and, sorting
// only above a number that counts up, on codes over numbers.
TEST(SortKeys, OrdersAsStdSortDoes) {
    std::mt19937_64 random(7);
    const auto make = [&](std::size_t n, std::uint64_t mask, bool repeats) {
        std::vector<std::uint64_t> keys(n);
        for (std::size_t i = 0; i < n; ++i)
            keys[i] = (repeats ? random() % 50 : random()) & mask;
        return keys;
    };
    std::vector<std::vector<std::uint64_t>> inputs = {{},
                                                      {5},
                                                      {3, 3, 3},
                                                      make(10000, ~0ull, false),
                                                      make(10000, 0x3ffffff000fffffull, false),
                                                      make(10000, 0xffffull << 40, true),
                                                      make(3000, 0xfffff, true)};
    std::vector<std::uint64_t> ordered = make(2000, 0xffffffffull, false);
    std::sort(ordered.begin(), ordered.end());
    inputs.push_back(ordered);
    inputs.emplace_back(ordered.rbegin(), ordered.rend());
    for (std::vector<std::uint64_t> keys : inputs) {
        std::vector<std::uint64_t> expected = keys;
        std::sort(expected.begin(), expected.end());
        sortKeys(keys);
        EXPECT_EQ(keys, expected) << keys.size() << " keys";
    }
    // Codes over a number counting up: the codes' passes alone give the same order.
    std::vector<std::uint64_t> numbered = make(10000, 0xfffff, true);
    for (std::size_t i = 0; i < numbered.size(); ++i)
        numbered[i] = numbered[i] << 32 | i;
    std::vector<std::uint64_t> expected = numbered;
    std::sort(expected.begin(), expected.end());
    sortKeys(numbered, 32);
    EXPECT_EQ(numbered, expected);
}

// Numbers kept by point come back as kept, whether the points are few on a large grid (a hash
// table) or many on a small one (an array), corners of the rectangle among them.
TEST(PointTable, GivesBackEveryNumberKept) {
    std::mt19937_64 random(3);
    for (const auto& [side, count] : {std::pair(4097, 3000), std::pair(65, 2000)}) {
        PointTable table({0, 0}, {side - 1, side - 1}, static_cast<std::size_t>(count));
        std::map<PackedPoint, std::uint32_t> kept;
        for (int k = 0; k < count; ++k) {
            const PackedPoint p =
                k < 2
                    ? pack({k * (side - 1), k * (side - 1)})
                    : pack({static_cast<int>(random() % side), static_cast<int>(random() % side)});
            table[p] = kept[p] = static_cast<std::uint32_t>(k);
        }
        for (const auto& [p, number] : kept)
            EXPECT_EQ(table[p], number) << side << ": " << p;
    }
}

// However few points a sparse terrain's tile sides need, a grid with room for two small tiles a
// side is cut into at least two a side, so more than one thread refines it.
TEST(TileCuts, SparseTerrainIsStillCutForEveryThread) {
    for (const int side : {257, 1025}) {
        const TerrainGrid flat{side, side, 0.5, makeTerrain(Terrain::Flat, side, side)};
        const TriangleScanner scanner(flat, {});
        const Cuts cuts = cutGrid(flat, scanner, 0.01, 0);
        EXPECT_EQ(cuts.xs.size(), 3u) << side;
        EXPECT_EQ(cuts.ys.size(), 3u) << side;
    }
}

} // namespace
} // namespace grondel::terrain::detail
