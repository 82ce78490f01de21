#include "parallel/parallel.h"
#include "terrain/meshes.h"
#include "terrain/sort_keys.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <span>
#include <string>

namespace grondel {
namespace {

// A triangle by its places in the two orders the pieces are cut in: by three times its
// centroid's column, then row, then number ("along x"), and by row, then column, then number.
// Unique whole numbers, so a cut is a cheap comparison and its result the same however made.
struct Item {
    std::uint32_t alongX = 0;
    std::uint32_t alongY = 0;
};

// Key of an order: the sort's leading coordinate sum, the other, the triangle's number. Each sum
// of three coordinates up to kMaxGridCoordinate takes 18 bits, the number 28.
constexpr int kMaxGridCoordinate = 65535;
constexpr int kNumberBits = 28;
constexpr std::uint64_t kNumberMask = (std::uint64_t{1} << kNumberBits) - 1;
std::uint64_t orderKey(std::uint32_t leading, std::uint32_t other, std::uint32_t triangle) {
    return std::uint64_t{leading} << 46 | std::uint64_t{other} << kNumberBits | triangle;
}

class Partitioner {
public:
    Partitioner(const Triangulation& mesh, double spacingX, double spacingY, MeshLimits limits)
        : mesh_(mesh)
        , spacingX_(spacingX)
        , spacingY_(spacingY)
        , limits_(limits) {
        const std::size_t n = mesh.triangles.size();
        sumX_.resize(n);
        sumY_.resize(n);
        for (std::size_t t = 0; t < n; ++t) {
            const Triangle& tri = mesh.triangles[t];
            const GridPoint a = mesh.points[tri.a], b = mesh.points[tri.b], c = mesh.points[tri.c];
            sumX_[t] = static_cast<std::uint32_t>(a.column + b.column + c.column);
            sumY_[t] = static_cast<std::uint32_t>(a.row + b.row + c.row);
        }
        items_.resize(n);
        // The two orders at once, each on a thread of its own.
        parallel::forEachIndex(2, [&](std::size_t order) {
            const bool alongX = order == 0;
            std::vector<std::uint64_t> keys(n);
            for (std::size_t t = 0; t < n; ++t)
                keys[t] = alongX ? orderKey(sumX_[t], sumY_[t], static_cast<std::uint32_t>(t))
                                 : orderKey(sumY_[t], sumX_[t], static_cast<std::uint32_t>(t));
            terrain::detail::sortKeys(keys, kNumberBits); // the numbers count up
            std::vector<std::uint32_t>& byPlace = alongX ? byPlaceX_ : byPlaceY_;
            byPlace.resize(n);
            for (std::size_t place = 0; place < n; ++place) {
                const auto t = static_cast<std::uint32_t>(keys[place] & kNumberMask);
                byPlace[place] = t;
                (alongX ? items_[t].alongX : items_[t].alongY) = static_cast<std::uint32_t>(place);
            }
        });
    }

    // Every piece, in order, within limits.
    std::vector<MeshShape> pieces() {
        splitEverywhere();
        // Each group's triangles in increasing order, by one pass over the triangles.
        std::vector<std::uint32_t> groupOf(mesh_.triangles.size());
        std::vector<std::size_t> start(groups_.size() + 1, 0);
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            for (const Item& item : groups_[g])
                groupOf[byPlaceX_[item.alongX]] = static_cast<std::uint32_t>(g);
            start[g + 1] = start[g] + groups_[g].size();
        }
        std::vector<std::uint32_t> triangles(mesh_.triangles.size());
        std::vector<std::size_t> next(start.begin(), start.end() - 1);
        for (std::size_t t = 0; t < groupOf.size(); ++t)
            triangles[next[groupOf[t]]++] = static_cast<std::uint32_t>(t);

        std::vector<MeshShape> out(groups_.size());
        // Each piece is made on its own, on every thread there is.
        std::vector<std::vector<std::uint32_t>> local(parallel::workersFor(groups_.size()));
        parallel::forEachIndexOnWorkers(
            groups_.size(), local.size(), [&](std::size_t worker, std::size_t g) {
                if (local[worker].empty())
                    local[worker].assign(mesh_.points.size(), kUnused);
                const std::span<const std::uint32_t> group(triangles.data() + start[g],
                                                           start[g + 1] - start[g]);
                out[g] = makePiece(group, "mesh" + std::to_string(g), local[worker]);
            });
        return out;
    }

private:
    static constexpr std::uint32_t kUnused = 0xffffffffu;

    // Marks of the points a count of vertices has seen, each count its own stamp.
    struct Marks {
        std::vector<std::uint32_t> marks;
        std::uint32_t stamp = 0;
    };

    // Whether items make a group: one triangle, or within the limits.
    bool fits(std::span<const Item> items, Marks& marks) const {
        return items.size() == 1 ||
               (items.size() <= static_cast<std::size_t>(limits_.maxFaces) &&
                vertexCount(items, marks) <= static_cast<std::size_t>(limits_.maxVertices));
    }

    // Splits items until every group fits, appending the groups in order to groups_: the cuts
    // nearest the whole first, on this thread, until there are parts enough for every thread,
    // then each part on its own. The groups are those of cutting depth first on one thread.
    void splitEverywhere() {
        // Each thread marks points in an array as long as the points: a few threads are enough
        // for cuts this cheap.
        const std::size_t workers = parallel::workersFor(SIZE_MAX, 4);
        std::vector<Marks> marks(workers);
        for (Marks& m : marks)
            m.marks.assign(mesh_.points.size(), 0u);
        std::vector<std::span<Item>> parts{std::span<Item>(items_)};
        for (bool cutAny = true; cutAny && parts.size() < 4 * workers && workers > 1;) {
            // The parts of a level are cut at once, each reordering its own items alone.
            constexpr std::size_t kWhole = SIZE_MAX;
            std::vector<std::size_t> firsts(parts.size(), kWhole);
            parallel::forEachIndexOnWorkers(
                parts.size(), workers, [&](std::size_t worker, std::size_t k) {
                    if (!parts[k].empty() && !fits(parts[k], marks[worker]))
                        firsts[k] = cut(parts[k]);
                });
            cutAny = false;
            std::vector<std::span<Item>> finer;
            for (std::size_t k = 0; k < parts.size(); ++k) {
                if (firsts[k] == kWhole) {
                    finer.push_back(parts[k]);
                    continue;
                }
                finer.push_back(parts[k].first(firsts[k]));
                finer.push_back(parts[k].subspan(firsts[k]));
                cutAny = true;
            }
            parts = std::move(finer);
        }
        std::vector<std::vector<std::span<Item>>> groups(parts.size());
        parallel::forEachIndexOnWorkers(
            parts.size(), workers,
            [&](std::size_t worker, std::size_t k) { split(parts[k], marks[worker], groups[k]); });
        for (const auto& part : groups)
            groups_.insert(groups_.end(), part.begin(), part.end());
    }

    // Splits items until every group fits, appending the groups in order.
    void split(std::span<Item> items, Marks& marks, std::vector<std::span<Item>>& groups) const {
        if (items.empty())
            return;
        if (fits(items, marks)) {
            groups.push_back(items);
            return;
        }
        const std::size_t first = cut(items);
        split(items.first(first), marks, groups);
        split(items.subspan(first), marks, groups);
    }

    // Reorders items, more than one, so that the first part of them, whose size it returns,
    // lies before the rest along the longer way of their spread in world units.
    std::size_t cut(std::span<Item> items) const {
        const std::size_t n = items.size();
        const auto maxFaces = static_cast<std::size_t>(limits_.maxFaces);
        // Pieces this group needs at the least; the first part takes a whole number of them.
        const std::size_t pieces = std::max<std::size_t>(2, (n + maxFaces - 1) / maxFaces);
        const std::size_t first = n * (pieces / 2) / pieces;

        // The spread in world units: a coordinate grows with its place in its order.
        std::uint32_t lowX = items[0].alongX, highX = lowX, lowY = items[0].alongY, highY = lowY;
        for (const Item& item : items) {
            lowX = std::min(lowX, item.alongX);
            highX = std::max(highX, item.alongX);
            lowY = std::min(lowY, item.alongY);
            highY = std::max(highY, item.alongY);
        }
        const auto world = [](std::uint32_t sum, double spacing) {
            return static_cast<double>(sum) * spacing;
        };
        const bool alongX =
            world(sumX_[byPlaceX_[highX]], spacingX_) - world(sumX_[byPlaceX_[lowX]], spacingX_) >=
            world(sumY_[byPlaceY_[highY]], spacingY_) - world(sumY_[byPlaceY_[lowY]], spacingY_);
        if (alongX)
            selectFirst(items, first, lowX, highX, [](Item i) { return i.alongX; });
        else
            selectFirst(items, first, lowY, highY, [](Item i) { return i.alongY; });
        return first;
    }

    // Reorders items so that the first `first` of them are those of the smallest places, place
    // being one of the two orders (unique, low to high). By buckets of places: a count of each,
    // the items moved by bucket below, holding or above the one where the first part ends,
    // without a branch on where each goes, then nth_element in that bucket alone, which holds
    // no more than a 2048th of the places' range.
    template <typename Place>
    static void selectFirst(std::span<Item> items, std::size_t first, std::uint32_t low,
                            std::uint32_t high, Place place) {
        constexpr int kBucketBits = 11;
        const int shift = std::max(0, static_cast<int>(std::bit_width(high - low)) - kBucketBits);
        std::array<std::uint32_t, (1u << kBucketBits) + 1> count{};
        for (const Item& item : items)
            ++count[(place(item) - low) >> shift];
        std::uint32_t bucket = 0;
        std::size_t below = 0;
        while (below + count[bucket] <= first)
            below += count[bucket++];
        // Cursors of the three parts: below, holding, above.
        std::array<std::size_t, 3> at{0, below, below + count[bucket]};
        std::vector<Item> moved(items.size());
        for (const Item& item : items) {
            const std::uint32_t b = (place(item) - low) >> shift;
            moved[at[(b >= bucket ? 1u : 0u) + (b > bucket ? 1u : 0u)]++] = item;
        }
        std::copy(moved.begin(), moved.end(), items.begin());
        const auto holding = items.subspan(below, count[bucket]);
        std::nth_element(holding.begin(),
                         holding.begin() + static_cast<std::ptrdiff_t>(first - below),
                         holding.end(), [&place](Item l, Item r) { return place(l) < place(r); });
    }

    std::uint32_t corner(std::uint32_t t, int k) const {
        const Triangle& tri = mesh_.triangles[t];
        return k == 0 ? tri.a : k == 1 ? tri.b : tri.c;
    }

    std::size_t vertexCount(std::span<const Item> items, Marks& marks) const {
        ++marks.stamp;
        if (marks.stamp == 0) { // wrapped: start the marks afresh
            std::fill(marks.marks.begin(), marks.marks.end(), 0u);
            marks.stamp = 1;
        }
        std::size_t count = 0;
        for (const Item& item : items) {
            for (int k = 0; k < 3; ++k) {
                std::uint32_t& mark = marks.marks[corner(byPlaceX_[item.alongX], k)];
                if (mark != marks.stamp) {
                    mark = marks.stamp;
                    ++count;
                }
            }
        }
        return count;
    }

    // The piece of triangles, in increasing order. local: kUnused for every point, and so
    // again on return.
    MeshShape makePiece(std::span<const std::uint32_t> triangles, std::string name,
                        std::vector<std::uint32_t>& local) const {
        MeshShape piece;
        piece.name = std::move(name);
        piece.faces.reserve(triangles.size());
        std::vector<std::uint32_t> used;
        for (const std::uint32_t t : triangles) {
            std::array<int, 3>& face = piece.faces.emplace_back();
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t point = corner(t, k);
                if (local[point] == kUnused) {
                    local[point] = static_cast<std::uint32_t>(piece.points.size());
                    piece.points.push_back(mesh_.points[point]);
                    used.push_back(point);
                }
                face[static_cast<std::size_t>(k)] = static_cast<int>(local[point]);
            }
        }
        for (const std::uint32_t point : used)
            local[point] = kUnused;
        return piece;
    }

    const Triangulation& mesh_;
    double spacingX_, spacingY_;
    MeshLimits limits_;
    std::vector<std::uint32_t> sumX_, sumY_;         // by triangle
    std::vector<std::uint32_t> byPlaceX_, byPlaceY_; // the triangle at each place of an order
    std::vector<Item> items_;                        // by triangle, then cut into groups
    std::vector<std::span<Item>> groups_;
};

} // namespace

std::vector<MeshShape> cutTriangulation(const Triangulation& mesh, double spacingX, double spacingY,
                                        std::string& error, MeshLimits limits) {
    constexpr int kMostInMesh = 65536;
    if (limits.maxFaces < 1 || limits.maxFaces > kMostInMesh || limits.maxVertices < 3 ||
        limits.maxVertices > kMostInMesh) {
        const std::string most = std::to_string(kMostInMesh);
        error = "a mesh must be allowed 1 to " + most + " faces and 3 to " + most + " vertices";
        return {};
    }
    if (!(std::isfinite(spacingX) && spacingX > 0 && std::isfinite(spacingY) && spacingY > 0)) {
        error = "the grid spacing must be a finite number above 0";
        return {};
    }
    if (mesh.triangles.size() > kNumberMask) {
        error =
            "a triangulation to cut holds at most " + std::to_string(kNumberMask) + " triangles";
        return {};
    }
    for (const GridPoint& p : mesh.points) {
        if (p.column < 0 || p.column > kMaxGridCoordinate || p.row < 0 ||
            p.row > kMaxGridCoordinate) {
            error = "a point of the triangulation lies outside columns and rows 0 to " +
                    std::to_string(kMaxGridCoordinate);
            return {};
        }
    }
    const std::size_t pointCount = mesh.points.size();
    for (const Triangle& tri : mesh.triangles) {
        if (tri.a >= pointCount || tri.b >= pointCount || tri.c >= pointCount) {
            error = "a triangle refers to a point that is not in the triangulation";
            return {};
        }
    }
    return Partitioner(mesh, spacingX, spacingY, limits).pieces();
}

} // namespace grondel
