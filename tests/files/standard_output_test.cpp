#include "files/standard_output.h"
#include "scratch.h"

#include <cstdio>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

using grondel::files::writeStandardOutput;

namespace {

// Runs write with standard output sent to the file at path, and returns its result.
std::string withOutputTo(const std::filesystem::path& path,
                         const std::function<std::string()>& write) {
    std::fflush(stdout);
#ifdef _WIN32
    const HANDLE saved = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ::SetStdHandle(STD_OUTPUT_HANDLE, file);
    std::string result = write();
    ::SetStdHandle(STD_OUTPUT_HANDLE, saved);
    ::CloseHandle(file);
#else
    const int saved = ::dup(STDOUT_FILENO);
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(file, STDOUT_FILENO);
    ::close(file);
    std::string result = write();
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
#endif
    return result;
}

} // namespace

TEST(StandardOutput, WritesModelBytesUnchanged) {
    grondel::testing::ScratchFolder dir;
    const std::string model = "3DO 2.1\r\nline\nlast\r\n" + std::string(200'000, 'x') + "\r\n";
    const std::string error = withOutputTo(dir / "out", [&] { return writeStandardOutput(model); });
    EXPECT_EQ(error, "");
    EXPECT_EQ(grondel::testing::readBytes(dir / "out"), model) << "CR LF must stay CR LF";
}

#ifndef _WIN32
TEST(StandardOutput, AFullDeviceAndAClosedPipeSaySo) {
    EXPECT_EQ(withOutputTo("/dev/full", [] { return writeStandardOutput("model\r\n"); }),
              "No space left on device");

    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    ::close(channel[0]);
    const auto old = std::signal(SIGPIPE, SIG_IGN);
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(channel[1], STDOUT_FILENO);
    const std::string error = writeStandardOutput("model\r\n");
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(channel[1]);
    std::signal(SIGPIPE, old);
    EXPECT_EQ(error, "Broken pipe");
}
#endif
