#include "model3do/editor_model.h"
#include "support/comma_locale.h"
#include "support/std_files.h"

#include <algorithm>
#include <clocale>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

using grondel::formatEditorModel;
using grondel::HeightMap;

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

HeightMap gradient() {
    HeightMap grid;
    for (int x = 0; x < grondel::kMaxEdge; ++x)
        for (int y = 0; y < grondel::kMaxEdge; ++y)
            (void)grid.set(x, y, grondel::packColour(x * 4, y * 4, (x + y) * 2));
    return grid;
}

std::string lineAfter(const std::vector<std::string>& lines, std::string_view head) {
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.starts_with(head); });
    return it == lines.end() ? std::string("<missing>") : *it;
}

} // namespace

TEST(EditorModel, WorkedExampleMatchesGoldenFileByteForByte) {
    HeightMap grid;
    ASSERT_TRUE(grid.set(0, 0, 0));
    ASSERT_TRUE(grid.set(0, 1, 2097151));
    ASSERT_TRUE(grid.set(1, 0, 4194302));
    ASSERT_TRUE(grid.set(1, 1, 6291453));
    // Cells outside the 2 x 2 square must not leak into the model.
    ASSERT_TRUE(grid.set(2, 2, 99));

    const std::string golden = grondel::testing::readFile(
        grondel::testing::sourcePath("tests/model3do/golden/worked_example_n2.3do"));
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(formatEditorModel(grid, 2), golden);
}

TEST(EditorModel, LineAndElementCountsForOfferedEdges) {
    const HeightMap grid = gradient();
    struct Case {
        int edge;
        std::size_t lines;
        const char* vertices;
        const char* faces;
    };
    for (const Case& c : {Case{16, 1012, "VERTICES 256", "FACES 450"},
                          Case{32, 4020, "VERTICES 1024", "FACES 1922"},
                          Case{64, 16180, "VERTICES 4096", "FACES 7938"}}) {
        SCOPED_TRACE(c.edge);
        const auto text = formatEditorModel(grid, c.edge);
        ASSERT_TRUE(text);
        EXPECT_TRUE(text->ends_with("Layer0\r\n"));
        // Every line ends in CR LF: no lone LF anywhere.
        EXPECT_EQ(std::count(text->begin(), text->end(), '\n'),
                  std::count(text->begin(), text->end(), '\r'));
        const auto lines = linesOf(*text);
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lineAfter(lines, "VERTICES "), c.vertices);
        EXPECT_EQ(lineAfter(lines, "FACES "), c.faces);
    }
}

TEST(EditorModel, LastVertexAndOneSquareAtEdge64) {
    HeightMap grid;
    ASSERT_TRUE(grid.set(63, 63, 16777215));
    const auto lines = linesOf(*formatEditorModel(grid, 64));
    // 31 head lines and an empty one, then 4096 vertex lines.
    EXPECT_EQ(lines[32], "0: 0 0 0 0.000000");
    EXPECT_EQ(lines[32 + 4095], "4095: 31.5 31.5 8.0000033378617 0.000000");
    EXPECT_EQ(lines[32 + 4096], "");

    // Square (i, j) = (1, 2): a = 66, b = 67, c = 130, d = 131; faces 2 * (63 + 2) and one more.
    const auto faces = std::find(lines.begin(), lines.end(), "FACES 7938");
    ASSERT_NE(faces, lines.end());
    EXPECT_EQ(faces[2], "0: 0 0x0 4 3 1 0 3 65, 0 1, 0 0, 0");
    EXPECT_EQ(faces[2 + 130], "130: 0 0x0 4 3 1 0 3 131, 0 67, 0 66, 0");
    EXPECT_EQ(faces[2 + 131], "131: 0 0x0 4 3 1 0 3 66, 0 130, 0 131, 0");
    EXPECT_EQ(faces[2 + 7937], "7937: 0 0x0 4 3 1 0 3 4030, 0 4094, 0 4095, 0");
}

TEST(EditorModel, SmallEdges) {
    const HeightMap grid;
    // Edge 0 writes only what it has: no vertex, normal or face lines and "FACES 0".
    const auto empty = linesOf(*formatEditorModel(grid, 0));
    EXPECT_EQ(empty.size(), 50u);
    EXPECT_EQ(lineAfter(empty, "VERTICES "), "VERTICES 0");
    EXPECT_EQ(lineAfter(empty, "FACES "), "FACES 0");

    const auto one = linesOf(*formatEditorModel(grid, 1));
    EXPECT_EQ(one.size(), 52u);
    EXPECT_EQ(lineAfter(one, "FACES "), "FACES 0");

    EXPECT_FALSE(formatEditorModel(grid, -1));
    EXPECT_FALSE(formatEditorModel(grid, 65));
}

TEST(EditorModel, CommaLocaleDoesNotChangeABit) {
    const HeightMap grid = gradient();
    const auto before = formatEditorModel(grid, 64);
    if (!grondel::testing::useCommaLocale())
        GTEST_SKIP() << "no German locale is installed (locale-gen de_DE.UTF-8)";
    const auto after = formatEditorModel(grid, 64);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(before, after);
    EXPECT_EQ(after->find(','), after->find(", 0")) << "the first comma is a face's texture link";
}
