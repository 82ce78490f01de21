#include "model3do/file_names.h"

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

} // namespace grondel
