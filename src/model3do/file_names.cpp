#include "model3do/file_names.h"

#include "model3do/limits.h"

#include <algorithm>
#include <string_view>

namespace grondel {

std::string withModelSuffix(std::string path) {
    if (!std::string_view(path).ends_with(kModelSuffix))
        path += kModelSuffix;
    return path;
}

std::filesystem::path modelPathBeside(const std::filesystem::path& image) {
    std::filesystem::path model = image;
    const std::filesystem::path::string_type name = image.filename().native();
    const auto dot = name.rfind('.');
    if (dot != 0 && dot != std::filesystem::path::string_type::npos)
        return model.replace_extension(kModelSuffix);
    return model += kModelSuffix;
}

std::string materialNameFor(const std::filesystem::path& model) {
    constexpr std::string_view kSuffix = ".mat";
    const std::u8string stem = model.stem().u8string();
    std::string name;
    for (const char8_t c : stem) {
        if (name.size() + kSuffix.size() == kGameMaxMaterialNameLength)
            break;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                           c == '-' || c == '+' || c == '.';
        name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                : plain              ? static_cast<char>(c)
                                     : '_';
    }
    return (name.empty() ? "terrain" : name) + std::string(kSuffix);
}

bool isMaterialName(std::string_view name) {
    constexpr std::string_view kSuffix = ".mat";
    if (name.size() <= kSuffix.size() || name.size() > kGameMaxMaterialNameLength)
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

} // namespace grondel
