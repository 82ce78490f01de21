// The editor model through the file edge, on every platform: the worked example's bytes reach
// the disk and come back exactly (CR LF once, points whatever the locale), and a model read
// from a file is read whole by the checker.

#include "../files/scratch.h"
#include "export/editor_model.h"
#include "export/model_check.h"
#include "files/read_file.h"
#include "files/save_file.h"

#include <clocale>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include <gtest/gtest.h>

namespace {

const std::filesystem::path kGolden =
    std::filesystem::path(GRONDEL_SOURCE_DIR) / "tests/core/golden/worked_example_n2.3do";

grondel::HeightMap workedExample() {
    grondel::HeightMap grid;
    (void)grid.set(0, 0, 0);
    (void)grid.set(0, 1, 2097151);
    (void)grid.set(1, 0, 4194302);
    (void)grid.set(1, 1, 6291453);
    return grid;
}

// A locale with a decimal comma under the name this platform knows it by (Windows: the second).
bool useCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "German_Germany.1252"}) {
        char probe[16];
        if (std::setlocale(LC_ALL, name) && std::snprintf(probe, sizeof probe, "%g", 0.5) > 0 &&
            std::string_view(probe) == "0,5")
            return true;
    }
    return false;
}

} // namespace

TEST(EditorModelFile, WorkedExampleSavedAndReadBackMatchesTheGoldenFile) {
    const auto golden = grondel::files::readFileBounded(kGolden, 1 << 20);
    ASSERT_TRUE(golden.ok()) << golden.error;
    const bool comma = useCommaLocale();
    const auto model = grondel::formatEditorModel(workedExample(), 2);
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(model);
    EXPECT_EQ(*model, golden.bytes);

    grondel::testing::ScratchFolder dir;
    const auto path = dir / "worked example.3do";
    ASSERT_TRUE(grondel::files::saveFileAtomically(path, *model).ok());
    const auto read = grondel::files::readFileBounded(path, 1 << 20);
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.bytes, golden.bytes);
    EXPECT_EQ(read.bytes.find("\r\r"), std::string::npos);
    if (!comma)
        GTEST_SKIP() << "no decimal-comma locale here: only the C locale was tried";
}

TEST(EditorModelFile, AModelReadFromAFileIsReadWholeByTheChecker) {
    grondel::HeightMap grid;
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y)
            (void)grid.set(x, y, grondel::packColour(x * 16, y * 16, 7));
    grondel::testing::ScratchFolder dir;
    const auto model = grondel::formatEditorModel(grid, 16);
    ASSERT_TRUE(model);
    ASSERT_TRUE(grondel::files::saveFileAtomically(dir / "m.3do", *model).ok());
    const auto read = grondel::files::readFileBounded(dir / "m.3do", 1 << 20);
    ASSERT_TRUE(read.ok()) << read.error;
    const auto check = grondel::checkModel(read.bytes);
    EXPECT_EQ(check.vertices, 256);
    EXPECT_EQ(check.faces, 450);
}
