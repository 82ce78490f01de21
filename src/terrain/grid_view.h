#pragma once

#include "terrain/simplify.h"

#include <cstddef>
#include <cstdint>

namespace grondel::terrain::detail {

// The heights of a grid already checked by simplify().
struct GridView {
    const double* heights = nullptr;
    int columns = 0;
    int rows = 0;
    double at(GridPoint p) const { return heights[std::size_t(p.row) * columns + p.column]; }
};

// A grid point in one word, column in the low 16 bits, so that triangles keep their corners'
// coordinates at hand rather than behind an index into a point list.
using PackedPoint = std::uint32_t;
inline PackedPoint pack(GridPoint p) {
    return std::uint32_t(p.column) | std::uint32_t(p.row) << 16;
}
inline GridPoint unpack(PackedPoint p) {
    return {std::int32_t(p & 0xffffu), std::int32_t(p >> 16)};
}

// Position along a Z-order curve: points close on the grid mostly get close codes.
std::uint32_t mortonCode(GridPoint p);

// Twice the signed area of (a, b, c): positive when they run counter-clockwise in (column, row)
// with rows growing like y. Exact for coordinates up to kMaxSimplifyEdge.
inline std::int64_t orient(GridPoint a, GridPoint b, GridPoint c) {
    return std::int64_t(b.column - a.column) * (c.row - a.row) -
           std::int64_t(b.row - a.row) * (c.column - a.column);
}

} // namespace grondel::terrain::detail
