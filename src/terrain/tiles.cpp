#include "terrain/meshes.h"

#include <algorithm>
#include <string>

namespace grondel {

static_assert((kTileSquares + 1) * (kTileSquares + 1) <= kGameMaxVertices);
static_assert((kTileSquares + 1) * (kTileSquares + 1) <= kGameMaxTextureVertices);
static_assert(2 * kTileSquares * kTileSquares <= kGameMaxFaces);

std::vector<MeshShape> cutIntoTiles(int columns, int rows) {
    std::vector<MeshShape> tiles;
    if (columns < kMinTerrainEdge || rows < kMinTerrainEdge)
        return tiles;
    const int tilesAcross = (columns - 2) / kTileSquares + 1;
    const int tilesDown = (rows - 2) / kTileSquares + 1;
    for (int tileRow = 0; tileRow < tilesDown; ++tileRow) {
        for (int tileColumn = 0; tileColumn < tilesAcross; ++tileColumn) {
            const int i0 = tileColumn * kTileSquares, i1 = std::min(i0 + kTileSquares, columns - 1);
            const int j0 = tileRow * kTileSquares, j1 = std::min(j0 + kTileSquares, rows - 1);
            MeshShape& tile = tiles.emplace_back();
            tile.name = "tile" + std::to_string(tileColumn) + '_' + std::to_string(tileRow);
            for (int j = j0; j <= j1; ++j)
                for (int i = i0; i <= i1; ++i)
                    tile.points.push_back({i, j});
            const int across = i1 - i0 + 1;
            for (int j = j0; j < j1; ++j) {
                for (int i = i0; i < i1; ++i) {
                    const int a = (j - j0) * across + (i - i0);
                    const int b = a + across, c = a + 1, d = b + 1;
                    tile.faces.push_back({a, b, d});
                    tile.faces.push_back({d, c, a});
                }
            }
        }
    }
    return tiles;
}

} // namespace grondel
