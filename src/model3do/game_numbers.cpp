#include "model3do/game_numbers.h"

#include <array>
#include <cmath>
#include <string_view>

namespace grondel::game_numbers {
namespace {

constexpr double kMillionths = 1e6;

// Six decimals: the value rounded to whole millionths, printed as that integer with the point
// put in. Much quicker than a general conversion, and the same value always gives the same text.
long long millionths(double value) {
    return std::llround(value * kMillionths);
}

} // namespace

double printed(double value) {
    return static_cast<double>(millionths(value)) / kMillionths;
}

double radiusAbove(double distance) {
    double steps = std::ceil(distance * kMillionths);
    while (steps > 0.0 && (steps - 1.0) / kMillionths >= distance)
        steps -= 1.0;
    while (steps / kMillionths < distance)
        steps += 1.0;
    return steps / kMillionths;
}

ModelText& append(ModelText& out, double value) {
    long long whole = millionths(value);
    if (whole < 0) {
        out << '-';
        whole = -whole;
    }
    out.integer(whole / 1'000'000) << '.';
    std::array<char, 6> digits;
    for (long long rest = whole % 1'000'000, k = 5; k >= 0; --k, rest /= 10)
        digits[static_cast<std::size_t>(k)] = static_cast<char>('0' + rest % 10);
    return out << std::string_view(digits.data(), digits.size());
}

ModelText& append(ModelText& out, Vec3 v) {
    append(out, v.x) << ' ';
    append(out, v.y) << ' ';
    return append(out, v.z);
}

} // namespace grondel::game_numbers
