#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace grondel::files {

// The outcome of a save: an empty error means every byte reached the disk under the target's name.
struct SaveResult {
    std::string error; // one line, fit to show after the file's name: "Permission denied"

    bool ok() const { return error.empty(); }
};

// Writes bytes to path as a whole or not at all. They go to a new temporary file in the target's
// folder (created exclusively, permissions as the umask allows), which is flushed to the disk and
// then renamed over the target. Any failure leaves the target as it was and removes the
// temporary file. The temporary file is locked while it is written; temporary files of the same
// target that a killed save left behind (more than a minute old and unlocked) are removed first.
// - An existing target keeps its permission bits (POSIX; on Windows the new file takes the
//   folder's access rules, and a read-only target is refused by the rename).
// - A symbolic link is followed: its target is written and the link stays a link. (On Windows
//   through the file system's final name for it; a link to nothing is replaced by the file.)
// - A target that exists and is not a regular file (folder, pipe, device, socket) is refused
//   before anything is written: "<name> is a folder", "<name> is not a regular file".
// - Other reasons are the system's text: "No such file or directory", "Permission denied",
//   "No space left on device", "File too large". The last needs SIGXFSZ ignored in a process
//   that may run under a file-size limit (`ulimit -f`); otherwise the system ends the process.
// path may name anything a user typed: its bytes reach the file system unchanged (wide on
// Windows). "-" is not special here. Safe to call from several threads for different targets.
SaveResult saveFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Hands bytes on to the file, one call after another; returns "" or the system's reason they
// could not be written.
using WriteBytes = std::function<std::string(std::string_view bytes)>;

// Files saved together: each written and flushed to its temporary file first, as above; only
// when every one is ready are they renamed over their targets, in order. So a failure while
// writing leaves every target as it was; only a rename that fails after others succeeded (rare:
// the files are complete by then) leaves those before it written. A result for each file.
struct FileToSave {
    std::filesystem::path path;
    std::string_view bytes;
    // When set, the file's bytes instead: what it hands to the writer it is given, which may be
    // called from any thread, one call at a time (a text written as it is made, never whole).
    // It returns "" or why the bytes could not all be made or written, the writer's reason when
    // the writer failed; the save then fails with that reason. An exception from it leaves the
    // target as it was, and goes on to the caller.
    std::function<std::string(const WriteBytes& write)> produce = {};
};
std::vector<SaveResult> saveFilesAtomically(const std::vector<FileToSave>& files);

// saveFilesAtomically, with folder (where some of the files go; its parent must exist) made
// first when it is not there, and taken away again when not every file was saved and it is
// still empty: a model and the material folder beside it, both or neither.
std::vector<SaveResult> saveFilesIntoFolder(const std::filesystem::path& folder,
                                            const std::vector<FileToSave>& files);

} // namespace grondel::files
