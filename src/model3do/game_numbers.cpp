#include "model3do/game_numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace grondel::game_numbers {
namespace {

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

// The kSignificantDigits digits of n, from 10^8 up to 10^9 - 1, at out: a fixed run of steps
// with no branch on the digits.
void putNineDigits(char* out, std::uint32_t n) {
    static_assert(kSignificantDigits == 9);
    static constexpr std::array<char, 200> kPairs = [] {
        std::array<char, 200> pairs{};
        for (int k = 0; k < 100; ++k) {
            pairs[static_cast<std::size_t>(2 * k)] = static_cast<char>('0' + k / 10);
            pairs[static_cast<std::size_t>(2 * k + 1)] = static_cast<char>('0' + k % 10);
        }
        return pairs;
    }();
    const std::uint32_t top = n / 100000000;
    std::uint32_t rest = n - top * 100000000;
    out[0] = static_cast<char>('0' + top);
    for (int place = 7; place >= 1; place -= 2) {
        std::memcpy(out + place, kPairs.data() + 2 * (rest % 100), 2);
        rest /= 100;
    }
}

// A whole number of at most 9 digits: exactly its own text.
bool wholeBelowBillion(double value) {
    return std::abs(value) < 1e9 && value == std::floor(value);
}

} // namespace

namespace detail {

double significantOtherwise(double value) {
    if (value == 0.0 || !std::isfinite(value))
        return value == 0.0 ? 0.0 : value;
    return roundedText(value);
}

} // namespace detail

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
    if (k < 0 || k > kMaxQuantumDecimals)
        return std::ldexp(std::nearbyint(std::ldexp(value, k)), -k) + 0.0; // + 0.0: no "-0"
    // The same without a library call, for every point of a model: a product by a power of two
    // is exact, or rounded once, as ldexp is; below 2^52, adding 2^52 and taking it away again
    // rounds to the nearest whole number, halves to even, as nearbyint does.
    const auto power = [](int e) { return std::bit_cast<double>(std::uint64_t(1023 + e) << 52); };
    const double scaled = value * power(k);
    double whole = scaled;
    if (std::abs(scaled) < 0x1p52)
        whole = std::copysign((std::abs(scaled) + 0x1p52) - 0x1p52, scaled);
    return whole * power(-k) + 0.0;
}

ModelText& appendShortest(ModelText& out, double value) {
    if (value == 0.0)
        return out << '0';
    if (wholeBelowBillion(value))
        return out.integer(static_cast<long long>(value));
    detail::Digits d;
    if (!detail::digitsOf(value, d) || detail::valueOf(d) != value ||
        std::abs(d.digits) < detail::kLeast) {
        std::array<char, 40> buffer;
        const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
        return out << std::string_view(buffer.data(),
                                       static_cast<std::size_t>(written.ptr - buffer.data()));
    }
    // The digits with the point put in, trailing zeros dropped; below 1e-4 in exponent form.
    // Built here and handed over at once: this runs for most numbers of a model.
    std::array<char, kSignificantDigits> digits;
    putNineDigits(digits.data(), static_cast<std::uint32_t>(std::abs(d.digits)));
    int count = kSignificantDigits, decimals = d.decimals;
    while (decimals > 0 && digits[static_cast<std::size_t>(count - 1)] == '0') {
        --count;
        --decimals;
    }
    std::array<char, 48> text;
    char* at = text.data();
    const auto put = [&at](const char* from, int n) {
        std::memcpy(at, from, static_cast<std::size_t>(n));
        at += n;
    };
    *at = '-'; // kept for a negative number only; signs come at random in normals
    at += d.digits < 0.0 ? 1 : 0;
    if (decimals <= 0) {
        put(digits.data(), count);
        for (int k = decimals; k < 0; ++k)
            *at++ = '0';
    } else if (decimals < count) {
        put(digits.data(), count - decimals);
        *at++ = '.';
        put(digits.data() + count - decimals, decimals);
    } else if (decimals - count < 4) { // 0.000ddd, at least 1e-4
        put("0.000", 2 + decimals - count);
        put(digits.data(), count);
    } else { // d.ddde-XX
        *at++ = digits.front();
        if (count > 1) {
            *at++ = '.';
            put(digits.data() + 1, count - 1);
        }
        const int exponent = decimals - count + 1; // 5 to 22 for what digitsOf takes
        *at++ = 'e';
        *at++ = '-';
        *at++ = static_cast<char>('0' + exponent / 10);
        *at++ = static_cast<char>('0' + exponent % 10);
    }
    return out << std::string_view(text.data(), static_cast<std::size_t>(at - text.data()));
}

ModelText& appendExact(ModelText& out, double value, int k) {
    if (value == 0.0)
        return out << '0';
    // The fraction as a whole number of quanta 2^-k. Each decimal in turn: times 10, the
    // whole part is the digit and the rest carries on; below 2^64 for k <= 60. The expansion
    // ends after at most k digits, and never on a zero.
    const double size = std::abs(value);
    const double whole = std::floor(size);
    const double fraction = std::ldexp(size - whole, k); // exact: a power-of-two scale
    if (k < 0 || k > kMaxQuantumDecimals || !(size <= kFloatWholeLimit) ||
        fraction != std::floor(fraction)) {
        // Beyond the documented range: still exact, the slow way.
        std::array<char, 16 + kMaxQuantumDecimals> buffer;
        const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                           std::chars_format::fixed, std::max(k, 0));
        if (written.ec != std::errc())
            return appendShortest(out, value);
        std::string_view text(buffer.data(), static_cast<std::size_t>(written.ptr - buffer.data()));
        if (text.find('.') != std::string_view::npos) {
            text = text.substr(0, text.find_last_not_of('0') + 1);
            if (text.ends_with('.'))
                text.remove_suffix(1);
        }
        return out << text;
    }
    std::array<char, 16 + kMaxQuantumDecimals> text;
    char* at = text.data();
    if (value < 0.0)
        *at++ = '-';
    at = std::to_chars(at, text.data() + 10, static_cast<std::uint32_t>(whole)).ptr;
    auto rest = static_cast<std::uint64_t>(fraction);
    if (rest != 0) {
        *at++ = '.';
        const std::uint64_t mask = (std::uint64_t{1} << k) - 1;
        while (rest != 0) {
            rest *= 10;
            *at++ = static_cast<char>('0' + (rest >> k));
            rest &= mask;
        }
    }
    return out << std::string_view(text.data(), static_cast<std::size_t>(at - text.data()));
}

} // namespace grondel::game_numbers
