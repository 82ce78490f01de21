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

// The eight decimal digits of n < 10^8 as one word, the first digit in its lowest byte (which
// is first in memory, little-endian), each byte 0 to 9: two halves of four digits, each halved
// into two of two and those into digits, every lane at once. The products fit their lanes:
// 9999 * 10486 < 2^27, 99 * 103 < 2^14, and the quotients are exact over those ranges.
std::uint64_t eightDigits(std::uint32_t n) {
    std::uint64_t x = n / 10000 | std::uint64_t{n % 10000} << 32;
    const std::uint64_t hundreds = (x * 10486) >> 20 & 0x0000007f0000007f;
    x = hundreds | (x - hundreds * 100) << 16;
    const std::uint64_t tens = (x * 103) >> 10 & 0x000f000f000f000f;
    return tens | (x - tens * 10) << 8;
}

// word's eight bytes at at, its lowest first.
void store(char* at, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &word, sizeof word);
    } else {
        for (int k = 0; k < 8; ++k)
            at[k] = static_cast<char>(word >> (8 * k));
    }
}

// A whole number of at most 9 digits: exactly its own text.
// Converted both ways rather than floor(), which without SSE4.1 costs a score of instructions.
bool wholeBelowBillion(double value) {
    return std::abs(value) < 1e9 && static_cast<double>(static_cast<long long>(value)) == value;
}

// 2^e, for e from -1022 to 1023.
double powerOfTwo(int e) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(1023 + e) << 52);
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
    const double scaled = value * powerOfTwo(k);
    double whole = scaled;
    if (std::abs(scaled) < 0x1p52)
        whole = std::copysign((std::abs(scaled) + 0x1p52) - 0x1p52, scaled);
    return whole * powerOfTwo(-k) + 0.0;
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
    // Written in place, whole words at a time: this runs for most numbers of a model.
    const auto n = static_cast<std::uint32_t>(std::abs(d.digits));
    const std::uint32_t top = n / 100000000;
    const std::uint64_t rest = eightDigits(n - top * 100000000);
    constexpr std::uint64_t kZeros = 0x3030303030303030; // "00000000"
    const char first = static_cast<char>('0' + top);
    // Trailing zeros are the word's highest zero bytes; the first digit is never 0.
    const int zeros = rest == 0 ? 8 : std::countl_zero(rest) / 8;
    const int dropped = std::clamp(d.decimals, 0, zeros);
    const int count = kSignificantDigits - dropped, decimals = d.decimals - dropped;
    char* at = out.room(40);
    *at = '-'; // kept for a negative number only; signs come at random in normals
    at += d.digits < 0.0 ? 1 : 0;
    const auto digitsAt = [&](char* where) {
        *where = first;
        store(where + 1, rest | kZeros);
    };
    if (decimals <= 0) {
        digitsAt(at);
        store(at + count, kZeros); // at most 6 zeros: below 1e15
        at += count - decimals;
    } else if (decimals < count) {
        const int whole = count - decimals; // 1 to 8 digits before the point
        digitsAt(at);
        at[whole] = '.';
        store(at + whole + 1, (rest | kZeros) >> (8 * (whole - 1)));
        at += count + 1;
    } else if (decimals - count < 4) { // 0.000ddd, at least 1e-4
        store(at, 0x3030303030302e30); // "0.000000"
        at += 2 + decimals - count;
        digitsAt(at);
        at += count;
    } else { // d.ddde-XX
        *at = first;
        at[1] = '.';
        store(at + 2, rest | kZeros);
        at += count > 1 ? count + 1 : 1;
        const int exponent = decimals - count + 1; // 5 to 22 for what digitsOf takes
        at[0] = 'e';
        at[1] = '-';
        at[2] = static_cast<char>('0' + exponent / 10);
        at[3] = static_cast<char>('0' + exponent % 10);
        at += 4;
    }
    out.wrote(at);
    return out;
}

ModelText& appendExact(ModelText& out, double value, int k) {
    if (value == 0.0)
        return out << '0';
    // The fraction as a whole number of quanta 2^-k. Each decimal in turn: times 10, the
    // whole part is the digit and the rest carries on; below 2^64 for k <= 60. The expansion
    // ends after at most k digits, and never on a zero.
    // Whole parts by converting to an integer and back, the scale by a product with a power of
    // two (exact): floor() and ldexp() cost far more, and this runs twice for every vertex.
    const double size = std::abs(value);
    const bool inRange = k >= 0 && k <= kMaxQuantumDecimals && size <= kFloatWholeLimit;
    const double whole = inRange ? static_cast<double>(static_cast<std::uint32_t>(size)) : 0.0;
    const double fraction = inRange ? (size - whole) * powerOfTwo(k) : 0.0; // below 2^60
    if (!inRange || static_cast<double>(static_cast<std::uint64_t>(fraction)) != fraction) {
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
