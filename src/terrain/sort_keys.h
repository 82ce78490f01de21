#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace grondel::terrain::detail {

// Sorts keys ascending, as std::sort does, by least significant digit first (11 bits a pass):
// the meshes' keys (curve codes and numbers, grid cells) run to hundreds of thousands a terrain,
// where comparison sorting took a tenth of the simplifier's time. A pass whose digit every key
// shares is skipped, so short keys cost few passes. The bits below orderedBelow are left as they
// come: among keys alike above them they must already increase along the vector (a number
// counting up, or bits that those above decide), the passes being stable. A key of a code over a
// triangle's number then costs the code's passes alone.
inline void sortKeys(std::vector<std::uint64_t>& keys, int orderedBelow = 0) {
    constexpr int kDigitBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
    if (keys.size() < 2)
        return;
    std::vector<std::uint64_t> other(keys.size());
    std::array<std::size_t, kBuckets> start;
    for (int shift = orderedBelow; shift < 64; shift += kDigitBits) {
        start.fill(0);
        for (const std::uint64_t key : keys)
            ++start[key >> shift & (kBuckets - 1)];
        if (start[keys.front() >> shift & (kBuckets - 1)] == keys.size())
            continue;
        std::size_t sum = 0;
        for (std::size_t& count : start) {
            const std::size_t here = count;
            count = sum;
            sum += here;
        }
        for (const std::uint64_t key : keys)
            other[start[key >> shift & (kBuckets - 1)]++] = key;
        keys.swap(other);
    }
}

} // namespace grondel::terrain::detail
