#include "model3do/game_numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace grondel::game_numbers {
namespace {

// Powers of ten a double holds exactly.
constexpr std::array<double, 23> kPowersOfTen{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr double kLeast = 1e8, kBeyond = 1e9; // a whole number of kSignificantDigits digits

// value as digits x 10^-decimals, digits a whole number of kSignificantDigits digits, for
// magnitudes where both factors are exact doubles (1e-13 up to 1e15). Then digits / 10^decimals
// is one correctly rounded operation: the very double a reader makes of the decimal text.
struct Digits {
    double digits = 0.0;
    int decimals = 0;
};
bool digitsOf(double value, Digits& out) {
    const double size = std::abs(value);
    if (!(size >= 1e-13 && size < 1e15))
        return false;
    // log10(2^ilogb) is within one of the decimal exponent; the loop corrects it.
    constexpr double kLog10Of2 = 0.30102999566398120;
    int decimals =
        kSignificantDigits - 1 - static_cast<int>(std::floor(std::ilogb(size) * kLog10Of2));
    for (int tries = 0; tries < 4; ++tries) {
        const double scaled = decimals >= 0
                                  ? value * kPowersOfTen[static_cast<std::size_t>(decimals)]
                                  : value / kPowersOfTen[static_cast<std::size_t>(-decimals)];
        // Rounded half away from zero; |scaled| < 1e11, so the whole number fits.
        const auto digits =
            static_cast<double>(static_cast<long long>(scaled + (scaled < 0.0 ? -0.5 : 0.5)));
        if (std::abs(digits) >= kBeyond)
            --decimals;
        else if (std::abs(digits) < kLeast && decimals < 22)
            ++decimals;
        else
            return out = {digits, decimals}, true;
    }
    return false;
}
double valueOf(Digits d) {
    return d.decimals >= 0 ? d.digits / kPowersOfTen[static_cast<std::size_t>(d.decimals)]
                           : d.digits * kPowersOfTen[static_cast<std::size_t>(-d.decimals)];
}

// The scientific text of value with kSignificantDigits digits, read back: for magnitudes
// digitsOf does not take.
double roundedText(double value) {
    std::array<char, 40> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::scientific, kSignificantDigits - 1);
    double back = 0.0;
    std::from_chars(buffer.data(), written.ptr, back);
    return back;
}

} // namespace

double significant(double value) {
    if (value == 0.0 || !std::isfinite(value))
        return value == 0.0 ? 0.0 : value;
    Digits d;
    return digitsOf(value, d) ? valueOf(d) : roundedText(value);
}

double radiusAbove(double distance) {
    if (!(distance > 0.0))
        return 0.0;
    // A float32 read of the radius may land up to 2^-24 of it lower.
    const double target = distance * (1.0 + std::ldexp(1.0, -22));
    double radius = significant(target);
    for (double step = target * 1e-8; radius < target; step *= 2.0)
        radius = significant(target + step);
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
    Digits d;
    if (!digitsOf(value, d) || valueOf(d) != value) {
        std::array<char, 40> buffer;
        const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
        return out << std::string_view(buffer.data(),
                                       static_cast<std::size_t>(written.ptr - buffer.data()));
    }
    // The digits with the point put in, trailing zeros dropped; below 1e-4 in exponent form.
    if (d.digits < 0.0)
        out << '-';
    auto whole = static_cast<long long>(std::abs(d.digits));
    int decimals = d.decimals;
    while (decimals > 0 && whole % 10 == 0) {
        whole /= 10;
        --decimals;
    }
    std::array<char, 24> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), whole).ptr;
    const std::string_view text(digits.data(), static_cast<std::size_t>(end - digits.data()));
    const int count = static_cast<int>(text.size());
    if (decimals <= 0) {
        out << text;
        for (int k = decimals; k < 0; ++k)
            out << '0';
    } else if (decimals < count) {
        out << text.substr(0, static_cast<std::size_t>(count - decimals)) << '.'
            << text.substr(static_cast<std::size_t>(count - decimals));
    } else if (decimals - count < 4) { // 0.000ddd, at least 1e-4
        out << "0.";
        for (int k = count; k < decimals; ++k)
            out << '0';
        out << text;
    } else { // d.ddde-XX
        out << text.front();
        if (count > 1)
            out << '.' << text.substr(1);
        out << "e-";
        const int exponent = decimals - count + 1;
        if (exponent < 10)
            out << '0';
        out.integer(exponent);
    }
    return out;
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
