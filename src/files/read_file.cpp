#include "files/read_file.h"

#include "files/native_file.h"
#include "files/show_path.h"

#include <algorithm>
#include <cerrno>

namespace grondel::files {

namespace {

// The caller names the file: the reason does not repeat it.
std::string kindError(native::Kind kind) {
    return kind == native::Kind::folder ? "It is a folder"
                                        : "It is not a regular file but a pipe, device or socket";
}

std::string tooLarge(std::size_t limit) {
    return "The file is larger than the limit of " + std::to_string(limit) + " bytes";
}

// Opens a file for reading once it is known to be a regular file; the reason when it is not.
std::string openRegular(const std::filesystem::path& path, native::Opened& file) {
    if (path.empty())
        return "No file name was given";
    // Looked at before opening: opening a device may do something, a pipe may wait for a writer.
    const native::Status status = native::inspect(path);
    if (!status.error.empty())
        return status.error;
    if (status.kind == native::Kind::missing)
        return native::errnoText(ENOENT);
    if (status.kind != native::Kind::regular)
        return kindError(status.kind);
    file = native::openForReading(path);
    if (!file.error.empty())
        return file.kind == native::Kind::regular || file.kind == native::Kind::missing
                   ? file.error
                   : kindError(file.kind);
    return {};
}

} // namespace

ReadResult readFileBounded(const std::filesystem::path& path, std::size_t limit) {
    native::Opened file;
    if (std::string error = openRegular(path, file); !error.empty())
        return {{}, error};
    if (file.size > limit) {
        native::closeFile(file.handle);
        return {{}, tooLarge(limit)};
    }

    // The size said is a hint only: the file may grow or shrink while it is read. Read until
    // the end, but never more than one byte past the limit.
    ReadResult result;
    result.bytes.resize(std::min<std::uint64_t>(file.size, limit) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == result.bytes.size()) {
            if (filled > limit)
                break;
            result.bytes.resize(std::min(limit + 1, std::max<std::size_t>(filled * 2, 4096)));
        }
        std::size_t got = 0;
        result.error = native::readSome(file.handle, result.bytes.data() + filled,
                                        result.bytes.size() - filled, got);
        if (!result.error.empty() || got == 0)
            break;
        filled += got;
    }
    native::closeFile(file.handle);
    result.bytes.resize(filled);
    if (result.error.empty() && filled > limit)
        result.error = tooLarge(limit);
    else if (result.error.empty() && filled == 0)
        result.error = "The file is empty";
    if (!result.error.empty())
        result.bytes.clear();
    return result;
}

FileInPieces::FileInPieces(const std::filesystem::path& path) {
    native::Opened file;
    error_ = openRegular(path, file);
    if (error_.empty())
        handle_ = file.handle;
}

FileInPieces::~FileInPieces() {
    if (handle_ != -1)
        native::closeFile(handle_);
}

std::string_view FileInPieces::next() {
    // Large enough that the system calls cost little beside the reading itself.
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    if (handle_ == -1)
        return {};
    buffer_.resize(kPiece);
    std::size_t got = 0;
    error_ = native::readSome(handle_, buffer_.data(), buffer_.size(), got);
    if (!error_.empty() || got == 0) {
        native::closeFile(handle_);
        handle_ = -1;
        return {};
    }
    return std::string_view(buffer_.data(), got);
}

} // namespace grondel::files
