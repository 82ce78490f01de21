#include "terrain/tent.h"

#include <algorithm>
#include <cmath>

namespace grondel {

std::vector<Taps> tentTaps(int pixels, int points) {
    std::vector<Taps> all(static_cast<std::size_t>(points));
    if (pixels == 1) {
        for (Taps& taps : all)
            taps.weights = {1.0};
        return all;
    }
    const double step = static_cast<double>(pixels - 1) / (points - 1);
    for (int i = 0; i < points; ++i) {
        // The end points land exactly on the end samples, whatever the rounding of step.
        const double at = i == points - 1 ? pixels - 1 : i * step;
        // One step between points, but never less than one sample: then the tent is linear
        // interpolation. Near the ends it narrows to stay whole on both sides, so that it
        // never leans inwards: the end points read the end samples as they are.
        const double reach = std::min(std::max(step, 1.0), std::min(at + 1.0, pixels - at));
        Taps& taps = all[static_cast<std::size_t>(i)];
        taps.first = std::max(0, static_cast<int>(std::floor(at - reach)) + 1);
        const int last = std::min(pixels - 1, static_cast<int>(std::ceil(at + reach)) - 1);
        double sum = 0.0;
        for (int p = taps.first; p <= last; ++p) {
            const double weight = std::max(0.0, 1.0 - std::abs(p - at) / reach);
            taps.weights.push_back(weight);
            sum += weight;
        }
        for (double& weight : taps.weights)
            weight /= sum;
    }
    return all;
}

} // namespace grondel
