#pragma once

#include "model3do/number_text.h"

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

// value rounded to kSignificantDigits significant digits: what a reader gets back from its text.
double significant(double value);
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
