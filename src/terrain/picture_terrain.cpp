#include "terrain/picture_terrain.h"

#include "heightmap/heightmap.h"
#include "model3do/limits.h"
#include "parallel/parallel.h"
#include "terrain/tent.h"
#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace grondel {
namespace {

// The height of one pixel by the chosen rule.
double pixelHeight(const Picture& picture, int x, int y, TerrainHeights rule) {
    return rule == TerrainHeights::Grey ? picture.greyLevel(x, y) * kGreyHeightRange
                                        : heightOf(picture.packedColour(x, y));
}

// The heights of picture row y by the rule, into row. A grey picture without alpha is read
// straight from its samples, as greyLevel would read each of them.
void rowHeights(const Picture& picture, int y, TerrainHeights rule, std::vector<double>& row) {
    if (rule == TerrainHeights::Grey && picture.layout() == PictureLayout::Grey) {
        // The same arithmetic as greyLevel, so both roads give the same bits.
        const double max = picture.maxLevel();
        const auto height = [max](unsigned v) { return v / max * kGreyHeightRange; };
        if (picture.bitDepth() == 16)
            std::transform(picture.row16(y).begin(), picture.row16(y).end(), row.begin(), height);
        else
            std::transform(picture.row8(y).begin(), picture.row8(y).end(), row.begin(), height);
        return;
    }
    for (int x = 0; x < picture.width(); ++x)
        row[static_cast<std::size_t>(x)] = pixelHeight(picture, x, y, rule);
}

// Picture rows, or grid rows, handed to one thread at a time.
constexpr int kRowsAPiece = 32;

// Calls work(first, end) for consecutive runs of the rows 0..count - 1 on every thread.
template <typename Work>
void forEachRun(int count, Work&& work) {
    parallel::forEachIndex(static_cast<std::size_t>((count + kRowsAPiece - 1) / kRowsAPiece),
                           [&](std::size_t piece) {
                               const int first = static_cast<int>(piece) * kRowsAPiece;
                               work(first, std::min(count, first + kRowsAPiece));
                           });
}

TerrainGrid fitted(const Picture& picture, int columns, int rows, TerrainHeights rule) {
    TerrainGrid grid;
    grid.columns = columns;
    grid.rows = rows;
    // Room for the simplifier to rearrange the heights in place rather than copy them.
    grid.heights.reserve(terrain::detail::TriangleScanner::roomFor(columns, rows));
    grid.heights.resize(static_cast<std::size_t>(columns) * rows);
    if (columns == picture.width() && rows == picture.height()) {
        // A point a pixel: each tent holds its own pixel alone, at weight 1.
        forEachRun(rows, [&](int first, int end) {
            std::vector<double> pixelRow(static_cast<std::size_t>(columns));
            for (int y = first; y < end; ++y) {
                rowHeights(picture, y, rule, pixelRow);
                std::copy(pixelRow.begin(), pixelRow.end(),
                          grid.heights.begin() + static_cast<std::ptrdiff_t>(y) * columns);
            }
        });
        return grid;
    }
    const std::vector<Taps> across = tentTaps(picture.width(), columns);
    const std::vector<Taps> down = tentTaps(picture.height(), rows);
    // Across first, one picture row at a time, for the rows any grid point reads.
    std::vector<double> rowAcross(static_cast<std::size_t>(picture.height()) * columns);
    std::vector<bool> needed(static_cast<std::size_t>(picture.height()), false);
    for (const Taps& taps : down)
        std::fill_n(needed.begin() + taps.first, taps.weights.size(), true);
    forEachRun(picture.height(), [&](int first, int end) {
        std::vector<double> pixelRow(static_cast<std::size_t>(picture.width()));
        for (int y = first; y < end; ++y) {
            if (!needed[static_cast<std::size_t>(y)])
                continue;
            rowHeights(picture, y, rule, pixelRow);
            for (int c = 0; c < columns; ++c) {
                const Taps& taps = across[static_cast<std::size_t>(c)];
                double sum = 0.0;
                for (std::size_t k = 0; k < taps.weights.size(); ++k)
                    sum += taps.weights[k] * pixelRow[taps.first + k];
                rowAcross[static_cast<std::size_t>(y) * columns + c] = sum;
            }
        }
    });
    forEachRun(rows, [&](int first, int end) {
        for (int r = first; r < end; ++r) {
            const Taps& taps = down[static_cast<std::size_t>(r)];
            for (int c = 0; c < columns; ++c) {
                double sum = 0.0;
                for (std::size_t k = 0; k < taps.weights.size(); ++k)
                    sum += taps.weights[k] * rowAcross[(taps.first + k) * columns + c];
                grid.heights[static_cast<std::size_t>(r) * columns + c] = sum;
            }
        }
    });
    return grid;
}

} // namespace

TerrainGrid terrainFromPicture(const Picture& picture, const TerrainRequest& request,
                               std::string& error) {
    const int longer = std::max(picture.width(), picture.height());
    int edge = request.edge;
    if (picture.empty()) {
        error = "the picture is empty";
        return {};
    }
    if (edge == 0 && request.region == TerrainRegion::Fit)
        edge = std::min(longer, kMaxFullGridEdge);
    if (edge == 0 && picture.width() == picture.height())
        edge = picture.width();
    if (edge < kMinTerrainEdge || edge > kMaxSimplifiedEdge) {
        error = edge == 0 ? "the picture is not square; give the grid's edge"
                          : "the grid's edge " + std::to_string(edge) + " is outside " +
                                std::to_string(kMinTerrainEdge) + " to " +
                                std::to_string(kMaxSimplifiedEdge);
        return {};
    }

    TerrainGrid grid;
    if (request.region == TerrainRegion::Fit) {
        const int shorter = std::min(picture.width(), picture.height());
        const int across =
            std::max(kMinTerrainEdge,
                     static_cast<int>(std::lround(static_cast<double>(edge) * shorter / longer)));
        grid = picture.width() >= picture.height() ? fitted(picture, edge, across, request.heights)
                                                   : fitted(picture, across, edge, request.heights);
    } else {
        grid.columns = grid.rows = edge;
        grid.heights.reserve(terrain::detail::TriangleScanner::roomFor(edge, edge));
        grid.heights.resize(static_cast<std::size_t>(edge) * edge);
        for (int r = 0; r < edge; ++r)
            for (int c = 0; c < edge; ++c)
                grid.heights[static_cast<std::size_t>(r) * edge + c] =
                    picture.contains(c, r) ? pixelHeight(picture, c, r, request.heights) : 0.0;
    }
    grid.spacing = 0.5;
    return grid;
}

} // namespace grondel
