#include "terrain/game_options.h"

#include "model3do/file_names.h"
#include "model3do/limits.h"
#include "model3do/number_text.h"

#include <cmath>

namespace grondel {
namespace {

bool within(double value, double low, double high) {
    return value >= low && value <= high; // false for NaN
}

std::string range(double low, double high) {
    return messageNumber(low) + " to " + messageNumber(high);
}

} // namespace

std::optional<OptionProblem> gameOptionsProblem(const GameTerrainOptions& options) {
    const GameModelOptions& model = options.model;
    const std::string scales = "must be a number from " + range(kMinGameScale, kMaxGameScale);
    if (!within(model.scaleX, kMinGameScale, kMaxGameScale))
        return OptionProblem{GameOption::ScaleX, scales};
    if (!within(model.scaleY, kMinGameScale, kMaxGameScale))
        return OptionProblem{GameOption::ScaleY, scales};
    if (!within(model.scaleZ, kMinGameScale, kMaxGameScale))
        return OptionProblem{GameOption::ScaleZ, scales};
    if (!isMaterialName(model.material))
        return OptionProblem{GameOption::Material,
                             "must be a file name like " + GameModelOptions{}.material +
                                 ": letters, digits, _ - + and ., at most " +
                                 std::to_string(kGameMaxMaterialNameLength) + " characters"};
    if (!within(model.texelsPerUnit, kMinTexelsPerUnit, kMaxTexelsPerUnit))
        return OptionProblem{GameOption::TexelsPerUnit,
                             "must be a number from " +
                                 range(kMinTexelsPerUnit, kMaxTexelsPerUnit)};
    const int edge = options.terrain.edge;
    const int most = options.simplified() ? kMaxSimplifiedEdge : kMaxFullGridEdge;
    if (edge != 0 && (edge < kMinTerrainEdge || edge > most))
        return OptionProblem{GameOption::Edge,
                             "must be a whole number from " + range(kMinTerrainEdge, most) +
                                 (options.simplified()
                                      ? ""
                                      : " (" + std::to_string(kMaxSimplifiedEdge) +
                                            " with a largest error or a face budget)")};
    if (options.maxError && !within(*options.maxError, 0.0, kMaxErrorBound))
        return OptionProblem{GameOption::MaxError,
                             "must be a number of world units from " + range(0.0, kMaxErrorBound)};
    if (options.maxFaces && *options.maxFaces < kMinFaceBudget)
        return OptionProblem{GameOption::MaxFaces, "must be a whole number of at least " +
                                                       std::to_string(kMinFaceBudget)};
    const std::string sides = "must be a power of two from " + std::to_string(kMinTextureSide) +
                              " to " + std::to_string(kMaxTextureSide);
    if (options.texture.source != TextureSource::None) {
        if (!textureSideProblem(options.texture.size).empty())
            return OptionProblem{GameOption::TextureSize, sides};
        if (options.texture.source == TextureSource::Picture && !options.texture.picture)
            return OptionProblem{GameOption::Texture, "has no picture"};
    }
    if (model.textureSize != 0 && !textureSideProblem(model.textureSize).empty())
        return OptionProblem{GameOption::TextureSize, sides};
    return std::nullopt;
}

std::string_view optionName(GameOption option) {
    switch (option) {
    case GameOption::ScaleX:
        return "scale X";
    case GameOption::ScaleY:
        return "scale Y";
    case GameOption::ScaleZ:
        return "scale Z";
    case GameOption::Material:
        return "the material";
    case GameOption::TexelsPerUnit:
        return "texels per unit";
    case GameOption::Edge:
        return "the grid edge";
    case GameOption::MaxError:
        return "the largest error";
    case GameOption::MaxFaces:
        return "the face budget";
    case GameOption::TextureSize:
        return "the texture size";
    case GameOption::Texture:
        return "the texture";
    }
    return "an option";
}

std::string describe(const OptionProblem& problem) {
    return std::string(optionName(problem.option)) + " " + problem.problem;
}

} // namespace grondel
