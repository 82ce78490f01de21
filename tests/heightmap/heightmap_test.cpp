#include "heightmap/heightmap.h"

#include <gtest/gtest.h>

using grondel::HeightMap;

TEST(HeightMap, FreshGridIsZeroAndCellsAreColumnThenRow) {
    HeightMap grid;
    for (int x = 0; x < grondel::kMaxEdge; ++x)
        for (int y = 0; y < grondel::kMaxEdge; ++y)
            ASSERT_EQ(grid.at(x, y), 0);
    ASSERT_TRUE(grid.set(3, 1, 42));
    ASSERT_TRUE(grid.set(63, 63, 5));
    EXPECT_EQ(grid.at(3, 1), 42);
    EXPECT_EQ(grid.at(1, 3), 0);
    EXPECT_EQ(grid.at(63, 63), 5);
}

TEST(HeightMap, OutsideTheGridIsRefusedWithoutWrapOrWrite) {
    HeightMap grid;
    for (auto [x, y] : {std::pair{64, 0}, {0, 64}, {-1, 0}, {0, -1}, {64, 64}}) {
        EXPECT_FALSE(grid.at(x, y)) << x << "," << y;
        EXPECT_FALSE(grid.set(x, y, 7)) << x << "," << y;
    }
    // (64, 0) would land on (0, 1) in row-major storage if it wrapped.
    EXPECT_EQ(grid, HeightMap{});
}

TEST(HeightMap, ColoursPackRedLowest) {
    EXPECT_EQ(grondel::packColour(255, 0, 0), 255);
    EXPECT_EQ(grondel::packColour(0, 0, 255), 16711680);
    EXPECT_EQ(grondel::packColour(128, 128, 128), 128 * 65793);
    EXPECT_EQ(grondel::packColour(255, 255, 255), 16777215);
}
