#include "files/save_file.h"

#include "files/native_file.h"
#include "files/show_path.h"

#include <algorithm>
#include <atomic>
#include <random>

namespace grondel::files {

namespace {

using Text = std::filesystem::path::string_type;

// A temporary file older than this, unlocked, was left by a save that was killed.
constexpr std::chrono::seconds kAbandonedAfter{60};

// What every temporary file of target starts with: a dot, the target's name (cut to stay
// within the 255 units a folder entry may hold), a dot.
Text temporaryPrefix(const std::filesystem::path& target) {
    Text name = target.filename().native();
    constexpr std::size_t kKeep = 200;
    if (name.size() > kKeep) {
        name.resize(kKeep);
        // Cut at a character's start: UTF-8 continuation bytes, a UTF-16 high surrogate.
        while (!name.empty() && ((sizeof(name[0]) == 1 && (name.back() & 0xC0) == 0x80) ||
                                 (sizeof(name[0]) == 2 && (name.back() & 0xFC00) == 0xD800)))
            name.pop_back();
        if (sizeof(name[0]) == 1 && !name.empty() && (name.back() & 0x80))
            name.pop_back(); // the lead byte of the character just cut
    }
    Text prefix;
    prefix.push_back('.');
    prefix += name;
    prefix.push_back('.');
    return prefix;
}

constexpr std::size_t kTagDigits = 8;
constexpr std::string_view kTemporaryEnd = ".tmp";

// Whether name is one of target's temporary files: its prefix, a tag of hex digits, ".tmp".
bool isTemporaryOf(const Text& name, const Text& prefix) {
    if (name.size() != prefix.size() + kTagDigits + kTemporaryEnd.size() ||
        name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t k = 0; k < kTagDigits; ++k) {
        const auto c = name[prefix.size() + k];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return std::equal(kTemporaryEnd.begin(), kTemporaryEnd.end(),
                      name.begin() + static_cast<std::ptrdiff_t>(prefix.size() + kTagDigits));
}

// A name no other save picks: the prefix, then a random tag, so a file left by a crash says
// what it belonged to.
std::filesystem::path temporaryName(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    const unsigned tag = random() ^ (counter.fetch_add(1) * 0x9E3779B9u);
    constexpr char kDigits[] = "0123456789abcdef";
    Text result = temporaryPrefix(target);
    for (int shift = 4 * (kTagDigits - 1); shift >= 0; shift -= 4)
        result.push_back(static_cast<Text::value_type>(kDigits[(tag >> shift) & 0xF]));
    for (const char c : kTemporaryEnd)
        result.push_back(static_cast<Text::value_type>(c));
    return target.parent_path() / std::filesystem::path(result);
}

// Removes what saves to target that were killed left behind: its own temporary files, old and
// no longer locked by a save in progress.
void removeAbandoned(const std::filesystem::path& target) {
    const Text prefix = temporaryPrefix(target);
    for (const Text& name : native::namesStartingWith(target.parent_path(), prefix))
        if (isTemporaryOf(name, prefix))
            native::removeIfAbandoned(target.parent_path() / std::filesystem::path(name),
                                      kAbandonedAfter);
}

// Writes, keeps the old permissions, flushes and closes the new file; the first failure wins.
std::string fillAndClose(native::Handle handle, const FileToSave& file, const native::Status& old) {
    std::string error;
    try {
        error = file.produce ? file.produce([handle](std::string_view bytes) {
            return native::writeAll(handle, bytes);
        })
                             : native::writeAll(handle, file.bytes);
    } catch (...) {
        (void)native::closeFile(handle);
        throw;
    }
    if (error.empty() && old.kind == native::Kind::regular)
        error = native::keepPermissions(handle, old.permissions);
    if (error.empty())
        error = native::flushToDisk(handle);
    std::string closed = native::closeFile(handle);
    return error.empty() ? closed : error;
}

// One file written to its temporary beside the target, flushed, ready to be renamed over it.
struct Prepared {
    std::filesystem::path target;
    std::filesystem::path temporary; // empty when nothing was written
};

// Writes the file's bytes to a new temporary file beside its target: the first half of a save.
SaveResult prepare(const FileToSave& file, Prepared& ready) {
    const std::filesystem::path& path = file.path;
    if (path.empty())
        return {"No file name was given"};
    std::string error;
    const std::filesystem::path target = native::resolveLinks(path, error);
    if (!error.empty())
        return {error};

    // A folder, pipe or device is never what saving a model means; refuse before writing.
    const native::Status old = native::inspect(target);
    if (!old.error.empty())
        return {old.error};
    if (old.kind == native::Kind::folder)
        return {showPath(target) + " is a folder"};
    if (old.kind == native::Kind::other)
        return {showPath(target) + " is not a regular file"};

    removeAbandoned(target);
    std::filesystem::path temporary;
    native::Opened created;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryName(target);
        created = native::createNew(temporary);
        if (!created.exists)
            break;
    }
    if (created.exists)
        return {"Could not find a free name for a temporary file"};
    if (!created.error.empty())
        return {created.error};

    try {
        error = fillAndClose(created.handle, file, old);
    } catch (...) {
        native::removeQuietly(temporary);
        throw;
    }
    if (!error.empty()) {
        native::removeQuietly(temporary);
        return {error};
    }
    ready = {target, temporary};
    return {};
}

} // namespace

SaveResult saveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    return saveFilesAtomically({{path, bytes}}).front();
}

std::vector<SaveResult> saveFilesAtomically(const std::vector<FileToSave>& files) {
    std::vector<SaveResult> results(files.size());
    std::vector<Prepared> ready(files.size());
    bool allReady = true;
    try {
        for (std::size_t k = 0; k < files.size() && allReady; ++k) {
            results[k] = prepare(files[k], ready[k]);
            allReady = results[k].ok();
        }
    } catch (...) {
        for (const Prepared& prepared : ready)
            if (!prepared.temporary.empty())
                native::removeQuietly(prepared.temporary);
        throw;
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
        if (ready[k].temporary.empty())
            continue;
        if (allReady) {
            if (std::string error = native::renameOver(ready[k].temporary, ready[k].target);
                !error.empty()) {
                results[k] = {error};
                allReady = false; // the files after it stay as they were
            }
        }
        if (!results[k].ok() || !allReady)
            native::removeQuietly(ready[k].temporary);
    }
    // A file not tried because one before it failed keeps no result of its own: say why.
    for (std::size_t k = 0; k < files.size(); ++k)
        if (results[k].ok() && ready[k].temporary.empty())
            results[k] = {"Not written, as another file of the save could not be"};
    return results;
}

std::vector<SaveResult> saveFilesIntoFolder(const std::filesystem::path& folder,
                                            const std::vector<FileToSave>& files) {
    std::error_code ignored;
    const bool made = std::filesystem::create_directory(folder, ignored);
    std::vector<SaveResult> saved = saveFilesAtomically(files);
    const bool all =
        std::all_of(saved.begin(), saved.end(), [](const SaveResult& s) { return s.ok(); });
    if (!all && made)
        std::filesystem::remove(folder, ignored); // only if empty
    return saved;
}

} // namespace grondel::files
