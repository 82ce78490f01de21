#include "files/arguments.h"

#ifdef _WIN32
// shellapi.h needs the types windows.h declares.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#endif

namespace grondel::files {

#ifdef _WIN32
namespace {

std::string toUtf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back(); // the terminating zero
    return out;
}

} // namespace

std::vector<std::string> programArguments(int argc, char** argv) {
    // argv holds the names in the ANSI code page: a letter outside it is already lost there.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(toUtf8(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

std::filesystem::path pathFromArgument(std::string_view argument) {
    if (argument.empty())
        return {};
    const auto length = static_cast<int>(argument.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, argument.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, argument.data(), length, wide.data(), size);
    return std::filesystem::path(std::move(wide));
}
#else
std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path pathFromArgument(std::string_view argument) {
    return std::filesystem::path(std::string(argument));
}
#endif

} // namespace grondel::files
