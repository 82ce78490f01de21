// The POSIX side of reading and saving: plain descriptors, errno for every reason.

#include "files/native_file.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace grondel::files::native {

namespace {

int fd(Handle handle) {
    return static_cast<int>(handle);
}

std::string lastError() {
    return errnoText(errno);
}

} // namespace

std::string errnoText(int error) {
    return std::generic_category().message(error);
}

Status inspect(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        return {Kind::missing, 0, lastError()};
    }
    if (S_ISDIR(info.st_mode))
        return {Kind::folder, 0, {}};
    if (!S_ISREG(info.st_mode))
        return {Kind::other, 0, {}};
    return {Kind::regular, static_cast<unsigned>(info.st_mode & 07777), {}};
}

std::filesystem::path resolveLinks(const std::filesystem::path& path, std::string& error) {
    // Follow the chain one link at a time, as the kernel would, up to its own limit.
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code code;
        if (!std::filesystem::is_symlink(current, code))
            return current;
        const std::filesystem::path next = std::filesystem::read_symlink(current, code);
        if (code) {
            error = code.message();
            return {};
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    error = errnoText(ELOOP);
    return {};
}

Opened openForReading(const std::filesystem::path& path) {
    // O_NONBLOCK: opening a pipe with no writer returns at once instead of waiting for one.
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return {-1, 0, false, Kind::missing, lastError()};
    struct stat info {};
    Opened result{file, 0, false, Kind::regular, {}};
    if (::fstat(file, &info) != 0)
        result.error = lastError();
    else if (!S_ISREG(info.st_mode)) {
        result.kind = S_ISDIR(info.st_mode) ? Kind::folder : Kind::other;
        result.error = "not a regular file";
    }
    if (!result.error.empty()) {
        ::close(file);
        result.handle = -1;
    }
    result.size = static_cast<std::uint64_t>(info.st_size);
    return result;
}

std::string readSome(Handle handle, char* buffer, std::size_t size, std::size_t& got) {
    for (;;) {
        const ssize_t count = ::read(fd(handle), buffer, size);
        if (count >= 0) {
            got = static_cast<std::size_t>(count);
            return {};
        }
        if (errno != EINTR)
            return lastError();
    }
}

Opened createNew(const std::filesystem::path& path) {
    // 0666 less the umask, as any new file; keepPermissions() copies an old file's bits later.
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (file < 0)
        return {-1, 0, errno == EEXIST, Kind::missing, lastError()};
    // Nobody else has it yet, so this cannot wait; a file system without locks goes unlocked.
    (void)::flock(file, LOCK_EX | LOCK_NB);
    return {file, 0, false, Kind::regular, {}};
}

std::string writeAll(Handle handle, std::string_view bytes) {
#ifdef __linux__
    const off_t start = ::lseek(fd(handle), 0, SEEK_CUR);
    const auto size = static_cast<off_t>(bytes.size());
#endif
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd(handle), bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
#ifdef __linux__
    // The disk starts on what is written while the rest is made, a MiB at a time, so the flush
    // at the end waits for little more than the last MiB (many small writes at once fill the
    // disk's queue, and each start then waits for it). A file of less than a MiB goes in that
    // one flush: starting each piece early cost more than it saved.
    constexpr int kStep = 20;
    const off_t end = start + size, from = start >> kStep << kStep;
    if (start >= 0 && end >> kStep != start >> kStep)
        (void)::sync_file_range(fd(handle), from, end - from, SYNC_FILE_RANGE_WRITE);
#endif
    return {};
}

std::string keepPermissions(Handle handle, unsigned permissions) {
    return ::fchmod(fd(handle), static_cast<mode_t>(permissions)) == 0 ? std::string()
                                                                       : lastError();
}

std::string flushToDisk(Handle handle) {
    while (::fsync(fd(handle)) != 0) {
        if (errno != EINTR)
            return lastError();
    }
    return {};
}

std::string closeFile(Handle handle) {
    // A failed close can be a delayed write error (NFS); the descriptor is gone either way.
    return ::close(fd(handle)) == 0 || errno == EINTR ? std::string() : lastError();
}

std::string renameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    // The new name reaches the disk with the folder's own flush; a failure here loses nothing
    // that is already written, so it is not reported.
    std::filesystem::path folder = to.parent_path();
    if (folder.empty())
        folder = ".";
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
    return {};
}

void removeQuietly(const std::filesystem::path& path) {
    ::unlink(path.c_str());
}

std::vector<std::filesystem::path::string_type>
namesStartingWith(const std::filesystem::path& folder,
                  const std::filesystem::path::string_type& prefix) {
    std::vector<std::filesystem::path::string_type> names;
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!listing)
        return names;
    while (const dirent* entry = ::readdir(listing))
        if (std::string_view(entry->d_name).starts_with(prefix))
            names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

void removeIfAbandoned(const std::filesystem::path& path, std::chrono::seconds age) {
    const int file =
        ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file < 0)
        return;
    struct stat status {};
    const bool old = ::fstat(file, &status) == 0 && S_ISREG(status.st_mode) &&
                     std::time(nullptr) - status.st_mtime > age.count();
    // A save still writing holds the lock; one that was killed holds nothing.
    if (old && ::flock(file, LOCK_EX | LOCK_NB) == 0)
        ::unlink(path.c_str());
    ::close(file);
}

} // namespace grondel::files::native
