#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace grondel {

// Largest grid edge; the grid always has kMaxEdge x kMaxEdge cells whatever edge is chosen.
inline constexpr int kMaxEdge = 64;

// The edges the window and the converter offer, and how they are named to the user.
inline constexpr std::array<int, 3> kOfferedEdges{16, 32, 64};
inline constexpr char kOfferedEdgesText[] = "16, 32 or 64";

constexpr bool isOfferedEdge(int edge) {
    for (const int offered : kOfferedEdges)
        if (edge == offered)
            return true;
    return false;
}

// A cell holds a 24-bit colour packed as 0x00BBGGRR (red in the lowest byte). Colours are kept
// whole, never reduced to grey.
using Cell = std::int32_t;

// Packs 8-bit channels as 0x00BBGGRR.
constexpr Cell packColour(int red, int green, int blue) {
    return static_cast<Cell>((blue & 0xff) << 16 | (green & 0xff) << 8 | (red & 0xff));
}

// Heights are the packed colour over 2^21 - 1: black 0, grey 128 about 4.0157, white about 8.
inline constexpr double kHeightDivisor = 2097151.0;
constexpr double heightOf(Cell cell) {
    return cell / kHeightDivisor;
}

// The grid of colour samples, addressed (x, y) = (image column, image row), 0..63 each.
// A fresh grid holds 0 everywhere. Cells are never cleared: a smaller sampling overwrites only
// its own square and leaves the rest as it was.
class HeightMap {
public:
    static constexpr bool contains(int x, int y) {
        return x >= 0 && x < kMaxEdge && y >= 0 && y < kMaxEdge;
    }

    // The cell at (x, y), or nothing when (x, y) lies outside the grid.
    [[nodiscard]] std::optional<Cell> at(int x, int y) const {
        if (!contains(x, y))
            return std::nullopt;
        return cells_[index(x, y)];
    }

    // Stores value at (x, y). Outside the grid nothing is written (no wrap) and it returns false.
    [[nodiscard]] bool set(int x, int y, Cell value) {
        if (!contains(x, y))
            return false;
        cells_[index(x, y)] = value;
        return true;
    }

    // Unchecked read for loops already bounded by an edge of at most kMaxEdge.
    Cell operator()(int x, int y) const { return cells_[index(x, y)]; }

    friend bool operator==(const HeightMap&, const HeightMap&) = default;

private:
    // Row after row, as the image lies in memory.
    static constexpr int index(int x, int y) { return y * kMaxEdge + x; }

    std::array<Cell, kMaxEdge * kMaxEdge> cells_{};
};

} // namespace grondel
