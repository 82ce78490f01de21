#include "files/save_file.h"

#include "files/native_file.h"
#include "files/show_path.h"

#include <atomic>
#include <random>

namespace grondel::files {

namespace {

// A name no other save picks: the target's name (cut to stay within the 255 units a folder
// entry may hold), then a random tag, so a file left by a crash says what it belonged to.
std::filesystem::path temporaryName(const std::filesystem::path& target) {
    using Text = std::filesystem::path::string_type;
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
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
    const unsigned tag = random() ^ (counter.fetch_add(1) * 0x9E3779B9u);
    constexpr char kDigits[] = "0123456789abcdef";
    Text suffix;
    for (int shift = 28; shift >= 0; shift -= 4)
        suffix.push_back(static_cast<Text::value_type>(kDigits[(tag >> shift) & 0xF]));
    Text result;
    result.push_back('.');
    result += name;
    result.push_back('.');
    result += suffix;
    for (const char c : std::string_view(".tmp"))
        result.push_back(static_cast<Text::value_type>(c));
    return target.parent_path() / std::filesystem::path(result);
}

// Writes, keeps the old permissions, flushes and closes the new file; the first failure wins.
std::string fillAndClose(native::Handle handle, std::string_view bytes, const native::Status& old) {
    std::string error = native::writeAll(handle, bytes);
    if (error.empty() && old.kind == native::Kind::regular)
        error = native::keepPermissions(handle, old.permissions);
    if (error.empty())
        error = native::flushToDisk(handle);
    std::string closed = native::closeFile(handle);
    return error.empty() ? closed : error;
}

} // namespace

SaveResult saveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
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

    error = fillAndClose(created.handle, bytes, old);
    if (error.empty())
        error = native::renameOver(temporary, target);
    if (!error.empty()) {
        native::removeQuietly(temporary);
        return {error};
    }
    return {};
}

} // namespace grondel::files
