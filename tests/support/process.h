#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace grondel::testing {

// How a program ran.
struct Ran {
    int status = -1; // the exit status; -1 when a signal ended it
    int signal = 0;  // the signal that ended it, or 0
    std::string out; // standard output, unless it went to outputFile
    std::string errors;
};

struct RunOptions {
    std::filesystem::path folder{};         // where it runs
    std::vector<std::string> environment{}; // "NAME=value" added to this process's own
    std::filesystem::path outputFile{};     // standard output goes here instead (e.g. /dev/full)
    bool outputClosed = false;              // standard output is a pipe nobody reads
    long long fileSizeLimit = -1;           // bytes any file it writes may grow to (ulimit -f)
    long long memoryLimit = -1;             // bytes of address space it may take (ulimit -v)
};

// Runs program with arguments (any bytes, none interpreted by a shell) and waits for it.
Ran runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const RunOptions& options = {});

} // namespace grondel::testing
