#include "terrain/refine.h"

#include "terrain/coarsen.h"
#include "terrain/delaunay_mesh.h"
#include "terrain/error_heap.h"
#include "terrain/sort_keys.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace grondel::terrain::detail {
namespace {

// Passes of coarsening over the points. A second pass, trying again the points whose
// neighbours went, takes out under 4% more faces for two fifths more coarsening time.
constexpr int kCoarseningPasses = 1;
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

// The greedy refinement: the mesh, each triangle's worst point, and the triangles whose worst
// point is beyond the threshold, largest error first.
class Refiner {
public:
    Refiner(const TerrainGrid& grid, TriangleScanner& scanner, bool nwDiagonal, double threshold)
        : scanner_(scanner)
        , threshold_(threshold)
        , mesh_(grid.columns, grid.rows, nwDiagonal) {
        rescan(0);
        rescan(1);
    }

    // Refines until no point's error exceeds the threshold (true) or the next point would take
    // the mesh past maxFaces (false); then, with keepBest, the mesh is the one of smallest error
    // on the way. (Without it the mesh is where the budget stopped it: a run meant to meet the
    // threshold, which a caller does not keep when the budget stops it, pays for no journal.)
    bool run(std::int64_t maxFaces, bool keepBest, const std::atomic<bool>* cancel) {
        const bool budgeted = keepBest && maxFaces < std::numeric_limits<std::int64_t>::max();
        if (budgeted)
            mesh_.keepJournal();
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
            // The worst triangle's error is the mesh's.
            if (budgeted && (errors_[t] <= best || mesh_.journalSize() > kMaxJournal)) {
                best = errors_[t];
                bestFaces = faces_;
                mesh_.markJournal();
            }
            const int added = mesh_.facesAdded(t, p);
            if (faces_ + added > maxFaces) {
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

    std::int64_t liveFaces() const {
        std::int64_t live = 0;
        for (std::uint32_t t = 0; t < mesh_.triangleCount(); ++t)
            live += mesh_.alive(t) ? 1 : 0;
        return live;
    }
    // The largest error over the grid: every grid point lies in a live triangle, whose last scan
    // (complete: no cap was passed) saw it.
    double largestError() const {
        double largest = 0;
        for (std::uint32_t t = 0; t < mesh_.triangleCount(); ++t) {
            if (mesh_.alive(t))
                largest = std::max(largest, errors_[t]);
        }
        return largest;
    }

    DelaunayMesh& mesh() { return mesh_; }
    // Each triangle slot's largest error, as its last scan found it.
    ChunkedArray<double>& errors() { return errors_; }
    // Frees what only refining needs.
    void dropQueue() {
        heap_ = {};
        candidates_ = {};
    }

private:
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

    TriangleScanner& scanner_;
    const double threshold_;
    DelaunayMesh mesh_;
    std::int64_t faces_ = 2; // live triangles
    ErrorHeap heap_;
    ChunkedArray<PackedPoint> candidates_; // the worst point of each triangle
    ChunkedArray<double> errors_;          // ... and its error
    std::vector<std::uint32_t> touched_;
};

// The diagonal whose two triangles leave the smaller error; the north-west one on a tie.
bool pickNwDiagonal(const TerrainGrid& grid, TriangleScanner& scanner) {
    const int x = grid.columns - 1;
    const int y = grid.rows - 1;
    const GridPoint nw{0, 0}, ne{x, 0}, se{x, y}, sw{0, y};
    const double viaNw = std::max(scanner.scan(nw, ne, se).error, scanner.scan(nw, se, sw).error);
    const double viaNe = std::max(scanner.scan(nw, ne, sw).error, scanner.scan(ne, se, sw).error);
    return viaNw <= viaNe;
}

// Takes out of the refiner's mesh the points whose removal keeps every grid point within
// threshold; the refiner's queue is left stale.
void coarsenMesh(const TerrainGrid& grid, Refiner& refiner, TriangleScanner& scanner,
                 double threshold, const std::atomic<bool>* cancel) {
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
        if (mesh.alive(e / 3) && !corner(mesh.from(e)))
            keyed.push_back(static_cast<std::uint64_t>(mortonCode(unpack(mesh.from(e)))) << 32 |
                            mesh.from(e));
    }
    sortKeys(keyed);
    keyed.erase(std::unique(keyed.begin(), keyed.end()), keyed.end());
    std::vector<PackedPoint> order(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i)
        order[i] = static_cast<PackedPoint>(keyed[i]);
    keyed = {};
    Coarsener coarsener(grid, mesh, scanner, threshold, errors);
    for (int pass = 0; pass < kCoarseningPasses; ++pass) {
        if (coarsener.pass(order, cancel) == 0)
            break;
    }
}

} // namespace

Refined refine(const TerrainGrid& grid, TriangleScanner& scanner, double threshold,
               std::int64_t maxFaces, Coarsening coarsening, const std::atomic<bool>* cancel) {
    Refined out;
    const bool nwDiagonal = pickNwDiagonal(grid, scanner);
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    std::optional<Refiner> made;
    bool coarsened = false;
    if (coarsening == Coarsening::Rounds && maxFaces <= kMaxOvershotBudget) {
        // Greedy insertion past the budget, to a smaller error, then coarsening at that error
        // back within it (at a larger error when that is not enough), and greedy insertion again
        // up to the budget.
        Refiner& refiner = made.emplace(grid, scanner, nwDiagonal, threshold);
        out.errorMet = refiner.run(maxFaces + maxFaces / 2, true, cancel);
        double at = out.errorMet ? threshold : refiner.largestError();
        for (int attempt = 0; refiner.liveFaces() > maxFaces && !cancelled(); ++attempt) {
            if (attempt == kCoarseningAttempts) {
                made.reset();
                break;
            }
            coarsenMesh(grid, refiner, scanner, at, cancel);
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
        made.emplace(grid, scanner, nwDiagonal, threshold);
        out.errorMet = made->run(maxFaces, coarsening == Coarsening::Rounds, cancel);
    }
    Refiner& refiner = *made;
    refiner.dropQueue();
    if (out.errorMet && !coarsened && !cancelled())
        coarsenMesh(grid, refiner, scanner, threshold, cancel);
    if (cancelled())
        out.errorMet = false;
    out.faces = static_cast<std::size_t>(refiner.liveFaces());
    out.error = refiner.largestError();
    DelaunayMesh& mesh = refiner.mesh();
    out.corners = mesh.takeCorners();
    out.points = mesh.takePoints();
    return out;
}

} // namespace grondel::terrain::detail
