#pragma once

// The few steps of reading and saving that differ between POSIX and Windows, one small function
// each. Only the files library uses them; every error is one line of text, empty on success.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace grondel::files::native {

// A file descriptor on POSIX, a HANDLE on Windows.
using Handle = std::intptr_t;

enum class Kind { missing, regular, folder, other };

// What a path names, its links followed.
struct Status {
    Kind kind = Kind::missing;
    unsigned permissions = 0; // POSIX permission bits of a regular file; 0 on Windows
    std::string error;        // set when the path could not be looked at (not for a missing one)
};
Status inspect(const std::filesystem::path& path);

// The file a path finally names once every symbolic link in its last part is followed; the path
// itself when it names no link or nothing yet.
std::filesystem::path resolveLinks(const std::filesystem::path& path, std::string& error);

// Opens an existing file for reading without ever blocking (a pipe or device swapped in after
// inspect() is refused here) and says how many bytes it holds.
struct Opened {
    Handle handle = -1;
    std::uint64_t size = 0;
    bool exists = false;       // createNew(): the name was taken, try another
    Kind kind = Kind::regular; // openForReading(): a folder or other kind refused
    std::string error;
};
Opened openForReading(const std::filesystem::path& path);

// Reads up to size bytes into buffer, retrying when interrupted; sets got (0 at the end).
std::string readSome(Handle handle, char* buffer, std::size_t size, std::size_t& got);

// Creates a new file for writing that did not exist before (exclusive creation), with the
// permissions a new file gets from the umask or the folder. It stays locked until closed (an
// exclusive flock on POSIX, no sharing on Windows), so removeIfAbandoned() leaves it alone.
Opened createNew(const std::filesystem::path& path);

// Writes every byte, looping over partial writes and interruptions.
std::string writeAll(Handle handle, std::string_view bytes);

// Gives the new file the permission bits of the file it replaces (nothing to do on Windows).
std::string keepPermissions(Handle handle, unsigned permissions);

// Waits until the file's bytes are on the disk (fsync, FlushFileBuffers).
std::string flushToDisk(Handle handle);

std::string closeFile(Handle handle);

// Puts from in place of to in one step, replacing an existing file (rename, MoveFileExW), and
// makes the change itself reach the disk where the platform allows.
std::string renameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes a temporary file after a failure; a failure to remove it is not reported.
void removeQuietly(const std::filesystem::path& path);

// The names in folder that start with prefix (no folder part), in no order; none when the
// folder cannot be listed.
std::vector<std::filesystem::path::string_type>
namesStartingWith(const std::filesystem::path& folder,
                  const std::filesystem::path::string_type& prefix);

// Removes the regular file at path when it was last written more than age ago and no one holds
// it open locked (a save killed before it could clean up); otherwise leaves it. Says nothing.
void removeIfAbandoned(const std::filesystem::path& path, std::chrono::seconds age);

// The system's one-line text for an errno value.
std::string errnoText(int error);

} // namespace grondel::files::native
