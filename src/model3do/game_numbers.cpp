#include "model3do/game_numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace grondel::game_numbers {
namespace {

// The scientific text of value with kSignificantDigits digits, read back.
double roundedText(double value, double* step = nullptr) {
    std::array<char, 40> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific, kSignificantDigits - 1);
    double back = 0.0;
    std::from_chars(buffer.data(), written.ptr, back);
    if (step) {
        // The exponent after 'e' gives the size of one unit in the last digit kept.
        const std::string_view text(buffer.data(),
                                    static_cast<std::size_t>(written.ptr - buffer.data()));
        int exponent = 0;
        const std::size_t e = text.find('e');
        const char* first = text.data() + e + 1;
        if (*first == '+')
            ++first;
        std::from_chars(first, written.ptr, exponent);
        *step = std::pow(10.0, exponent - (kSignificantDigits - 1));
    }
    return back;
}

} // namespace

double significant(double value) {
    if (value == 0.0 || !std::isfinite(value))
        return value == 0.0 ? 0.0 : value;
    return roundedText(value);
}

double radiusAbove(double distance) {
    if (!(distance > 0.0))
        return 0.0;
    // A float32 read of the radius may land up to 2^-24 of it lower.
    const double target = distance * (1.0 + std::ldexp(1.0, -22));
    double step = 0.0;
    double radius = roundedText(target, &step);
    while (radius < target)
        radius = roundedText(radius + step, &step);
    return radius;
}

int quantumExponent(double largest) {
    if (!std::isfinite(largest) || largest < 0.0)
        return -1;
    for (int k = kMaxQuantumDecimals; k >= 0; --k)
        if (std::nearbyint(std::ldexp(largest, k)) <= kFloatWholeLimit)
            return k;
    return -1;
}

double quantized(double value, int k) {
    return std::ldexp(std::nearbyint(std::ldexp(value, k)), -k) + 0.0; // + 0.0: no "-0"
}

ModelText& appendShortest(ModelText& out, double value) {
    if (value == 0.0)
        return out << '0';
    std::array<char, 40> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return out << std::string_view(buffer.data(),
                                   static_cast<std::size_t>(written.ptr - buffer.data()));
}

ModelText& appendExact(ModelText& out, double value, int k) {
    if (value == 0.0)
        return out << '0';
    // 2^24 has 8 digits before the point; k decimals follow.
    std::array<char, 16 + kMaxQuantumDecimals> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, k);
    if (written.ec != std::errc())
        return appendShortest(out, value); // beyond the documented range: still exact
    std::string_view text(buffer.data(), static_cast<std::size_t>(written.ptr - buffer.data()));
    if (text.find('.') != std::string_view::npos) {
        text = text.substr(0, text.find_last_not_of('0') + 1);
        if (text.ends_with('.'))
            text.remove_suffix(1);
    }
    return out << text;
}

} // namespace grondel::game_numbers
