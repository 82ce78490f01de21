#include "heightmap/heightmap.h"
#include "model3do/number_text.h"
#include "support/comma_locale.h"

#include <clocale>
#include <cstdio>

#include <gtest/gtest.h>

using grondel::ModelText;

namespace {

std::string height(grondel::Cell cell) {
    ModelText out;
    out.shortest15(grondel::heightOf(cell));
    return std::move(out).take();
}

} // namespace

TEST(NumberText, HeightsOfKnownColours) {
    using grondel::packColour;
    EXPECT_EQ(height(0), "0");
    EXPECT_EQ(height(packColour(1, 1, 1)), "0.0313725621092616");
    EXPECT_EQ(height(packColour(128, 128, 128)), "4.01568794998548");
    EXPECT_EQ(height(packColour(255, 255, 255)), "8.0000033378617");
    EXPECT_EQ(height(packColour(255, 0, 0)), "0.000121593533322112");
    EXPECT_EQ(height(packColour(0, 0, 255)), "7.96875379979792");
    EXPECT_EQ(height(2097151), "1");
    // An unreadable pixel (-1) is the one negative height; tiny values take exponent form.
    EXPECT_EQ(height(-1), "-4.76837385576909e-07");
}

TEST(NumberText, HalvesIntegersAndFixedPoint) {
    ModelText out(1); // grows as it goes
    out.halves(0) << ' ';
    out.halves(1) << ' ';
    out.halves(2) << ' ';
    out.halves(63) << ' ';
    out.halves(-3) << ' ';
    out.integer(-120) << ' ';
    out.integer(9'000'000'000LL) << ' ';
    out.fixed(-0.0000001, 6) << ' '; // rounds to zero: no sign
    out.fixed(-0.25, 6) << ' ';
    out.fixed(1e300, 2).size();
    const std::string text = std::move(out).take();
    EXPECT_TRUE(text.starts_with("0 0.5 1 31.5 -1.5 -120 9000000000 0.000000 -0.250000 1"));
    EXPECT_EQ(text.size(), 53u + 301u + 3u);
}

TEST(NumberText, CommaLocaleStillWritesPoints) {
    if (!grondel::testing::useCommaLocale())
        GTEST_SKIP() << "no German locale is installed (locale-gen de_DE.UTF-8)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%g", 0.5);
    EXPECT_STREQ(probe, "0,5") << "the locale should use a decimal comma";

    ModelText out;
    out.halves(1) << ' ';
    out.shortest15(grondel::heightOf(grondel::packColour(128, 128, 128))) << ' ';
    out.fixed(0.5, 6);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(std::move(out).take(), "0.5 4.01568794998548 0.500000");
}
