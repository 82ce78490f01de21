#pragma once

#include "terrain/packed_point.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace grondel::terrain::detail {

// A number for each of a set of grid points, looked up by the point: an array over the grid's
// rectangle where the points fill a good share of it, else a hash table (open addressing) of
// twice their count. A mesh of a large grid keeps few of its points, and an array over the
// whole grid would touch a page for nearly every few of them.
class PointTable {
public:
    // Room for up to count points of the rectangle nw..se.
    PointTable(GridPoint nw, GridPoint se, std::size_t count)
        : west_(static_cast<std::uint32_t>(nw.column))
        , north_(static_cast<std::uint32_t>(nw.row))
        , columns_(static_cast<std::size_t>(se.column - nw.column + 1)) {
        const std::size_t cells = columns_ * static_cast<std::size_t>(se.row - nw.row + 1);
        if (cells <= 8 * count + 4096) {
            // Left uninitialised: only the cells of the points are ever written or read.
            dense_.reset(new std::uint32_t[cells]);
            return;
        }
        const std::size_t slots = std::bit_ceil(2 * count + 2);
        shift_ = 64 - std::countr_zero(slots);
        keys_.assign(slots, kEmpty);
        values_.resize(slots);
    }

    // The number of p, which the table makes room for if it has none yet (then unset).
    std::uint32_t& operator[](PackedPoint p) {
        if (dense_)
            return dense_[static_cast<std::size_t>((p >> 16) - north_) * columns_ +
                          ((p & 0xffffu) - west_)];
        std::size_t at =
            static_cast<std::size_t>((std::uint64_t{p} * 0x9E3779B97F4A7C15u) >> shift_);
        while (keys_[at] != p && keys_[at] != kEmpty)
            at = (at + 1) & (keys_.size() - 1);
        keys_[at] = p;
        return values_[at];
    }

private:
    static constexpr PackedPoint kEmpty = 0xffffffffu; // no grid point packs to this

    std::uint32_t west_, north_;
    std::size_t columns_;
    std::unique_ptr<std::uint32_t[]> dense_;
    int shift_ = 0;
    std::vector<PackedPoint> keys_;
    std::vector<std::uint32_t> values_;
};

} // namespace grondel::terrain::detail
