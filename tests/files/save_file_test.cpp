#include "files/save_file.h"
#include "model3do/editor_model.h"
#include "support/files.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::testing::entries;
using grondel::testing::readAll;
using grondel::testing::writeAll;

namespace {

// The editor model of grid at edge, saved safely to path; an edge no model has is refused.
SaveResult save3do(const QString& path, const HeightMap& grid, int edge) {
    const auto model = formatEditorModel(grid, edge);
    return model ? saveFileAtomically(path, *model) : SaveResult{"no model at that edge"};
}

class SaveFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(writeAll(oldPath(), kOldBytes));
        for (int x = 0; x < kMaxEdge; ++x)
            for (int y = 0; y < kMaxEdge; ++y)
                (void)grid.set(x, y, packColour(x, y, 3));
    }

    QString oldPath() const { return dir.filePath("old.3do"); }

    // A failed save reports why, leaves the old file as it was and no temporary file behind.
    void expectNothingChanged(const SaveResult& result) {
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(readAll(oldPath()), kOldBytes);
        EXPECT_EQ(entries(dir.path()), QStringList{"old.3do"});
    }

    static inline const QByteArray kOldBytes = "an older model\r\n";
    QTemporaryDir dir;
    HeightMap grid;
};

} // namespace

TEST_F(SaveFile, WritesTheFormattedModelAndReplacesALongerFileWhole) {
    const QByteArray longer(2'000'000, 'x');
    ASSERT_TRUE(writeAll(oldPath(), longer));

    const SaveResult result = save3do(oldPath(), grid, 16);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(readAll(oldPath()).toStdString(), formatEditorModel(grid, 16));
    EXPECT_EQ(entries(dir.path()), QStringList{"old.3do"});
}

TEST_F(SaveFile, CreatesANewFile) {
    const QString path = dir.filePath("new terrain é.3do");
    ASSERT_TRUE(save3do(path, grid, 2).ok());
    EXPECT_EQ(readAll(path).toStdString(), formatEditorModel(grid, 2));
}

TEST_F(SaveFile, FailuresLeaveEverythingAsItWas) {
    expectNothingChanged(save3do("", grid, 16));
    expectNothingChanged(save3do(dir.filePath("missing/folder/x.3do"), grid, 16));
    expectNothingChanged(save3do(dir.path(), grid, 16));
    expectNothingChanged(save3do(oldPath(), grid, 65));
    expectNothingChanged(save3do(oldPath(), grid, -1));
}

TEST_F(SaveFile, RefusesToReplaceAPipeOrDevice) {
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const SaveResult result = save3do(fifo, grid, 16);
    EXPECT_FALSE(result.ok());
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(SaveFile, NoPermissionOnTheFolder) {
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    SaveResult result;
    if (geteuid() != 0) {
        result = save3do(oldPath(), grid, 16);
    } else {
        // Root writes anywhere: save from a child that has become "nobody".
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            _exit(!dropped ? 2 : save3do(oldPath(), grid, 16).ok() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "could not drop root";
        result.error = WEXITSTATUS(status) == 0 ? "refused" : "";
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    expectNothingChanged(result);
}

TEST_F(SaveFile, FullDiskLeavesTheOldFile) {
    // A file size limit fails writes the way a full disk does (EFBIG instead of ENOSPC).
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);

    const SaveResult result = save3do(oldPath(), grid, 64);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    expectNothingChanged(result);
}
