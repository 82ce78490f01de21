#include "files/save_file.h"
#include "scratch.h"

#include <new>
#include <string>
#include <vector>

#ifndef _WIN32
#include "child.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <chrono>
#include <fstream>

#include <gtest/gtest.h>

using grondel::files::saveFileAtomically;
using grondel::files::SaveResult;
using grondel::testing::entries;
using grondel::testing::readBytes;
using grondel::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

const std::string kOld = "an older model\r\n";
const std::string kNew = "a newer model\r\nsecond line\r\n";

class SaveFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        ASSERT_TRUE(writeBytes(old(), kOld));
    }
    fs::path old() const { return dir / "old.3do"; }

    // A failed save says why in one line, leaves the old file as it was and nothing new.
    void expectNothingChanged(const SaveResult& result, const std::string& reason) {
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error.find(reason), std::string::npos) << result.error;
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
        EXPECT_EQ(readBytes(old()), kOld);
        EXPECT_EQ(entries(dir.path()), before);
    }

    grondel::testing::ScratchFolder dir;
    std::set<fs::path> before{"old.3do"};
};

} // namespace

// A save killed mid-way leaves its temporary file; the next save to the same target removes
// those over a minute old that no save holds locked, and nothing else.
TEST_F(SaveFile, RemovesTheTemporaryFilesKilledSavesLeftAndNothingElse) {
    const auto stale = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    const std::vector<std::pair<std::string, bool>> rows{
        {".old.3do.0123abcd.tmp", true},   // old, unlocked: left by a killed save
        {".old.3do.89abcdef.tmp", false},  // fresh: a save may be starting
        {".old.3do.fedcba98.tmp", false},  // old but held open: a slow save still writing
        {".old.3do.0123abcg.tmp", false},  // not a name saves make
        {".old.3do.0123abc.tmp", false},   // nor this
        {".other.3do.0123abcd.tmp", false} // another target's
    };
    for (const auto& [name, gone] : rows) {
        ASSERT_TRUE(writeBytes(dir / name, "half a model"));
        if (name != ".old.3do.89abcdef.tmp")
            fs::last_write_time(dir / name, stale);
    }
    {
        std::ifstream held(dir / ".old.3do.fedcba98.tmp");
#ifndef _WIN32
        ASSERT_EQ(
            ::flock(::open((dir / ".old.3do.fedcba98.tmp").c_str(), O_RDONLY | O_CLOEXEC), LOCK_EX),
            0);
#endif
        ASSERT_TRUE(saveFileAtomically(old(), kNew).ok());
    }
    for (const auto& [name, gone] : rows)
        EXPECT_EQ(fs::exists(dir / name), !gone) << name;
    EXPECT_EQ(readBytes(old()), kNew);
}

TEST_F(SaveFile, ReplacesALongerFileWholeAndCreatesNewOnes) {
    ASSERT_TRUE(writeBytes(old(), std::string(2'000'000, 'x')));
    ASSERT_TRUE(saveFileAtomically(old(), kNew).ok());
    EXPECT_EQ(readBytes(old()), kNew); // CR LF once: bytes are written as given
    const SaveResult created = saveFileAtomically(dir / "new.3do", kOld);
    ASSERT_TRUE(created.ok()) << created.error;
    EXPECT_EQ(readBytes(dir / "new.3do"), kOld);
    ASSERT_TRUE(saveFileAtomically(dir / "empty.3do", "").ok());
    EXPECT_TRUE(fs::exists(dir / "empty.3do"));
    EXPECT_EQ(fs::file_size(dir / "empty.3do"), 0u);
    EXPECT_EQ(entries(dir.path()), (std::set<fs::path>{"empty.3do", "new.3do", "old.3do"}));
    // A text handed over as it is made is written piece after piece.
    const auto inPieces = [](const grondel::files::WriteBytes& write) {
        std::string error;
        for (const char* piece : {"a newer", "", " model\r\n", "second line\r\n"})
            if (error.empty())
                error = write(piece);
        return error;
    };
    ASSERT_TRUE(grondel::files::saveFilesAtomically({{old(), "unused", inPieces}}).front().ok());
    EXPECT_EQ(readBytes(old()), kNew);
}

// Bytes that could not all be made, or whose making threw, leave the target as it was and no
// temporary file; the first file of a save together is not renamed either.
TEST_F(SaveFile, TextThatFailsWhileMadeChangesNothing) {
    const auto halfThen = [](bool throws) {
        return [throws](const grondel::files::WriteBytes& write) -> std::string {
            (void)write("half a model");
            if (throws)
                throw std::bad_alloc();
            return "out of memory while printing its model";
        };
    };
    const std::vector<grondel::files::FileToSave> failing{{dir / "first.mat", "material"},
                                                          {old(), "", halfThen(false)}};
    expectNothingChanged(grondel::files::saveFilesAtomically(failing).back(), "out of memory");
    EXPECT_THROW(grondel::files::saveFilesAtomically(
                     {{dir / "first.mat", "material"}, {old(), "", halfThen(true)}}),
                 std::bad_alloc);
    expectNothingChanged({"thrown"}, "thrown");
}

TEST_F(SaveFile, RefusesWhatItCannotOrMustNotReplace) {
    fs::create_directories(dir / "folder.3do");
    before.insert("folder.3do");
    struct Case {
        fs::path target;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {dir / "missing" / "a.3do", "No such file or directory"},
        {dir / "folder.3do", "folder.3do is a folder"},
        {dir / "folder.3do" / "", "is a folder"},
        {"", "No file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.string());
        expectNothingChanged(saveFileAtomically(c.target, kNew), c.reason);
    }
    EXPECT_TRUE(fs::is_empty(dir / "folder.3do"));
}

#ifndef _WIN32

TEST_F(SaveFile, RefusesPipesDevicesAndLinksToThem) {
    ASSERT_EQ(::mkfifo((dir / "pipe.3do").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("folder", dir / "to-folder.3do");
    fs::create_symlink("/dev/null", dir / "to-null.3do");
    before.insert({"pipe.3do", "folder", "to-folder.3do", "to-null.3do"});
    expectNothingChanged(saveFileAtomically(dir / "pipe.3do", kNew),
                         "pipe.3do is not a regular file");
    expectNothingChanged(saveFileAtomically("/dev/null", kNew), "/dev/null is not a regular file");
    expectNothingChanged(saveFileAtomically(dir / "to-null.3do", kNew),
                         "/dev/null is not a regular file");
    expectNothingChanged(saveFileAtomically(dir / "to-folder.3do", kNew), "folder is a folder");
    EXPECT_TRUE(fs::is_fifo(dir / "pipe.3do"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(SaveFile, KeepsTheOldPermissionsAndGivesNewFilesTheUmasks) {
    const mode_t mask = ::umask(022);
    ASSERT_EQ(::chmod(old().c_str(), 0640), 0);
    ASSERT_TRUE(saveFileAtomically(old(), kNew).ok());
    ASSERT_TRUE(saveFileAtomically(dir / "new.3do", kNew).ok());
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(old().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    ASSERT_EQ(::stat((dir / "new.3do").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST_F(SaveFile, WritesThroughSymbolicLinksAndKeepsThem) {
    // A chain: a/link -> ../b/link -> real.3do (relative to b), and one dangling link.
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    ASSERT_TRUE(writeBytes(dir / "b" / "real.3do", kOld));
    ASSERT_EQ(::chmod((dir / "b" / "real.3do").c_str(), 0600), 0);
    fs::create_symlink("real.3do", dir / "b" / "link.3do");
    fs::create_symlink("../b/link.3do", dir / "a" / "link.3do");
    fs::create_symlink("later.3do", dir / "b" / "dangling.3do");

    ASSERT_TRUE(saveFileAtomically(dir / "a" / "link.3do", kNew).ok());
    ASSERT_TRUE(saveFileAtomically(dir / "b" / "dangling.3do", kOld).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "a" / "link.3do"));
    EXPECT_TRUE(fs::is_symlink(dir / "b" / "link.3do"));
    EXPECT_TRUE(fs::is_symlink(dir / "b" / "dangling.3do"));
    EXPECT_EQ(readBytes(dir / "b" / "real.3do"), kNew);
    EXPECT_EQ(readBytes(dir / "b" / "later.3do"), kOld);
    EXPECT_EQ(fs::status(dir / "b" / "real.3do").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries(dir / "a"), (std::set<fs::path>{"link.3do"}));
    EXPECT_EQ(entries(dir / "b"),
              (std::set<fs::path>{"dangling.3do", "later.3do", "link.3do", "real.3do"}));

    fs::create_symlink("loop.3do", dir / "loop.3do");
    before.insert({"a", "b", "loop.3do"});
    expectNothingChanged(saveFileAtomically(dir / "loop.3do", kNew), "symbolic links");
}

TEST_F(SaveFile, AFileSizeLimitSaysFileTooLargeAndLeavesNothing) {
    // The converter ignores SIGXFSZ so that the write fails with EFBIG instead of a death.
    const auto reason = grondel::testing::inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return saveFileAtomically(old(), std::string(100'000, 'x')).error;
    });
    ASSERT_TRUE(reason.has_value()) << "the child died";
    expectNothingChanged({*reason}, "File too large");
}

TEST_F(SaveFile, NoPermissionSaysSoAndLeavesNothing) {
    fs::create_directory(dir / "locked");
    ASSERT_TRUE(writeBytes(dir / "locked" / "old.3do", kOld));
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                        fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    const auto reason = grondel::testing::inChild(
        [&] { return saveFileAtomically(dir / "locked" / "old.3do", kNew).error; }, true);
    ASSERT_TRUE(reason.has_value()) << "the child died";
    if (*reason == grondel::testing::kNotNobody)
        GTEST_SKIP() << "cannot drop root privileges here: permissions are not checked for root";
    EXPECT_EQ(*reason, "Permission denied");
    EXPECT_EQ(readBytes(dir / "locked" / "old.3do"), kOld);
    EXPECT_EQ(entries(dir / "locked"), (std::set<fs::path>{"old.3do"}));
}

#endif
