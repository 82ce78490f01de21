#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace grondel::files {

// A program's command line as UTF-8 strings on Windows (read with GetCommandLineW, so names in
// any script reach the program whatever the ANSI code page) and as the bytes of argv elsewhere.
// argv[0] included. The program's own main() stays a plain main(int, char**).
std::vector<std::string> programArguments(int argc, char** argv);

// The file a command-line argument names: its bytes unchanged on POSIX, UTF-8 turned into UTF-16
// on Windows. (std::filesystem::path(std::string) on Windows reads the ANSI code page instead,
// which garbles every non-ASCII name.) Invalid UTF-8 on Windows becomes U+FFFD.
std::filesystem::path pathFromArgument(std::string_view argument);

} // namespace grondel::files
