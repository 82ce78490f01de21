#include "export/game_model.h"

// Placeholder until the game model writer lands: refuses every grid.
namespace grondel {

std::optional<std::string> formatGameModel(const HeightMap&, int, const GameModelOptions&) {
    return std::nullopt;
}

SaveResult saveGameModel(const QString& path, const HeightMap& grid, int edge,
                         const GameModelOptions& options) {
    const auto model = formatGameModel(grid, edge, options);
    if (!model)
        return {QStringLiteral("The game model cannot be made from this heightmap.")};
    return saveFileAtomically(path, *model);
}

} // namespace grondel
