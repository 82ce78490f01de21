#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace grondel::files {

// The bytes of a file, or why they could not be read.
struct ReadResult {
    std::string bytes; // the whole file, byte for byte (binary on every platform)
    std::string error; // empty on success; otherwise one line fit to show after the file's name

    bool ok() const { return error.empty(); }
};

// Reads a whole regular file of 1 to limit bytes. path is untrusted: it may name anything.
// Refuses, without blocking and without reading past limit + 1 bytes:
// - a missing or unreadable file (the system's reason: "No such file or directory",
//   "Permission denied"),
// - a folder ("It is a folder"), a pipe, device or socket ("It is not a regular file but ..."),
//   checked before opening and again on the opened file, so one swapped in cannot block,
// - an empty file ("The file is empty"),
// - a file over limit ("The file is larger than the limit of <limit> bytes").
ReadResult readFileBounded(const std::filesystem::path& path, std::size_t limit);

// A regular file read from its start a piece at a time, for files too large to hold whole.
// Refuses what readFileBounded refuses (a missing or unreadable file, a folder, a pipe, device or
// socket) the same way, except an empty file, and sets no limit.
class FileInPieces {
public:
    explicit FileInPieces(const std::filesystem::path& path);
    ~FileInPieces();
    FileInPieces(const FileInPieces&) = delete;
    FileInPieces& operator=(const FileInPieces&) = delete;

    // The next piece of the file, valid until the next call; empty at the end or once the file
    // could not be opened or read.
    std::string_view next();
    // Why the file could not be opened or read; empty while all is well.
    const std::string& error() const { return error_; }

private:
    std::intptr_t handle_ = -1;
    std::string buffer_;
    std::string error_;
};

} // namespace grondel::files
