#include "terrain/refine.h"

#include "parallel/parallel.h"
#include "terrain/coarsen.h"
#include "terrain/delaunay_mesh.h"
#include "terrain/error_heap.h"
#include "terrain/refine_tiles.h"
#include "terrain/sort_keys.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace grondel::terrain::detail {
namespace {

// Passes of coarsening over the points. A second pass, trying again the points whose
// neighbours went, takes out under 4% more faces for two fifths more coarsening time.
constexpr int kCoarseningPasses = 1;
// Passes of coarsening over the tiles' sides once they are one mesh: each tries again only the
// points whose neighbours went, few and cheap, and a point between two that went may go next.
constexpr int kJoinedPasses = 4;
// Under a face budget greedy insertion first goes half as far again, coarsening then taking
// out about two fifths; budgets beyond this go straight to greedy insertion.
constexpr std::int64_t kMaxOvershotBudget = std::int64_t{1} << 40;
// Coarsening tries, each at this much larger an error than the last, to get within the budget
// before greedy insertion alone goes to it.
constexpr int kCoarseningAttempts = 4;
constexpr double kWiderError = 1.25;
// Changes the way back to the best mesh may hold, a few dozen an insertion: past this the mesh
// as it is becomes the one to return to, bounding the memory whatever the terrain.
constexpr std::size_t kMaxJournal = std::size_t{1} << 22;
// Faces a refiner sharing a budget with others claims from it at once: a few hundred
// insertions' worth, and no more than a few thousand over the budget with every thread's.
constexpr std::int64_t kClaimedAtOnce = 512;

Tile wholeGrid(const TerrainGrid& grid) {
    Tile whole;
    whole.nw = {0, 0};
    whole.se = {grid.columns - 1, grid.rows - 1};
    return whole;
}

// The mesh's live triangles.
std::int64_t liveFaces(const DelaunayMesh& mesh) {
    std::int64_t live = 0;
    for (std::uint32_t t = 0; t < mesh.triangleCount(); ++t)
        live += mesh.alive(t) ? 1 : 0;
    return live;
}

// The largest error over the grid, errors holding each triangle slot's: every grid point lies
// in a live triangle, whose last scan (complete: no cap was passed) saw it.
double largestError(const DelaunayMesh& mesh, const ChunkedArray<double>& errors) {
    double largest = 0;
    for (std::uint32_t t = 0; t < mesh.triangleCount(); ++t) {
        if (mesh.alive(t))
            largest = std::max(largest, errors[t]);
    }
    return largest;
}

// The greedy refinement: the mesh, each triangle's worst point, and the triangles whose worst
// point is beyond the threshold, largest error first.
class Refiner {
public:
    // Over tile, which must outlive the refiner, from its corners and fixed points.
    Refiner(const Tile& tile, TriangleScanner& scanner, bool nwDiagonal, double threshold)
        : tile_(tile)
        , scanner_(scanner)
        , threshold_(threshold)
        , mesh_(tile.nw, tile.se, nwDiagonal) {
        if (tile.sides.empty()) {
            rescan(0);
            rescan(1);
            return;
        }
        for (const auto* side : tile.sides) {
            for (const GridPoint p : *side)
                mesh_.insert(holder(p), p);
        }
        reseed();
    }

    // Refines until no point's error exceeds the threshold (true) or the next point would take
    // the mesh past maxFaces (false); then, with keepBest, the mesh is the one of smallest error
    // on the way. (Without it the mesh is where the budget stopped it: a run meant to meet the
    // threshold, which a caller does not keep when the budget stops it, pays for no journal.)
    // With shared, maxFaces bounds the faces of every refiner adding its own to it.
    bool run(std::int64_t maxFaces, bool keepBest, const std::atomic<bool>* cancel,
             std::atomic<std::int64_t>* shared = nullptr) {
        const bool budgeted = keepBest && maxFaces < std::numeric_limits<std::int64_t>::max();
        if (budgeted)
            mesh_.keepJournal();
        if (shared && shared->fetch_add(faces_, std::memory_order_relaxed) + faces_ > maxFaces)
            return false;
        double best = std::numeric_limits<double>::infinity();
        std::int64_t bestFaces = faces_;
        bool met = true;
        while (!heap_.empty()) {
            if (cancel && cancel->load(std::memory_order_relaxed)) {
                met = false;
                break;
            }
            const std::uint32_t t = heap_.top();
            const GridPoint p = unpack(candidates_[t]);
            if (p == mesh_.corner(t, 0) || p == mesh_.corner(t, 1) || p == mesh_.corner(t, 2)) {
                // Only rounding makes a corner stand out; nothing left to gain here.
                heap_.remove(t);
                continue;
            }
            if (tile_.fixedPoint(p)) {
                // Its side's choice kept it within the threshold; only rounding differs here.
                heap_.remove(t);
                continue;
            }
            // The worst triangle's error is the mesh's.
            if (budgeted && (errors_[t] <= best || mesh_.journalSize() > kMaxJournal)) {
                best = errors_[t];
                bestFaces = faces_;
                mesh_.markJournal();
            }
            const int added = mesh_.facesAdded(t, p);
            if (shared ? !claim(*shared, added, maxFaces) : faces_ + added > maxFaces) {
                met = false;
                if (budgeted && errors_[t] > best)
                    rollBack(bestFaces);
                break;
            }
            mesh_.insert(t, p);
            faces_ += added;
            touched_.assign(mesh_.changed().begin(), mesh_.changed().end());
            rescanTouched();
        }
        mesh_.stopJournal();
        if (shared) {
            shared->fetch_sub(allowance_, std::memory_order_relaxed);
            allowance_ = 0;
        }
        return met;
    }

    // Builds the queue again from every live triangle, after coarsening renumbered and rewrote
    // them.
    void reseed() {
        heap_ = {};
        faces_ = 0;
        for (std::uint32_t t = 0; t < mesh_.triangleCount(); ++t) {
            if (mesh_.alive(t)) {
                ++faces_;
                rescan(t);
            }
        }
    }

    std::int64_t liveFaces() const { return detail::liveFaces(mesh_); }
    double largestError() const { return detail::largestError(mesh_, errors_); }

    DelaunayMesh& mesh() { return mesh_; }
    // Each triangle slot's largest error, as its last scan found it.
    ChunkedArray<double>& errors() { return errors_; }
    // Frees what only refining needs.
    void dropQueue() {
        heap_ = {};
        candidates_ = {};
    }

private:
    // Takes added faces out of the shared budget, false when they would take the refiners past
    // maxFaces. Faces are claimed a batch at a time, and handed back at the end of a run: every
    // insertion touching the one counter that all threads write made them wait on each other.
    bool claim(std::atomic<std::int64_t>& shared, std::int64_t added, std::int64_t maxFaces) {
        if (added <= allowance_) {
            allowance_ -= added;
            return true;
        }
        const std::int64_t need = added - allowance_, ask = std::max(need, kClaimedAtOnce);
        const std::int64_t before = shared.fetch_add(ask, std::memory_order_relaxed);
        if (before + ask <= maxFaces) {
            allowance_ += ask - added;
            return true;
        }
        // Near the budget: only what this insertion needs, if that fits.
        shared.fetch_sub(ask - need, std::memory_order_relaxed);
        allowance_ = 0;
        return before + need <= maxFaces;
    }

    // A triangle with an edge on the rectangle's border through p, which lies on that border
    // and is no corner: one the last insertion changed when p follows the point it added along
    // a side.
    std::uint32_t holder(GridPoint p) const {
        const auto holds = [&](std::uint32_t t) {
            for (std::uint32_t e = 3 * t; e < 3 * t + 3; ++e) {
                const GridPoint a = unpack(mesh_.from(e));
                const GridPoint b = unpack(mesh_.from(DelaunayMesh::next(e)));
                if (mesh_.twin(e) == DelaunayMesh::kNone && orient(a, b, p) == 0 &&
                    (p.column - a.column) * (b.column - p.column) +
                            (p.row - a.row) * (b.row - p.row) >
                        0)
                    return true;
            }
            return false;
        };
        for (const std::uint32_t t : mesh_.changed()) {
            if (mesh_.alive(t) && holds(t))
                return t;
        }
        std::uint32_t t = 0;
        while (!(mesh_.alive(t) && holds(t)))
            ++t;
        return t;
    }
    void rescan(std::uint32_t t) {
        const Candidate found =
            scanner_.scan(mesh_.corner(t, 0), mesh_.corner(t, 1), mesh_.corner(t, 2));
        candidates_.growTo(static_cast<std::size_t>(t) + 1, 0);
        candidates_[t] = found.point;
        errors_.growTo(static_cast<std::size_t>(t) + 1, 0.0);
        errors_[t] = found.error;
        if (found.error > threshold_)
            heap_.set(t, found.error);
        else
            heap_.remove(t);
    }
    void rescanTouched() {
        std::sort(touched_.begin(), touched_.end());
        touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
        for (const std::uint32_t changed : touched_)
            rescan(changed);
    }
    // Back to the journal's mark, with faces faces; the slots made since leave the queue.
    void rollBack(std::int64_t faces) {
        const std::uint32_t made = mesh_.triangleCount();
        mesh_.rollBack(touched_);
        for (std::uint32_t t = mesh_.triangleCount(); t < made; ++t)
            heap_.remove(t);
        rescanTouched();
        faces_ = faces;
    }

    const Tile& tile_;
    TriangleScanner& scanner_;
    const double threshold_;
    DelaunayMesh mesh_;
    std::int64_t faces_ = 2;     // live triangles
    std::int64_t allowance_ = 0; // faces claimed from a shared budget, not yet added
    ErrorHeap heap_;
    ChunkedArray<PackedPoint> candidates_; // the worst point of each triangle
    ChunkedArray<double> errors_;          // ... and its error
    std::vector<std::uint32_t> touched_;
};

// The diagonal whose two triangles leave the smaller error; the north-west one on a tie.
bool pickNwDiagonal(const Tile& tile, TriangleScanner& scanner) {
    const GridPoint nw = tile.nw, ne{tile.se.column, tile.nw.row}, se = tile.se,
                    sw{tile.nw.column, tile.se.row};
    const double viaNw = std::max(scanner.scan(nw, ne, se).error, scanner.scan(nw, se, sw).error);
    const double viaNe = std::max(scanner.scan(nw, ne, sw).error, scanner.scan(ne, se, sw).error);
    return viaNw <= viaNe;
}

// The points of keyed (each a curve code over a packed point) once each, along the curve.
std::vector<PackedPoint> curveOrder(std::vector<std::uint64_t> keyed) {
    sortKeys(keyed, 32); // the code is the point's own: it decides the bits below
    keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
    std::vector<PackedPoint> order(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        order[i] = static_cast<PackedPoint>(keyed[i]);
    return order;
}

// Takes out of the refiner's mesh over tile the points whose removal keeps every grid point
// within threshold, but the tile's corners and fixed points; the refiner's queue is left stale.
void coarsenMesh(const Tile& tile, Refiner& refiner, TriangleScanner& scanner, double threshold,
                 const std::atomic<bool>* cancel) {
    DelaunayMesh& mesh = refiner.mesh();
    // Points and triangles in the same spatial order, so that one point's surroundings are
    // mostly still in the cache from the last point's.
    ChunkedArray<double>& errors = refiner.errors();
    errors.growTo(mesh.triangleCount(), 0.0);
    mesh.sortSpatially(errors);
    // The points still in the mesh but the grid's corners: a point taken out in an earlier
    // round, or put back since, is in its list of points too.
    std::vector<std::uint64_t> keyed;
    keyed.reserve(mesh.points().size());
    const auto corner = [&mesh](PackedPoint p) {
        return std::find(mesh.points().begin(), mesh.points().begin() + 4, p) !=
               mesh.points().begin() + 4;
    };
    for (std::uint32_t e = 0; e < 3 * mesh.triangleCount(); ++e) {
        if (mesh.alive(e / 3) && !corner(mesh.from(e)) && !tile.fixedPoint(unpack(mesh.from(e))))
            keyed.push_back(static_cast<std::uint64_t>(mortonCode(unpack(mesh.from(e)))) << 32 |
                            mesh.from(e));
    }
    const std::vector<PackedPoint> order = curveOrder(std::move(keyed));
    Coarsener coarsener(tile.nw, tile.se, mesh, scanner, threshold, errors);
    for (int pass = 0; pass < kCoarseningPasses; ++pass) {
        if (coarsener.pass(order, cancel) == 0)
            break;
    }
}

} // namespace

Refined refine(const TerrainGrid& grid, TriangleScanner& scanner, double threshold,
               std::int64_t maxFaces, Coarsening coarsening, const std::atomic<bool>* cancel) {
    Refined out;
    const Tile whole = wholeGrid(grid);
    const bool nwDiagonal = pickNwDiagonal(whole, scanner);
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    std::optional<Refiner> made;
    bool coarsened = false;
    if (coarsening == Coarsening::Rounds && maxFaces <= kMaxOvershotBudget) {
        // Greedy insertion past the budget, to a smaller error, then coarsening at that error
        // back within it (at a larger error when that is not enough), and greedy insertion again
        // up to the budget.
        Refiner& refiner = made.emplace(whole, scanner, nwDiagonal, threshold);
        out.errorMet = refiner.run(maxFaces + maxFaces / 2, true, cancel);
        double at = out.errorMet ? threshold : refiner.largestError();
        for (int attempt = 0; refiner.liveFaces() > maxFaces && !cancelled(); ++attempt) {
            if (attempt == kCoarseningAttempts) {
                made.reset();
                break;
            }
            coarsenMesh(whole, refiner, scanner, at, cancel);
            coarsened = true;
            if (refiner.liveFaces() > maxFaces) {
                out.errorMet = false;
                at *= kWiderError;
            }
        }
        if (made && !out.errorMet && !cancelled()) {
            refiner.reseed();
            out.errorMet = refiner.run(maxFaces, true, cancel);
            coarsened = false;
        }
    }
    if (!made) {
        made.emplace(whole, scanner, nwDiagonal, threshold);
        out.errorMet = made->run(maxFaces, coarsening == Coarsening::Rounds, cancel);
    }
    Refiner& refiner = *made;
    refiner.dropQueue();
    if (out.errorMet && !coarsened && !cancelled())
        coarsenMesh(whole, refiner, scanner, threshold, cancel);
    if (cancelled())
        out.errorMet = false;
    out.faces = static_cast<std::size_t>(refiner.liveFaces());
    out.error = refiner.largestError();
    DelaunayMesh& mesh = refiner.mesh();
    out.corners = mesh.takeCorners();
    out.points = mesh.takePoints();
    return out;
}

Refined refineInTiles(const TerrainGrid& grid, TriangleScanner& scanner, double threshold,
                      std::int64_t maxFaces, int tileSide, const std::atomic<bool>* cancel) {
    const Cuts cuts = cutGrid(grid, scanner, threshold, tileSide);
    if (cuts.xs.size() == 2 && cuts.ys.size() == 2)
        return refine(grid, scanner, threshold, maxFaces, Coarsening::OnceMet, cancel);
    const std::vector<Tile> tiles = cuts.tiles();
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    std::vector<TileMesh> made(tiles.size());
    std::atomic<std::int64_t> faces{0};
    parallel::forEachIndex(tiles.size(), [&](std::size_t k) {
        TriangleScanner own(scanner);
        Refiner refiner(tiles[k], own, pickNwDiagonal(tiles[k], own), threshold);
        made[k].met = refiner.run(maxFaces, false, cancel, &faces);
        refiner.dropQueue();
        if (made[k].met && !cancelled())
            coarsenMesh(tiles[k], refiner, own, threshold, cancel);
        DelaunayMesh& mesh = refiner.mesh();
        made[k].errors = std::move(refiner.errors());
        made[k].errors.growTo(mesh.triangleCount(), 0.0);
        made[k].corners = mesh.takeCorners();
        made[k].twins = mesh.takeTwins();
        made[k].points = mesh.takePoints();
    });
    Refined out;
    out.errorMet = !cancelled() &&
                   std::all_of(made.begin(), made.end(), [](const TileMesh& m) { return m.met; });
    if (!out.errorMet)
        return out;
    ChunkedArray<double> errors;
    DelaunayMesh mesh = joinTiles(grid, made, errors);
    // The fixed points are free now that the tiles are one mesh: coarsening tries them, the
    // cuts' crossings and their neighbours, whose own choice the fixed points weighed on, again.
    const auto gridCorner = [&grid](GridPoint p) {
        return (p.column == 0 || p.column == grid.columns - 1) &&
               (p.row == 0 || p.row == grid.rows - 1);
    };
    std::vector<std::uint64_t> keyed;
    for (std::uint32_t t = 0; t < mesh.triangleCount(); ++t) {
        if (!mesh.alive(t) || !(cuts.onCut(mesh.corner(t, 0)) || cuts.onCut(mesh.corner(t, 1)) ||
                                cuts.onCut(mesh.corner(t, 2))))
            continue;
        for (int k = 0; k < 3; ++k) {
            const GridPoint p = mesh.corner(t, k);
            if (!gridCorner(p))
                keyed.push_back(static_cast<std::uint64_t>(mortonCode(p)) << 32 | pack(p));
        }
    }
    const std::vector<PackedPoint> order = curveOrder(std::move(keyed));
    Coarsener coarsener({0, 0}, {grid.columns - 1, grid.rows - 1}, mesh, scanner, threshold,
                        errors);
    for (int pass = 0; pass < kJoinedPasses && coarsener.pass(order, cancel) > 0; ++pass) {
    }
    if (cancelled())
        out.errorMet = false;
    out.faces = static_cast<std::size_t>(liveFaces(mesh));
    out.error = largestError(mesh, errors);
    out.corners = mesh.takeCorners();
    out.points = mesh.takePoints();
    return out;
}

} // namespace grondel::terrain::detail
