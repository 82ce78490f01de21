#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace grondel {

// How the game model is scaled and textured.
struct GameModelOptions {
    double scaleX = 1.0; // world units per 0.5 grid step across columns
    double scaleY = 1.0; // ... across rows
    double scaleZ = 1.0; // multiplies the height cell / 2097151
    std::string material = "dflt.mat";
    double texelsPerUnit = 320.0;

    friend bool operator==(const GameModelOptions&, const GameModelOptions&) = default;
};

// Accepted option ranges. Outside them the numbers would print past the game's line length or
// lose every digit to the precision the model is written with.
inline constexpr double kMinGameScale = 0.001;
inline constexpr double kMaxGameScale = 1000.0;
inline constexpr double kMinTexelsPerUnit = 0.001;
inline constexpr double kMaxTexelsPerUnit = 100000.0;
inline constexpr std::size_t kMaxMaterialNameLength = 31;

// A finite scale within kMinGameScale..kMaxGameScale.
bool isGameScale(double scale);
// A finite texel density within kMinTexelsPerUnit..kMaxTexelsPerUnit.
bool isTexelsPerUnit(double texels);
// A plain material file name such as "dflt.mat": letters, digits, '_', '-', '+' and '.', ending
// in ".mat" after at least one character, at most kMaxMaterialNameLength characters in all.
bool isMaterialName(std::string_view name);
// The first option out of its range, named with its value and range in one line ("scale X 0
// is outside 0.001 to 1000"), or an empty text when every option is within its range.
std::string optionsProblem(const GameModelOptions& options);
// A number as messages about options show it: up to 6 significant digits ("0.3", "1e+08").
std::string optionText(double value);

} // namespace grondel
