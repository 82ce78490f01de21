#include "model3do/game_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

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

namespace {

// At most 40 characters of untrusted text, anything unprintable as '?', so a message stays one
// line.
std::string printable(std::string_view text) {
    std::string out(text.substr(0, 40));
    for (char& c : out)
        if (c < 0x20 || c > 0x7e)
            c = '?';
    return text.size() > 40 ? out + "..." : out;
}

} // namespace

std::string optionText(double value) {
    std::array<char, 32> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::general, 6);
    return std::string(buffer.data(), written.ptr);
}

std::string optionsProblem(const GameModelOptions& options) {
    const std::string scales = optionText(kMinGameScale) + " to " + optionText(kMaxGameScale);
    for (const auto& [scale, axis] :
         {std::pair{options.scaleX, "X"}, std::pair{options.scaleY, "Y"},
          std::pair{options.scaleZ, "Z"}})
        if (!isGameScale(scale))
            return std::string("scale ") + axis + " " + optionText(scale) + " is outside " + scales;
    if (!isTexelsPerUnit(options.texelsPerUnit))
        return "texels per unit " + optionText(options.texelsPerUnit) + " is outside " +
               optionText(kMinTexelsPerUnit) + " to " + optionText(kMaxTexelsPerUnit);
    if (!isMaterialName(options.material))
        return "the material \"" + printable(options.material) +
               "\" is not a plain file name ending in .mat of at most " +
               std::to_string(kMaxMaterialNameLength) + " characters";
    return {};
}

} // namespace grondel
