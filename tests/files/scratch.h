#pragma once

// A temporary folder and whole-file helpers on the standard library alone, for tests that must
// also run on Windows (under Wine).

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace grondel::testing {

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
            auto candidate = base / ("grondel-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate))
                root_ = candidate;
        }
    }
    ~ScratchFolder() {
        std::error_code code;
        // Folders a test made read-only must be writable again to be emptied.
        for (auto it = std::filesystem::recursive_directory_iterator(root_, code);
             it != std::filesystem::recursive_directory_iterator(); it.increment(code))
            if (it->is_directory(code) && !it->is_symlink(code))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, code);
        std::filesystem::remove_all(root_, code);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return root_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return root_ / name;
    }

private:
    std::filesystem::path root_;
};

inline std::filesystem::path reachable(const std::filesystem::path& path);

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream file(reachable(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline bool writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

// The name to give the standard library on Windows for a path past MAX_PATH (260 units).
inline std::filesystem::path reachable(const std::filesystem::path& path) {
#ifdef _WIN32
    if (path.native().size() >= 240 && !path.native().starts_with(LR"(\\?\)")) {
        std::wstring full = std::filesystem::absolute(path).native();
        std::replace(full.begin(), full.end(), L'/', L'\\');
        return std::filesystem::path(LR"(\\?\)" + full);
    }
#endif
    return path;
}

// Every entry of a folder, hidden ones included: a stray temporary file shows up here.
inline std::set<std::filesystem::path> entries(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> names;
#ifdef _WIN32
    // MinGW's directory_iterator on a name past MAX_PATH silently lists the current folder.
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = reachable(folder).native() + L"\\*";
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found))
        if (std::wstring_view(found.cFileName) != L"." &&
            std::wstring_view(found.cFileName) != L"..")
            names.insert(found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        ::FindClose(search);
#else
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename());
#endif
    return names;
}

} // namespace grondel::testing
