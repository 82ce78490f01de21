#include "model3do/game_options.h"

#include <algorithm>
#include <cmath>

namespace grondel {

bool isGameScale(double scale) {
    return std::isfinite(scale) && scale >= kMinGameScale && scale <= kMaxGameScale;
}

bool isTexelsPerUnit(double texels) {
    return std::isfinite(texels) && texels >= kMinTexelsPerUnit && texels <= kMaxTexelsPerUnit;
}

bool isMaterialName(std::string_view name) {
    constexpr std::string_view kSuffix = ".mat";
    if (name.size() <= kSuffix.size() || name.size() > kMaxMaterialNameLength)
        return false;
    const auto plain = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '+' || c == '.';
    };
    if (!std::all_of(name.begin(), name.end(), plain))
        return false;
    const std::string_view suffix = name.substr(name.size() - kSuffix.size());
    return std::equal(suffix.begin(), suffix.end(), kSuffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool isValid(const GameModelOptions& options) {
    return isGameScale(options.scaleX) && isGameScale(options.scaleY) &&
           isGameScale(options.scaleZ) && isTexelsPerUnit(options.texelsPerUnit) &&
           isMaterialName(options.material);
}

} // namespace grondel
