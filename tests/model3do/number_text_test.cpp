#include "heightmap/heightmap.h"
#include "model3do/game_numbers.h"
#include "model3do/number_text.h"
#include "support/comma_locale.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <tuple>

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

TEST(NumberText, HalvesAndIntegers) {
    ModelText out(1); // grows as it goes
    out.halves(0) << ' ';
    out.halves(1) << ' ';
    out.halves(2) << ' ';
    out.halves(63) << ' ';
    out.halves(-3) << ' ';
    out.integer(-120) << ' ';
    for (const long long n : {9, 10, 99, 100, 999, 1000})
        out.integer(n) << ' ';
    out.integer(9'000'000'000LL);
    EXPECT_EQ(std::move(out).take(), "0 0.5 1 31.5 -1.5 -120 9 10 99 100 999 1000 9000000000");
}

// Whole texts only, as the command line, the windows and the model reader take numbers.
TEST(NumberText, ReadsAWholeTextAsANumberOrNothing) {
    for (const auto& [text, ok, value] :
         std::initializer_list<std::tuple<std::string_view, bool, double>>{{"1.5", true, 1.5},
                                                                           {"+.5", true, 0.5},
                                                                           {"-2", true, -2},
                                                                           {"1e-05", true, 1e-05},
                                                                           {"3x", false, 7},
                                                                           {"", false, 7},
                                                                           {"+-1", false, 7},
                                                                           {" 1", false, 7}}) {
        double read = 7;
        EXPECT_EQ(grondel::readNumber(text, read), ok) << text;
        EXPECT_EQ(read, value) << text;
    }
    long long whole = 7;
    EXPECT_FALSE(grondel::readNumber("2.5", whole));
    EXPECT_TRUE(grondel::readNumber("+12", whole) && whole == 12);
    EXPECT_EQ(grondel::messageNumber(2097152), "2097152");
    EXPECT_EQ(grondel::messageNumber(0.30000001), "0.3");
    EXPECT_EQ(grondel::quoted("a\nb"), "\"a?b\"");
}

namespace {

template <typename Append>
std::string printed(Append append) {
    ModelText out;
    append(out);
    return std::move(out).take();
}

} // namespace

TEST(GameNumbers, PrintXAndYExactlyAndTheRestWithNineSignificantDigits) {
    using namespace grondel::game_numbers;
    // Exact multiples of 2^-k with at most k decimals, no trailing zeros, no "-0".
    for (const auto& [value, k, text] : std::initializer_list<std::tuple<double, int, std::string>>{
             {-15.75, 20, "-15.75"},
             {3, 20, "3"},
             {-0.0, 8, "0"},
             {std::ldexp(1, -35), 35, "0.00000000002910383045673370361328125"},
             {16777216, 0, "16777216"},
             {quantized(0.15, 21), 21, "0.150000095367431640625"}})
        EXPECT_EQ(printed([&](ModelText& out) { appendExact(out, value, k); }), text);
    // Shortest texts of 9-digit values; a tiny normal z keeps its digits.
    for (const auto& [value, text] : std::initializer_list<std::pair<double, std::string>>{
             {significant(1 / 3.0), "0.333333333"},
             {significant(-3.2e-7), "-3.2e-07"},
             {significant(6.25000001234e-8), "6.25000001e-08"},
             {significant(2097151.999), "2097152"},
             {significant(-4096.0), "-4096"},
             {significant(999999999.0), "999999999"},
             {significant(1234567891.0), "1234567890"}, // ten digits: rounded to nine
             {significant(-12.3456789), "-12.3456789"},
             {significant(12345678.9), "12345678.9"},
             {significant(-1e-5), "-1e-05"},
             {significant(0.0012), "0.0012"},
             {1.5e10, "15000000000"},
             {-0.0, "0"}})
        EXPECT_EQ(printed([&](ModelText& out) { appendShortest(out, value); }), text);
    // Radii cover the distance even once read into a float32.
    for (const double distance : {1.0, 22.2855536, 1e-9, 123456789.0}) {
        const double radius = radiusAbove(distance);
        EXPECT_GE(static_cast<float>(radius), distance);
        EXPECT_LE(radius, distance * (1 + 1e-6));
        EXPECT_EQ(significant(radius), radius);
    }
    // Rounded to the nearest multiple of 2^-k, halves to even, never to "-0".
    for (const auto& [value, k, rounded] :
         std::initializer_list<std::tuple<double, int, double>>{{2.5, 0, 2},
                                                                {-3.5, 0, -4},
                                                                {0.625, 2, 0.5},
                                                                {0x1p60 + 2048, 1, 0x1p60 + 2048},
                                                                {1.3, -1, 2},
                                                                {-0.25, 0, 0}}) {
        EXPECT_EQ(quantized(value, k), rounded) << value << " to 2^-" << k;
        EXPECT_EQ(std::signbit(quantized(value, k)), std::signbit(rounded)) << value;
    }
    // The finest quantum keeps the widest value within 2^24 quanta.
    for (const auto& [largest, k] : std::initializer_list<std::pair<double, int>>{
             {15.75, 20},
             {16, 20},
             {16.000001, 19},
             {0.01575, 29},
             {16777216, 0},
             {16777217, -1},
             {1e-30, kMaxQuantumDecimals},
             {std::numeric_limits<double>::infinity(), -1}})
        EXPECT_EQ(quantumExponent(largest), k) << largest;
}

TEST(NumberText, CommaLocaleStillWritesPoints) {
    if (!grondel::testing::useCommaLocale())
        GTEST_SKIP() << "no German locale is installed (locale-gen de_DE.UTF-8)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%g", 0.5);
    EXPECT_STREQ(probe, "0,5") << "the locale should use a decimal comma";

    ModelText out;
    out.halves(1) << ' ';
    out.shortest15(grondel::heightOf(grondel::packColour(128, 128, 128)));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(std::move(out).take(), "0.5 4.01568794998548");
}
