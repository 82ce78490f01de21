#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace grondel::testing {

// The whole file as bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// A file of the source tree, such as a golden model.
inline std::filesystem::path sourcePath(std::string_view relative) {
    return std::filesystem::path(GRONDEL_SOURCE_DIR) / relative;
}

// A fresh folder of its own for one test, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device seed;
        const auto base = std::filesystem::temp_directory_path();
        do
            path_ = base / ("grondel-test-" + std::to_string(seed()));
        while (!std::filesystem::create_directory(path_));
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

} // namespace grondel::testing
