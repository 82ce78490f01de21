#pragma once

#include "model3do/number_text.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace grondel::game_numbers {

// How the game model writes its numbers. The game reads every decimal into a float32, so:
// - x and y are whole multiples of a power-of-two quantum 2^-k, written exactly (at most k
//   decimals), so that the engine's float32 sums of node and vertex are exact;
// - heights, normals and texture coordinates keep kSignificantDigits significant digits,
//   enough for a float32 to come back as the nearest one to the value and for a steep face's
//   tiny normal z to keep its sign and size;
// - radii are rounded up to kSignificantDigits digits, so that they still cover what they
//   must once the game has read them into a float32.
inline constexpr int kSignificantDigits = 9;
// The finest quantum written: 2^-kMaxQuantumDecimals.
inline constexpr int kMaxQuantumDecimals = 60;
// A float32 holds every whole multiple of a quantum up to this many quanta.
inline constexpr double kFloatWholeLimit = 16777216.0; // 2^24

namespace detail {

// Powers of ten a double holds exactly.
inline constexpr std::array<double, 23> kPowersOfTen{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr double kLeast = 1e8, kBeyond = 1e9; // a whole number of kSignificantDigits digits

// value as digits x 10^-decimals, digits a whole number of kSignificantDigits digits, for
// magnitudes where both factors are exact doubles (1e-13 up to 1e15). Then digits / 10^decimals
// is one correctly rounded operation: the very double a reader makes of the decimal text.
struct Digits {
    double digits = 0.0;
    int decimals = 0;
};
// std::ilogb of a normal double, read from its bits.
inline int binaryExponent(double normal) {
    return static_cast<int>((std::bit_cast<std::uint64_t>(normal) >> 52) & 0x7ff) - 1023;
}
// floor(e log10(2)), exactly, for |e| <= 1100.
inline int floorLog10OfPowerOf2(int e) {
    constexpr long long kScaled = 1292913986; // log10(2) * 2^32, rounded down
    return static_cast<int>((e * kScaled) >> 32);
}
inline bool digitsOf(double value, Digits& out) {
    const double size = std::abs(value);
    if (!(size >= 1e-13 && size < 1e15))
        return false;
    // log10(2^e), e the binary exponent, is within one of the decimal exponent; the loop
    // corrects it. Where the loop starts decides between two texts when both round right
    // ("1" and "0.999999999"), so the first guess is part of what gets written.
    int decimals = kSignificantDigits - 1 - floorLog10OfPowerOf2(binaryExponent(size));
    for (int tries = 0; tries < 4; ++tries) {
        const double scaled = decimals >= 0
                                  ? value * kPowersOfTen[static_cast<std::size_t>(decimals)]
                                  : value / kPowersOfTen[static_cast<std::size_t>(-decimals)];
        // Rounded half away from zero; |scaled| < 1e11, so the whole number fits. The half takes
        // the sign without a branch: normals' signs come at random.
        const auto digits =
            static_cast<double>(static_cast<long long>(scaled + std::copysign(0.5, scaled)));
        if (std::abs(digits) >= kBeyond)
            --decimals;
        else if (std::abs(digits) < kLeast && decimals < 22)
            ++decimals;
        else
            return out = {digits, decimals}, true;
    }
    return false;
}
inline double valueOf(Digits d) {
    return d.decimals >= 0 ? d.digits / kPowersOfTen[static_cast<std::size_t>(d.decimals)]
                           : d.digits * kPowersOfTen[static_cast<std::size_t>(-d.decimals)];
}

// significant() of what digitsOf does not take: zeros, numbers not finite, magnitudes beyond.
double significantOtherwise(double value);

} // namespace detail

// value rounded to kSignificantDigits significant digits: what a reader gets back from its text.
// Inline: every height of a terrain goes through it before it is simplified.
inline double significant(double value) {
    detail::Digits d;
    return detail::digitsOf(value, d) ? detail::valueOf(d) : detail::significantOtherwise(value);
}
// The smallest kSignificantDigits-digit number at least distance plus a float32 rounding step.
// distance >= 0.
double radiusAbove(double distance);

// The finest quantum exponent k in 0..kMaxQuantumDecimals for which every value of magnitude at
// most largest, rounded to a whole multiple of 2^-k, is at most kFloatWholeLimit quanta from 0.
// Returns -1 when even a quantum of 1 is too fine (largest above 2^24) or largest is not finite.
int quantumExponent(double largest);
// value rounded to the nearest whole multiple of 2^-k.
double quantized(double value, int k);

// The shortest text that reads back as value: plain or exponent form ("0.25", "-3.1e-07"),
// "0" for either zero. For values from significant(), at most kSignificantDigits digits.
ModelText& appendShortest(ModelText& out, double value);
// A whole multiple of 2^-k written exactly: at most k decimals, trailing zeros and a bare point
// dropped ("-15.75", "3", "0"). 0 <= k <= kMaxQuantumDecimals and |value| <= 2^24.
ModelText& appendExact(ModelText& out, double value, int k);

} // namespace grondel::game_numbers
