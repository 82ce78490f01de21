#pragma once

#include "model3do/number_text.h"
#include "model3do/vec3.h"

namespace grondel::game_numbers {

// The game model prints every decimal with six decimals.
// What a reader gets back from the printed text of value.
double printed(double value);
// The smallest six-decimal number that is at least distance once read back.
double radiusAbove(double distance);
// value with six decimals ("-1.500000").
ModelText& append(ModelText& out, double value);
// "x y z", each with six decimals.
ModelText& append(ModelText& out, Vec3 v);

} // namespace grondel::game_numbers
