#include "terrain/coarsen.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace grondel::terrain::detail {
namespace {

constexpr std::uint32_t kGone = 0xffffffffu;
// Marks a point whose surroundings changed since it was last tried (all are, at first).
constexpr std::uint32_t kStale = 0x80000000u;
// Points with more neighbours than this stay: trying them would cost too much.
constexpr std::size_t kMaxRing = 24;
// Fans tried per point, best first by v's own error under them.
constexpr std::size_t kFansTried = 3;

} // namespace

Coarsener::Coarsener(GridPoint nw, GridPoint se, DelaunayMesh& mesh, TriangleScanner& scanner,
                     double threshold, ChunkedArray<double>& errors)
    : mesh_(mesh)
    , scanner_(scanner)
    , threshold_(threshold)
    , errors_(errors)
    , outgoing_(nw, se, mesh.points().size()) {
    for (std::uint32_t e = 0; e < 3 * mesh.triangleCount(); ++e) {
        if (mesh.alive(e / 3))
            outgoing_[mesh.from(e)] = e | kStale;
    }
}

std::size_t Coarsener::pass(const std::vector<PackedPoint>& points,
                            const std::atomic<bool>* cancel) {
    std::size_t removed = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            break;
        std::uint32_t& out = outgoing_[points[i]];
        if (out == kGone || !(out & kStale))
            continue;
        out &= ~kStale;
        if (tryRemove(points[i])) {
            outgoing_[points[i]] = kGone;
            ++removed;
        }
    }
    return removed;
}

bool Coarsener::tryRemove(PackedPoint v) {
    if (!gatherRing(v))
        return false;
    // Any surface over the ring stays within the ring's heights: a point beyond them by more
    // than the threshold must stay.
    heights_.resize(ring_.size());
    double low = std::numeric_limits<double>::infinity(),
           high = -std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < ring_.size(); ++k) {
        heights_[k] = scanner_.height(unpack(ring_[k]));
        low = std::min(low, heights_[k]);
        high = std::max(high, heights_[k]);
    }
    const double own = scanner_.height(unpack(v));
    if (own > high + threshold_ || own < low - threshold_)
        return false;
    rankFans(v);
    std::size_t tried = 0;
    for (std::size_t f = 0; f < fans_.size() && tried < kFansTried; ++f) {
        if (!fanFills(fans_[f].second))
            continue;
        ++tried;
        if (fanFits(fans_[f].second)) {
            commitFan(fans_[f].second);
            return true;
        }
    }
    return false;
}

// Collects the triangles round v counter-clockwise and the ring of its neighbours. False when
// there are too many.
bool Coarsener::gatherRing(PackedPoint v) {
    using M = DelaunayMesh;
    // Turn clockwise round v to the rectangle's border, or all the way round.
    const std::uint32_t first = outgoing_[v] & ~kStale;
    std::uint32_t start = first;
    for (std::size_t turns = 0;; ++turns) {
        const std::int32_t back = mesh_.twin(start);
        if (back == M::kNone)
            break;
        start = M::next(static_cast<std::uint32_t>(back));
        if (start == first)
            break;
        if (turns > kMaxRing)
            return false;
    }
    ring_.clear();
    outer_.clear();
    slots_.clear();
    for (std::uint32_t e = start;;) {
        slots_.push_back(e / 3);
        ring_.push_back(mesh_.from(M::next(e)));
        outer_.push_back(mesh_.twin(M::next(e)));
        const std::int32_t on = mesh_.twin(M::prev(e));
        if (on == M::kNone) { // v lies on the border: the ring closes along it
            ring_.push_back(mesh_.from(M::prev(e)));
            outer_.push_back(M::kNone);
            break;
        }
        e = static_cast<std::uint32_t>(on);
        if (e == start)
            break;
        if (slots_.size() > kMaxRing)
            return false;
    }
    return true;
}

// The fan from ring_[apex] has a triangle (apex, ring_[j], ring_[j + 1]) for every ring edge
// not at the apex. Fans are ranked by v's own error under them, those that miss v's point by
// more than the threshold left out; whether a fan fills the hole at all (fanFills) is left
// until it is tried, most never being.
void Coarsener::rankFans(PackedPoint v) {
    const GridPoint p = unpack(v);
    const double own = scanner_.height(p);
    const std::size_t n = ring_.size();
    places_.resize(n);
    for (std::size_t k = 0; k < n; ++k)
        places_[k] = unpack(ring_[k]);
    // turns_[i n + k] = orient(ring i, ring k, v), the cross product of their offsets from v:
    // every side test and triangle area below is one of these or a sum of three, n (n - 1) / 2
    // products in all rather than n^2 orientations.
    turns_.resize(n * n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t ix = places_[i].column - p.column, iy = places_[i].row - p.row;
        for (std::size_t k = i + 1; k < n; ++k) {
            const std::int64_t turn =
                ix * (places_[k].row - p.row) - iy * (places_[k].column - p.column);
            turns_[i * n + k] = turn;
            turns_[k * n + i] = -turn;
        }
    }
    fans_.clear();
    for (std::size_t apex = 0; apex < n; ++apex) {
        const std::int64_t* const fromApex = turns_.data() + apex * n;
        double atV = std::numeric_limits<double>::infinity();
        // v lies in (u, a, b) when it is left of u -> a and right of u -> b: v is always left
        // of a -> b, the ring being star-shaped round v.
        std::size_t j = next(apex);
        std::int64_t sideA = fromApex[j];
        for (std::size_t edges = 2; edges < n; ++edges) {
            const std::size_t k = next(j);
            const std::int64_t sideB = fromApex[k];
            if (sideA >= 0 && sideB <= 0) {
                const std::int64_t edge = turns_[j * n + k];   // orient(a, b, v)
                const std::int64_t det = edge + sideA - sideB; // orient(u, a, b)
                if (det <= 0) { // a fold: this fan cannot fill the hole
                    atV = std::numeric_limits<double>::infinity();
                    break;
                }
                const double wu = static_cast<double>(edge);
                const double surface =
                    (wu * heights_[apex] - static_cast<double>(sideB) * heights_[j] +
                     static_cast<double>(sideA) * heights_[k]) /
                    static_cast<double>(det);
                atV = std::min(atV, std::abs(own - surface));
            }
            sideA = sideB;
            j = k;
        }
        if (atV <= threshold_)
            fans_.push_back({atV, apex});
    }
    std::sort(fans_.begin(), fans_.end());
}

// The fan fills the hole exactly when every one of its triangles is strictly
// counter-clockwise; that also keeps every ring point off its new edges.
bool Coarsener::fanFills(std::size_t apex) const {
    const GridPoint u = places_[apex];
    std::size_t j = next(apex);
    for (std::size_t edges = 2; edges < ring_.size(); ++edges) {
        const std::size_t k = next(j);
        if (orient(u, places_[j], places_[k]) <= 0)
            return false;
        j = k;
    }
    return true;
}

bool Coarsener::fanFits(std::size_t apex) {
    const std::size_t n = ring_.size();
    const GridPoint u = unpack(ring_[apex]);
    fanErrors_.clear();
    for (std::size_t j = (apex + 1) % n; (j + 1) % n != apex; j = (j + 1) % n) {
        const Candidate worst =
            scanner_.scan(u, unpack(ring_[j]), unpack(ring_[(j + 1) % n]), threshold_);
        if (!(worst.error <= threshold_))
            return false;
        fanErrors_.push_back(worst.error);
    }
    return true;
}

// The fan's triangles take the first slots in turn; each shares its first edge with the one
// before and its last with the one after, and the ring's edges face what they faced before.
// The slots left over die.
void Coarsener::commitFan(std::size_t apex) {
    using M = DelaunayMesh;
    const std::size_t n = ring_.size();
    const std::size_t count = n - 2;
    const std::size_t j0 = (apex + 1) % n;
    for (std::size_t t = 0; t < count; ++t) {
        const std::size_t j = (j0 + t) % n, k = (j + 1) % n;
        const std::int32_t before =
            t == 0 ? outer_[apex] : static_cast<std::int32_t>(3 * slots_[t - 1] + 2);
        const std::int32_t after = t + 1 == count ? outer_[k] : M::kNone;
        mesh_.setTriangle(slots_[t], ring_[apex], ring_[j], ring_[k], before, outer_[j], after);
        errors_[slots_[t]] = fanErrors_[t];
        for (std::uint32_t e = 3 * slots_[t]; e < 3 * slots_[t] + 3; ++e)
            outgoing_[mesh_.from(e)] = e | kStale;
    }
    for (std::size_t t = count; t < slots_.size(); ++t)
        mesh_.kill(slots_[t]);
}

} // namespace grondel::terrain::detail
