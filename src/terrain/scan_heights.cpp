// The scanner's heights: laid out block by block, in place or from a copy, each block's bounds
// and its own plane, and laid back out in rows.
#include "parallel/parallel.h"
#include "terrain/triangle_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace grondel::terrain::detail {
namespace {

constexpr int kBlock = TriangleScanner::kBlock;

// grid's heights, in a vector with room for them block by block.
std::vector<double> copyWithRoom(const TerrainGrid& grid) {
    std::vector<double> copy;
    copy.reserve(TriangleScanner::roomFor(grid.columns, grid.rows));
    copy.assign(grid.heights.begin(), grid.heights.end());
    return copy;
}

} // namespace

TriangleScanner::TriangleScanner(const TerrainGrid& grid, std::optional<double> printScale)
    : TriangleScanner(copyWithRoom(grid), grid.columns, grid.rows, printScale) {}

void TriangleScanner::fitBlocks(Heights& heights, int columns, int rows) {
    const int blocksAcross = heights.blocksAcross, blocksDown = (rows + kBlock - 1) / kBlock;
    heights.fits.resize(static_cast<std::size_t>(blocksAcross) * blocksDown);
    // Offsets from the block's middle: their squares sum to kBlock * 42 on each axis.
    constexpr double kMiddle = (kBlock - 1) / 2.0, kSquares = kBlock * 42.0;
    static_assert(kBlock == 8);
    parallel::forEachIndex(static_cast<std::size_t>(blocksDown), [&](std::size_t band) {
        for (int bx = 0; bx < blocksAcross; ++bx) {
            const std::size_t block =
                band * static_cast<std::size_t>(blocksAcross) + static_cast<std::size_t>(bx);
            Heights::Fit& fit = heights.fits[block];
            if ((bx + 1) * kBlock > columns || (static_cast<int>(band) + 1) * kBlock > rows) {
                fit.residual = std::numeric_limits<double>::infinity();
                continue;
            }
            const double* h = heights.tiled.data() + block * (kBlock * kBlock);
            double sum = 0, across = 0, down = 0;
            for (int j = 0; j < kBlock; ++j) {
                for (int i = 0; i < kBlock; ++i) {
                    const double v = h[j * kBlock + i];
                    sum += v;
                    across += (i - kMiddle) * v;
                    down += (j - kMiddle) * v;
                }
            }
            fit.slopeX = across / kSquares;
            fit.slopeY = down / kSquares;
            fit.base = sum / (kBlock * kBlock) - kMiddle * (fit.slopeX + fit.slopeY);
            double residual = 0;
            for (int j = 0; j < kBlock; ++j)
                for (int i = 0; i < kBlock; ++i)
                    residual =
                        std::max(residual, std::abs(h[j * kBlock + i] -
                                                    (fit.base + fit.slopeX * i + fit.slopeY * j)));
            fit.residual = residual;
        }
    });
}

std::size_t TriangleScanner::roomFor(int columns, int rows) {
    const auto across = static_cast<std::size_t>((columns + kBlock - 1) / kBlock);
    const auto down = static_cast<std::size_t>((rows + kBlock - 1) / kBlock);
    return across * down * kBlock * kBlock;
}

TriangleScanner::TriangleScanner(std::vector<double>&& given, int columns, int rows,
                                 std::optional<double> printScale) {
    auto heights = std::make_shared<Heights>();
    std::vector<double>& h = heights->tiled;
    h = std::move(given);
    const int blocksAcross = heights->blocksAcross = (columns + kBlock - 1) / kBlock;
    const int blocksDown = (rows + kBlock - 1) / kBlock;
    const auto blocks = static_cast<std::size_t>(blocksAcross) * blocksDown;
    heights->low.assign(blocks, std::numeric_limits<double>::infinity());
    heights->high.assign(blocks, -std::numeric_limits<double>::infinity());
    const auto width = static_cast<std::size_t>(columns);
    // Each height as printed and each block's bounds, still row by row: a band of blocks a
    // thread, each band's blocks its own.
    std::vector<double> largest(static_cast<std::size_t>(blocksDown), 0.0);
    parallel::forEachIndex(static_cast<std::size_t>(blocksDown), [&](std::size_t band) {
        const int y0 = static_cast<int>(band) * kBlock, y1 = std::min(rows, y0 + kBlock);
        const std::size_t base = band * static_cast<std::size_t>(blocksAcross);
        double bandLargest = 0;
        double* low = heights->low.data() + base;
        double* high = heights->high.data() + base;
        for (int y = y0; y < y1; ++y) {
            double* row = h.data() + static_cast<std::size_t>(y) * width;
            if (printScale) {
                const double scale = *printScale;
                for (int x = 0; x < columns; ++x)
                    row[x] = heightAsPrinted(row[x], scale);
            }
            // Each block's run of the row in registers, then once into its bounds.
            for (int x0 = 0, bx = 0; x0 < columns; x0 += kBlock, ++bx) {
                const int x1 = std::min(columns, x0 + kBlock);
                double runLow = row[x0], runHigh = row[x0], runLargest = std::abs(row[x0]);
                for (int x = x0 + 1; x < x1; ++x) {
                    runLow = std::min(runLow, row[x]);
                    runHigh = std::max(runHigh, row[x]);
                    runLargest = std::max(runLargest, std::abs(row[x]));
                }
                low[bx] = std::min(low[bx], runLow);
                high[bx] = std::max(high[bx], runHigh);
                bandLargest = std::max(bandLargest, runLargest);
            }
        }
        largest[band] = bandLargest;
    });
    for (const double l : largest)
        heights->maxAbs = std::max(heights->maxAbs, l);
    // Rows to blocks. A band's blocks take the vector from kBlock rows of padded width on, at
    // or past where its rows start, and reach no further back than the next band's rows: so
    // from the last band to the first, each band's rows put aside first, nothing is overwritten
    // before it is read. The padding holds zeros.
    h.resize(roomFor(columns, rows));
    const std::size_t bandSize = static_cast<std::size_t>(blocksAcross) * kBlock * kBlock;
    std::vector<double> aside(static_cast<std::size_t>(kBlock) * width);
    for (int band = blocksDown - 1; band >= 0; --band) {
        const int y0 = band * kBlock, count = std::min(kBlock, rows - y0);
        const auto first = h.begin() + static_cast<std::ptrdiff_t>(y0) * columns;
        std::copy(first, first + static_cast<std::ptrdiff_t>(count) * columns, aside.begin());
        std::fill_n(h.begin() +
                        static_cast<std::ptrdiff_t>(band) * static_cast<std::ptrdiff_t>(bandSize),
                    bandSize, 0.0);
        // A block's row at a time: kBlock heights side by side in both layouts.
        for (int r = 0; r < count; ++r)
            for (int x = 0; x < columns; x += kBlock)
                std::copy_n(aside.begin() + static_cast<std::ptrdiff_t>(r) * columns + x,
                            std::min(kBlock, columns - x),
                            h.begin() +
                                static_cast<std::ptrdiff_t>(tiledIndex(blocksAcross, x, y0 + r)));
    }
    fitBlocks(*heights, columns, rows);
    heights_ = std::move(heights);
}

std::vector<double> TriangleScanner::heightsInRows(int columns, int rows) {
    std::vector<double>& h = heights_->tiled;
    const int blocksAcross = heights_->blocksAcross;
    const int blocksDown = (rows + kBlock - 1) / kBlock;
    const auto width = static_cast<std::size_t>(columns);
    const std::size_t bandSize = static_cast<std::size_t>(blocksAcross) * kBlock * kBlock;
    // Blocks to rows: the other way round, from the first band to the last.
    std::vector<double> aside(bandSize);
    for (int band = 0; band < blocksDown; ++band) {
        const int y0 = band * kBlock, count = std::min(kBlock, rows - y0);
        const auto first =
            h.begin() + static_cast<std::ptrdiff_t>(band) * static_cast<std::ptrdiff_t>(bandSize);
        std::copy(first, first + static_cast<std::ptrdiff_t>(bandSize), aside.begin());
        for (int r = 0; r < count; ++r)
            for (int x = 0; x < columns; x += kBlock)
                std::copy_n(aside.begin() + static_cast<std::ptrdiff_t>(
                                                tiledIndex(blocksAcross, x, y0 + r) -
                                                static_cast<std::size_t>(band) * bandSize),
                            std::min(kBlock, columns - x),
                            h.begin() + static_cast<std::ptrdiff_t>(y0 + r) * columns + x);
    }
    h.resize(width * static_cast<std::size_t>(rows));
    std::vector<double> out = std::move(h);
    heights_.reset();
    return out;
}

} // namespace grondel::terrain::detail
