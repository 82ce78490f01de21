#pragma once

#include "terrain/terrain_grid.h"

#include <cstdint>

namespace grondel::terrain::detail {

// A grid point in one word, column in the low 16 bits, so that triangles keep their corners'
// coordinates at hand rather than behind an index into a point list.
using PackedPoint = std::uint32_t;
inline PackedPoint pack(GridPoint p) {
    return static_cast<std::uint32_t>(p.column) | static_cast<std::uint32_t>(p.row) << 16;
}
inline GridPoint unpack(PackedPoint p) {
    return {static_cast<std::int32_t>(p & 0xffffu), static_cast<std::int32_t>(p >> 16)};
}

// Position along a Z-order curve: points close on the grid mostly get close codes.
std::uint32_t mortonCode(GridPoint p);

// Twice the signed area of (a, b, c): positive when they run counter-clockwise in (column, row)
// with rows growing like y. Exact for coordinates up to kMaxSimplifiedEdge.
inline std::int64_t orient(GridPoint a, GridPoint b, GridPoint c) {
    return std::int64_t{b.column - a.column} * (c.row - a.row) -
           std::int64_t{b.row - a.row} * (c.column - a.column);
}

} // namespace grondel::terrain::detail
