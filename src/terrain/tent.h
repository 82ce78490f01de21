#pragma once

#include <vector>

namespace grondel {

// The samples that make one point of a corner-aligned resampling along one axis, with their
// weights (summing to 1): first, first + 1, ...
struct Taps {
    int first = 0;
    std::vector<double> weights;
};

// For each of points positions spread over a side of pixels samples, corner to corner (point i
// on sample position i x (pixels - 1) / (points - 1)): a tent that falls to zero one point's
// step away (never narrower than one sample, so a finer resampling interpolates linearly),
// narrowed at the ends to stay whole, so the end points read the end samples as they are.
// The rule --fit resamples a picture onto the grid with, and a picture or terrain onto a
// texture. pixels and points are at least 1 and 2.
std::vector<Taps> tentTaps(int pixels, int points);

} // namespace grondel
