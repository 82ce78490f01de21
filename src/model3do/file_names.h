#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace grondel {

// Model files end in ".3do".
inline constexpr char kModelSuffix[] = ".3do";

// The save dialog's rule: ".3do" is appended unless the path's last four characters are exactly
// ".3do", case and all (so "x.3DO" becomes "x.3DO.3do"; a path shorter than four characters
// gets it too).
std::string withModelSuffix(std::string path);

// Where the converter puts an image's model: the image's path with the suffix of its file name
// (from the last dot) replaced by ".3do", or ".3do" appended when it has none. A leading dot
// starts a hidden file's name, not a suffix.
std::filesystem::path modelPathBeside(const std::filesystem::path& image);

// The name of the material made for a model of this path: its file name's stem, lowercase (the
// game lowercases every name it reads), anything but letters, digits, '_', '-', '+' and '.' as
// '_', cut so that with ".mat" it is at most kGameMaxMaterialNameLength characters.
std::string materialNameFor(const std::filesystem::path& model);
// Where the game looks for a model's materials, beside the model: the folder of that name.
inline constexpr char kMaterialFolder[] = "mat";

// A material the game can find by this name, such as "dflt.mat": letters, digits, '_', '-', '+'
// and '.', ending in ".mat" (any case) after at least one character, at most
// kGameMaxMaterialNameLength characters in all.
bool isMaterialName(std::string_view name);

} // namespace grondel
