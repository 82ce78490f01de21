#include "terrain/delaunay_mesh.h"

#include "terrain/sort_keys.h"

#include <algorithm>

namespace grondel::terrain::detail {
namespace {

// Marks a journal entry as a corner's, not a twin's; half-edges stay below 2^31.
constexpr std::uint32_t kJournalCorner = 0x80000000u;

// Positive when d lies strictly inside the circle through the counter-clockwise a, b, c.
// Coordinates below 2^13 keep every product under 2^52.
bool inCircle(GridPoint a, GridPoint b, GridPoint c, GridPoint d) {
    const std::int64_t adx = a.column - d.column, ady = a.row - d.row;
    const std::int64_t bdx = b.column - d.column, bdy = b.row - d.row;
    const std::int64_t cdx = c.column - d.column, cdy = c.row - d.row;
    const std::int64_t ad = adx * adx + ady * ady;
    const std::int64_t bd = bdx * bdx + bdy * bdy;
    const std::int64_t cd = cdx * cdx + cdy * cdy;
    return adx * (bdy * cd - bd * cdy) - ady * (bdx * cd - bd * cdx) +
               ad * (bdx * cdy - bdy * cdx) >
           0;
}

} // namespace

std::uint32_t mortonCode(GridPoint p) {
    // Spreads the 16 bits of v to the even bits of the result.
    const auto spread = [](std::uint32_t v) {
        v = (v | v << 8) & 0x00ff00ffu;
        v = (v | v << 4) & 0x0f0f0f0fu;
        v = (v | v << 2) & 0x33333333u;
        return (v | v << 1) & 0x55555555u;
    };
    return spread(static_cast<std::uint32_t>(p.column)) | spread(static_cast<std::uint32_t>(p.row))
                                                              << 1;
}

DelaunayMesh::DelaunayMesh(GridPoint northWest, GridPoint southEast, bool nwDiagonal) {
    // North-west, north-east, south-east, south-west. Rows grow southwards, so counter-clockwise
    // in (column, row) is clockwise on the map.
    const PackedPoint nw = pack(northWest), ne = pack({southEast.column, northWest.row}),
                      se = pack(southEast), sw = pack({northWest.column, southEast.row});
    points_ = {nw, ne, se, sw};
    const std::uint32_t t0 = addTriangle();
    const std::uint32_t t1 = addTriangle();
    if (nwDiagonal) {
        setTriangle(t0, nw, ne, se, kNone, kNone, kNone);
        setTriangle(t1, nw, se, sw, 3 * t0 + 2, kNone, kNone);
    } else {
        setTriangle(t0, nw, ne, sw, kNone, kNone, kNone);
        setTriangle(t1, ne, se, sw, kNone, kNone, 3 * t0 + 1);
    }
}

std::uint32_t DelaunayMesh::addTriangle() {
    const auto t = triangleCount();
    corners_.growTo(corners_.size() + 3, 0);
    twins_.growTo(twins_.size() + 3, kNone);
    return t;
}

void DelaunayMesh::setTriangle(std::uint32_t t, PackedPoint a, PackedPoint b, PackedPoint c,
                               std::int32_t twinAB, std::int32_t twinBC, std::int32_t twinCA) {
    const std::uint32_t e = 3 * t;
    if (journaling_) {
        for (std::uint32_t k = 0; k < 3; ++k) {
            journal_.push_back({(e + k) | kJournalCorner, corners_[e + k]});
            journal_.push_back({e + k, static_cast<std::uint32_t>(twins_[e + k])});
        }
        for (const std::int32_t twin : {twinAB, twinBC, twinCA}) {
            if (twin != kNone)
                journal_.push_back(
                    {static_cast<std::uint32_t>(twin), static_cast<std::uint32_t>(twins_[twin])});
        }
    }
    corners_[e] = a;
    corners_[e + 1] = b;
    corners_[e + 2] = c;
    const std::int32_t twins[3] = {twinAB, twinBC, twinCA};
    for (std::uint32_t k = 0; k < 3; ++k) {
        twins_[e + k] = twins[k];
        if (twins[k] != kNone)
            twins_[twins[k]] = static_cast<std::int32_t>(e + k);
    }
    changed_.push_back(t);
}

int DelaunayMesh::facesAdded(std::uint32_t t, GridPoint p) const {
    for (std::uint32_t e = 3 * t; e < 3 * t + 3; ++e) {
        if (orient(unpack(corners_[e]), unpack(corners_[next(e)]), p) == 0)
            return twins_[e] == kNone ? 1 : 2;
    }
    return 2;
}

void DelaunayMesh::insert(std::uint32_t t, GridPoint p) {
    changed_.clear();
    pending_.clear();
    const PackedPoint packed = pack(p);
    points_.push_back(packed);
    for (std::uint32_t e = 3 * t; e < 3 * t + 3; ++e) {
        if (orient(unpack(corners_[e]), unpack(corners_[next(e)]), p) == 0) {
            splitEdge(e, packed);
            legalize();
            return;
        }
    }
    splitInside(t, packed);
    legalize();
}

// (a, b, c) becomes (a, b, p), (b, c, p) and (c, a, p).
void DelaunayMesh::splitInside(std::uint32_t t, PackedPoint p) {
    const std::uint32_t e = 3 * t;
    const PackedPoint a = corners_[e], b = corners_[e + 1], c = corners_[e + 2];
    const std::int32_t ab = twins_[e], bc = twins_[e + 1], ca = twins_[e + 2];
    const std::uint32_t t1 = addTriangle();
    const std::uint32_t t2 = addTriangle();
    setTriangle(t, a, b, p, ab, kNone, kNone);
    setTriangle(t1, b, c, p, bc, kNone, static_cast<std::int32_t>(e + 1));
    setTriangle(t2, c, a, p, ca, static_cast<std::int32_t>(e + 2),
                static_cast<std::int32_t>(3 * t1 + 1));
    pending_.insert(pending_.end(), {e, 3 * t1, 3 * t2});
}

// p lies on half-edge a -> b of triangle (a, b, c): that triangle becomes (a, p, c) and
// (p, b, c), and the neighbour (b, a, d) across the edge, if any, (b, p, d) and (p, a, d).
void DelaunayMesh::splitEdge(std::uint32_t edge, PackedPoint p) {
    const std::uint32_t t = edge / 3;
    const PackedPoint a = corners_[edge], b = corners_[next(edge)], c = corners_[prev(edge)];
    const std::int32_t bc = twins_[next(edge)], ca = twins_[prev(edge)];
    const std::int32_t across = twins_[edge];
    const std::uint32_t t1 = addTriangle();
    if (across == kNone) {
        setTriangle(t, a, p, c, kNone, kNone, ca);
        setTriangle(t1, p, b, c, kNone, bc, static_cast<std::int32_t>(3 * t + 1));
        pending_.insert(pending_.end(), {3 * t + 2, 3 * t1 + 1});
        return;
    }
    const auto o = static_cast<std::uint32_t>(across);
    const std::uint32_t u = o / 3;
    const PackedPoint d = corners_[prev(o)];
    const std::int32_t ad = twins_[next(o)], db = twins_[prev(o)];
    const std::uint32_t t3 = addTriangle();
    setTriangle(t, a, p, c, kNone, kNone, ca);
    setTriangle(t1, p, b, c, kNone, bc, static_cast<std::int32_t>(3 * t + 1));
    setTriangle(u, b, p, d, static_cast<std::int32_t>(3 * t1), kNone, db);
    setTriangle(t3, p, a, d, static_cast<std::int32_t>(3 * t), ad,
                static_cast<std::int32_t>(3 * u + 1));
    pending_.insert(pending_.end(), {3 * t + 2, 3 * t1 + 1, 3 * u + 2, 3 * t3 + 1});
}

// Every pending half-edge lies opposite the new point in its triangle. Where the point across
// it falls strictly inside that triangle's circumcircle, the edge is flipped to end at the new
// point, and the two edges beyond are checked in turn. Cocircular points keep their edge.
void DelaunayMesh::legalize() {
    while (!pending_.empty()) {
        const std::uint32_t e = pending_.back();
        pending_.pop_back();
        const std::int32_t across = twins_[e];
        if (across == kNone)
            continue;
        const auto o = static_cast<std::uint32_t>(across);
        // Triangle (a, b, p) with e = a -> b; neighbour (b, a, d).
        const PackedPoint a = corners_[e], b = corners_[next(e)], p = corners_[prev(e)];
        const PackedPoint d = corners_[prev(o)];
        if (!inCircle(unpack(a), unpack(b), unpack(p), unpack(d)))
            continue;
        const std::uint32_t t = e / 3, u = o / 3;
        const std::int32_t bp = twins_[next(e)], pa = twins_[prev(e)];
        const std::int32_t ad = twins_[next(o)], db = twins_[prev(o)];
        // (a, d, b, p) is a convex quadrilateral, whatever the mesh round it: d lies in the
        // circle's cap beyond a-b, which the angle at p holds. Its diagonal a-b becomes p-d.
        setTriangle(t, d, b, p, db, bp, kNone);
        setTriangle(u, p, a, d, pa, ad, static_cast<std::int32_t>(3 * t + 2));
        pending_.push_back(3 * t);
        pending_.push_back(3 * u + 1);
    }
}

void DelaunayMesh::keepJournal() {
    journaling_ = true;
    markJournal();
}

void DelaunayMesh::markJournal() {
    journal_.clear();
    markedSlots_ = triangleCount();
    markedPoints_ = points_.size();
}

void DelaunayMesh::stopJournal() {
    journaling_ = false;
    journal_ = {};
}

void DelaunayMesh::rollBack(std::vector<std::uint32_t>& altered) {
    altered.clear();
    for (auto entry = journal_.rbegin(); entry != journal_.rend(); ++entry) {
        const std::uint32_t e = entry->first & ~kJournalCorner;
        if (entry->first & kJournalCorner) {
            corners_[e] = entry->second;
            if (e / 3 < markedSlots_)
                altered.push_back(e / 3);
        } else {
            twins_[e] = static_cast<std::int32_t>(entry->second);
        }
    }
    journal_.clear();
    corners_.shrinkTo(3 * static_cast<std::size_t>(markedSlots_));
    twins_.shrinkTo(3 * static_cast<std::size_t>(markedSlots_));
    points_.resize(markedPoints_);
}

void DelaunayMesh::sortSpatially(ChunkedArray<double>& values) {
    const std::uint32_t count = triangleCount();
    std::vector<std::uint32_t> newNumber(count);
    {
        // Each triangle by the curve's code of its centroid (rounded down), then by number,
        // which counts up already.
        std::vector<std::uint64_t> keys(count);
        for (std::uint32_t t = 0; t < count; ++t) {
            const GridPoint a = corner(t, 0), b = corner(t, 1), c = corner(t, 2);
            const GridPoint centre{(a.column + b.column + c.column) / 3,
                                   (a.row + b.row + c.row) / 3};
            keys[t] = static_cast<std::uint64_t>(mortonCode(centre)) << 32 | t;
        }
        sortKeys(keys, 32);
        for (std::uint32_t i = 0; i < count; ++i)
            newNumber[static_cast<std::uint32_t>(keys[i])] = i;
    }
    for (std::size_t e = 0; e < twins_.size(); ++e) {
        const std::int32_t twin = twins_[e];
        if (twin != kNone)
            twins_[e] =
                static_cast<std::int32_t>(3 * newNumber[static_cast<std::uint32_t>(twin) / 3] +
                                          static_cast<std::uint32_t>(twin) % 3);
    }
    // Move every triangle to its new slot in place, one cycle of the permutation at a time.
    std::vector<bool> placed(count, false);
    for (std::uint32_t start = 0; start < count; ++start) {
        if (placed[start])
            continue;
        PackedPoint carriedCorners[3];
        std::int32_t carriedTwins[3];
        for (std::uint32_t k = 0; k < 3; ++k) {
            carriedCorners[k] = corners_[3 * start + k];
            carriedTwins[k] = twins_[3 * start + k];
        }
        double carriedValue = values[start];
        for (std::uint32_t to = newNumber[start]; !placed[start]; to = newNumber[to]) {
            // carried belongs in slot to: swap it with what is there.
            for (std::uint32_t k = 0; k < 3; ++k) {
                std::swap(carriedCorners[k], corners_[3 * to + k]);
                std::swap(carriedTwins[k], twins_[3 * to + k]);
            }
            std::swap(carriedValue, values[to]);
            placed[to] = true;
        }
    }
}

} // namespace grondel::terrain::detail
