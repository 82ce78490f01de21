// The Windows side of reading and saving: wide names, HANDLEs, GetLastError() for the reasons.

#include "files/native_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cwctype>
#include <system_error>
#include <windows.h>

namespace grondel::files::native {

namespace {

HANDLE handleOf(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string windowsText(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return errnoText(ENOENT);
    case ERROR_ACCESS_DENIED:
        return errnoText(EACCES);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "No space left on device";
    case ERROR_FILE_TOO_LARGE:
        return "File too large";
    case ERROR_FILENAME_EXCED_RANGE:
        return "File name too long";
    case ERROR_INVALID_NAME:
        return "The file name is not valid on Windows";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "The file is in use by another program";
    case ERROR_WRITE_PROTECT:
        return "Read-only file system";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return "Broken pipe";
    default:
        break;
    }
    std::string text = std::system_category().message(static_cast<int>(code));
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    while (!text.empty() && (text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "Windows error " + std::to_string(code) : text;
}

std::string lastError() {
    return windowsText(::GetLastError());
}

// Past MAX_PATH (260 units) the classic calls fail unless the name is absolute and starts with
// \\?\ , which also turns off the renaming of "." and ".." parts: resolve those first.
std::wstring longName(const std::filesystem::path& path) {
    const std::wstring& name = path.native();
    if (name.size() < 240 || name.rfind(LR"(\\?\)", 0) == 0)
        return name;
    std::error_code code;
    std::wstring full = std::filesystem::absolute(path, code).native();
    if (code)
        return name;
    std::replace(full.begin(), full.end(), L'/', L'\\');
    if (full.rfind(LR"(\\)", 0) == 0)
        return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

// CON, NUL, COM1, LPT1 and the like name devices in every folder, with any extension.
bool isDeviceName(const std::filesystem::path& path) {
    if (path.native().rfind(LR"(\\.\)", 0) == 0)
        return true;
    std::wstring stem = path.filename().native();
    stem = stem.substr(0, stem.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (wchar_t& c : stem)
        c = static_cast<wchar_t>(std::towupper(c));
    static const std::array<std::wstring, 6> kNames = {L"CON", L"PRN",    L"AUX",
                                                       L"NUL", L"CONIN$", L"CONOUT$"};
    if (std::find(kNames.begin(), kNames.end(), stem) != kNames.end())
        return true;
    return stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

} // namespace

std::string errnoText(int error) {
    return std::generic_category().message(error);
}

Status inspect(const std::filesystem::path& path) {
    if (isDeviceName(path))
        return {Kind::other, 0, {}};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(longName(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return {};
        return {Kind::missing, 0, windowsText(code)};
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return {Kind::folder, 0, {}};
    return {Kind::regular, 0, {}};
}

std::filesystem::path resolveLinks(const std::filesystem::path& path, std::string&) {
    // Only a reparse point (a symbolic link or junction) needs the file system's final name.
    const std::wstring name = longName(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (isDeviceName(path) || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    const HANDLE file =
        ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return path; // a dangling link: the save replaces the link itself
    std::wstring final(32768, L'\0');
    const DWORD size =
        ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0);
    ::CloseHandle(file);
    if (size == 0 || size >= final.size())
        return path;
    final.resize(size);
    return std::filesystem::path(final);
}

Opened openForReading(const std::filesystem::path& path) {
    const HANDLE file = ::CreateFileW(longName(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {-1, 0, false, Kind::missing, lastError()};
    Opened result{reinterpret_cast<Handle>(file), 0, false, Kind::regular, {}};
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER size{};
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        result.kind = Kind::other;
        result.error = "not a regular file";
    } else if (!::GetFileInformationByHandle(file, &info) || !::GetFileSizeEx(file, &size)) {
        result.error = lastError();
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        result.kind = Kind::folder;
        result.error = "not a regular file";
    }
    if (!result.error.empty()) {
        ::CloseHandle(file);
        result.handle = -1;
    }
    result.size = static_cast<std::uint64_t>(size.QuadPart);
    return result;
}

std::string readSome(Handle handle, char* buffer, std::size_t size, std::size_t& got) {
    DWORD count = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::ReadFile(handleOf(handle), buffer, chunk, &count, nullptr))
        return lastError();
    got = count;
    return {};
}

Opened createNew(const std::filesystem::path& path) {
    // Not shared: nothing else opens the file before it is complete and renamed.
    const HANDLE file = ::CreateFileW(longName(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        const bool taken = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
        return {-1, 0, taken, Kind::missing, windowsText(code)};
    }
    return {reinterpret_cast<Handle>(file), 0, false, Kind::regular, {}};
}

std::string writeAll(Handle handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD count = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!::WriteFile(handleOf(handle), bytes.data(), chunk, &count, nullptr))
            return lastError();
        bytes.remove_prefix(count);
    }
    return {};
}

std::string keepPermissions(Handle, unsigned) {
    // Windows keeps access rules on the folder: the new file inherits them as the old one did.
    return {};
}

std::string flushToDisk(Handle handle) {
    return ::FlushFileBuffers(handleOf(handle)) ? std::string() : lastError();
}

std::string closeFile(Handle handle) {
    return ::CloseHandle(handleOf(handle)) ? std::string() : lastError();
}

std::string renameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    // A virus scanner or indexer may hold the old file open for a moment: try a few times.
    const std::wstring source = longName(from);
    const std::wstring target = longName(to);
    DWORD code = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::MoveFileExW(source.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        code = ::GetLastError();
        if (code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION &&
            code != ERROR_ACCESS_DENIED)
            break;
        ::Sleep(20);
    }
    return windowsText(code);
}

void removeQuietly(const std::filesystem::path& path) {
    ::DeleteFileW(longName(path).c_str());
}

std::vector<std::filesystem::path::string_type>
namesStartingWith(const std::filesystem::path& folder,
                  const std::filesystem::path::string_type& prefix) {
    std::vector<std::filesystem::path::string_type> names;
    WIN32_FIND_DATAW found;
    const std::filesystem::path pattern = (folder.empty() ? std::filesystem::path(L".") : folder) /
                                          std::filesystem::path(prefix + L"*");
    const HANDLE search = ::FindFirstFileW(longName(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.emplace_back(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

void removeIfAbandoned(const std::filesystem::path& path, std::chrono::seconds age) {
    // Asking for no sharing fails while anyone has the file open; deletion waits for the close.
    const HANDLE file =
        ::CreateFileW(longName(path).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILE_BASIC_INFO info{};
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](LARGE_INTEGER t) { return t.QuadPart; };
    LARGE_INTEGER current;
    current.LowPart = now.dwLowDateTime;
    current.HighPart = static_cast<LONG>(now.dwHighDateTime);
    constexpr long long kTicksPerSecond = 10'000'000; // FILETIME counts 100 ns
    if (::GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info) &&
        !(info.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        ticks(current) - ticks(info.LastWriteTime) > age.count() * kTicksPerSecond) {
        FILE_DISPOSITION_INFO dispose{TRUE};
        ::SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
    }
    ::CloseHandle(file);
}

} // namespace grondel::files::native
