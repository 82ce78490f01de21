#include "files/native_file.h"
#include "files/read_file.h"
#include "scratch.h"

#include <string>
#include <vector>

#ifndef _WIN32
#include "child.h"

#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

using grondel::files::readFileBounded;
using grondel::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

class ReadFile : public ::testing::Test {
protected:
    grondel::testing::ScratchFolder dir;
};

void expectRefused(const fs::path& path, std::size_t limit, const std::string& reason) {
    SCOPED_TRACE(path.string());
    const auto result = readFileBounded(path, limit);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_NE(result.error.find(reason), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
}

} // namespace

TEST_F(ReadFile, ReadsEveryByteAsItIsUpToTheLimit) {
    // Binary on every platform: CR LF, a lone LF, NUL and Ctrl-Z come back unchanged.
    std::string bytes = "P5\r\n2 1\n255\n";
    bytes += std::string("\0\x1A\xFF\r\n", 5);
    ASSERT_TRUE(writeBytes(dir / "picture.pgm", bytes));
    for (const std::size_t limit : {bytes.size(), bytes.size() + 1, std::size_t{1} << 30}) {
        const auto result = readFileBounded(dir / "picture.pgm", limit);
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(result.bytes, bytes);
    }
    expectRefused(dir / "picture.pgm", bytes.size() - 1,
                  "larger than the limit of " + std::to_string(bytes.size() - 1) + " bytes");
    ASSERT_TRUE(writeBytes(dir / "big.png", std::string(300'000, 'x')));
    EXPECT_EQ(readFileBounded(dir / "big.png", 300'000).bytes.size(), 300'000u);
    expectRefused(dir / "big.png", 299'999, "299999 bytes");
}

TEST_F(ReadFile, RefusesWhatIsNotAWholeRegularFile) {
    fs::create_directory(dir / "folder.png");
    ASSERT_TRUE(writeBytes(dir / "empty.png", ""));
    expectRefused(dir / "missing.png", 100, "No such file or directory");
    expectRefused(dir / "folder.png", 100, "It is a folder");
    expectRefused(dir / "empty.png", 100, "The file is empty");
    expectRefused("", 100, "No file name");
#ifdef _WIN32
    expectRefused("NUL", 100, "It is not a regular file");
    expectRefused(dir / "con.png", 100, "is not a regular file");
#else
    expectRefused("/dev/zero", 100, "It is not a regular file");
    expectRefused("/dev/null", 100, "It is not a regular file");
#endif
}

#ifndef _WIN32

TEST_F(ReadFile, APipeIsRefusedAtOnceEvenWhenItSlipsPastTheFirstLook) {
    // A pipe with no writer: a plain open() would wait for one forever.
    ASSERT_EQ(::mkfifo((dir / "pipe.png").c_str(), 0644), 0);
    expectRefused(dir / "pipe.png", 100, "It is not a regular file");
    // The open itself, as after a regular file was swapped for the pipe once looked at.
    const auto opened = grondel::files::native::openForReading(dir / "pipe.png");
    EXPECT_EQ(opened.kind, grondel::files::native::Kind::other);
    EXPECT_FALSE(opened.error.empty());
    fs::create_symlink("pipe.png", dir / "link.png");
    expectRefused(dir / "link.png", 100, "It is not a regular file");
}

TEST_F(ReadFile, AnUnreadableFileGivesTheSystemsReason) {
    ASSERT_TRUE(writeBytes(dir / "secret.png", "bytes"));
    fs::permissions(dir / "secret.png", fs::perms::owner_write);
    const auto reason = grondel::testing::inChild(
        [&] { return readFileBounded(dir / "secret.png", 100).error; }, true);
    ASSERT_TRUE(reason.has_value()) << "the child died";
    if (*reason == grondel::testing::kNotNobody)
        GTEST_SKIP() << "cannot drop root privileges here: permissions are not checked for root";
    EXPECT_EQ(*reason, "Permission denied");
}

#endif
