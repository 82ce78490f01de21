#include "terrain/coarsen.h"

#include <algorithm>
#include <cmath>

namespace grondel::terrain::detail {
namespace {

constexpr std::uint32_t kGone = 0xffffffffu;
// The error of an ear that breaks the threshold: above any real error, below an invalid ear's.
constexpr double kTooFar = 1e300;
// Points with more neighbours than this stay: filling their hole would cost too much.
constexpr std::size_t kMaxRing = 40;

bool insideOrOn(GridPoint a, GridPoint b, GridPoint c, GridPoint q) {
    return orient(a, b, q) >= 0 && orient(b, c, q) >= 0 && orient(c, a, q) >= 0;
}

} // namespace

Coarsener::Coarsener(const GridView& grid, DelaunayMesh& mesh, TriangleScanner& scanner,
                     double threshold)
    : grid_(grid)
    , mesh_(mesh)
    , scanner_(scanner)
    , threshold_(threshold)
    , outgoing_(new std::uint32_t[std::size_t(grid.columns) * std::size_t(grid.rows)]) {
    for (std::uint32_t e = 0; e < 3 * mesh.triangleCount(); ++e) {
        if (mesh.alive(e / 3))
            outgoing_[cell(mesh.from(e))] = e;
    }
}

std::size_t Coarsener::pass(const std::vector<PackedPoint>& points) {
    std::size_t removed = 0;
    for (std::size_t i = 4; i < points.size(); ++i) {
        if (outgoing_[cell(points[i])] != kGone && tryRemove(points[i])) {
            outgoing_[cell(points[i])] = kGone;
            ++removed;
        }
    }
    return removed;
}

// The ear at polygon place i: its corners before, at and after i, strictly convex, with no
// other corner of the polygon inside or on it (so no new edge can pass through a kept point).
bool Coarsener::validEar(std::size_t i) const {
    const std::size_t n = polygon_.size();
    const GridPoint a = unpack(ring_[polygon_[(i + n - 1) % n]]);
    const GridPoint b = unpack(ring_[polygon_[i]]);
    const GridPoint c = unpack(ring_[polygon_[(i + 1) % n]]);
    if (orient(a, b, c) <= 0)
        return false;
    for (std::size_t j = 0; j < n; ++j) {
        if (j != i && j != (i + n - 1) % n && j != (i + 1) % n &&
            insideOrOn(a, b, c, unpack(ring_[polygon_[j]])))
            return false;
    }
    return true;
}

double Coarsener::earError(std::size_t i) {
    if (!validEar(i))
        return INFINITY;
    const std::size_t n = polygon_.size();
    const double error =
        scanner_
            .scan(unpack(ring_[polygon_[(i + n - 1) % n]]), unpack(ring_[polygon_[i]]),
                  unpack(ring_[polygon_[(i + 1) % n]]), threshold_)
            .error;
    return error <= threshold_ ? error : kTooFar;
}

bool Coarsener::tryRemove(PackedPoint v) {
    using M = DelaunayMesh;
    // Turn clockwise round v to the rectangle's border, or all the way round.
    const std::uint32_t first = outgoing_[cell(v)];
    std::uint32_t start = first;
    for (;;) {
        const std::int32_t back = mesh_.twin(start);
        if (back == M::kNone)
            break;
        start = M::next(std::uint32_t(back));
        if (start == first)
            break;
    }
    // Then counter-clockwise, collecting the triangles and the ring of neighbours.
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
        e = std::uint32_t(on);
        if (e == start)
            break;
        if (slots_.size() > kMaxRing)
            return false;
    }

    // Any surface over the ring stays within the ring's heights: a point beyond them by more
    // than the threshold must stay.
    double low = INFINITY, high = -INFINITY;
    for (const PackedPoint p : ring_) {
        low = std::min(low, grid_.at(unpack(p)));
        high = std::max(high, grid_.at(unpack(p)));
    }
    const double own = grid_.at(unpack(v));
    if (own > high + threshold_ || own < low - threshold_)
        return false;

    // Fill the hole ear by ear, always clipping the ear with the smallest error. Each polygon
    // edge knows the half-edge across it: outside the hole at first, then the ear that cut it.
    const std::size_t n = ring_.size();
    polygon_.resize(n);
    across_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        polygon_[i] = int(i);
        across_[i] = outer_[i];
    }
    ears_.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        ears_[i] = earError(i);
    made_.clear();
    while (polygon_.size() > 3) {
        auto best = std::size_t(std::min_element(ears_.begin(), ears_.end()) - ears_.begin());
        if (std::isinf(ears_[best])) {
            // Clipping may have freed ears that a clipped corner used to block.
            for (std::size_t i = 0; i < ears_.size(); ++i)
                ears_[i] = earError(i);
            best = std::size_t(std::min_element(ears_.begin(), ears_.end()) - ears_.begin());
        }
        if (!(ears_[best] <= threshold_))
            return false;
        const std::size_t m = polygon_.size(), left = (best + m - 1) % m;
        // The ear (a, b, c) takes the next slot; its edge c -> a faces what is left.
        const auto slot = std::uint32_t(slots_[made_.size()]);
        made_.push_back({polygon_[left], polygon_[best], polygon_[(best + 1) % m], across_[left],
                         across_[best], DelaunayMesh::kNone});
        across_[left] = std::int32_t(3 * slot + 2);
        polygon_.erase(polygon_.begin() + std::ptrdiff_t(best));
        across_.erase(across_.begin() + std::ptrdiff_t(best));
        ears_.erase(ears_.begin() + std::ptrdiff_t(best));
        const std::size_t newLeft = (best + m - 2) % (m - 1), newRight = best % (m - 1);
        ears_[newLeft] = earError(newLeft);
        ears_[newRight] = earError(newRight);
    }
    if (!(earError(1) <= threshold_))
        return false;
    made_.push_back({polygon_[0], polygon_[1], polygon_[2], across_[0], across_[1], across_[2]});

    // Commit: the new triangles take the first slots, in order, so that each links back the
    // ears cut before it; the slots left over die.
    for (std::size_t j = 0; j < made_.size(); ++j) {
        const Ear& ear = made_[j];
        mesh_.setTriangle(slots_[j], ring_[ear.a], ring_[ear.b], ring_[ear.c], ear.acrossAB,
                          ear.acrossBC, ear.acrossCA);
        for (std::uint32_t e = 3 * slots_[j]; e < 3 * slots_[j] + 3; ++e)
            outgoing_[cell(mesh_.from(e))] = e;
    }
    for (std::size_t j = made_.size(); j < slots_.size(); ++j)
        mesh_.kill(slots_[j]);
    return true;
}

} // namespace grondel::terrain::detail
