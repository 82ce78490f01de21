#pragma once

#include "terrain/chunked_array.h"

#include <cstdint>
#include <vector>

namespace grondel::terrain::detail {

// Triangles still to refine, the one with the largest error on top: a binary heap that can
// also move or drop a triangle whose error changed. Keys sit in their own array, in heap
// order, so sifting reads memory close together. Triangles are numbered 0, 1, 2, ...
class ErrorHeap {
public:
    bool empty() const { return keys_.empty(); }
    std::uint32_t top() const { return ids_.front(); }

    // Sets triangle t's error, adding t when it is not in the heap.
    void set(std::uint32_t t, double error) {
        if (t >= position_.size())
            position_.growTo(static_cast<std::size_t>(t) + 1, kAbsent);
        std::uint32_t i = position_[t];
        if (i == kAbsent) {
            i = static_cast<std::uint32_t>(keys_.size());
            keys_.push_back(error);
            ids_.push_back(t);
            up(i, error, t);
        } else if (error > keys_[i]) {
            up(i, error, t);
        } else {
            down(i, error, t);
        }
    }

    // Drops triangle t, if it is there.
    void remove(std::uint32_t t) {
        if (t >= position_.size() || position_[t] == kAbsent)
            return;
        const std::uint32_t i = position_[t];
        position_[t] = kAbsent;
        const double lastKey = keys_.back();
        const std::uint32_t lastId = ids_.back();
        keys_.pop_back();
        ids_.pop_back();
        if (i == keys_.size())
            return;
        if (lastKey > keys_[i])
            up(i, lastKey, lastId);
        else
            down(i, lastKey, lastId);
    }

private:
    static constexpr std::uint32_t kAbsent = 0xffffffffu;

    void place(std::uint32_t i, double key, std::uint32_t t) {
        keys_[i] = key;
        ids_[i] = t;
        position_[t] = i;
    }
    // Moves (key, t), bound for slot i, up or down to where it belongs.
    void up(std::uint32_t i, double key, std::uint32_t t) {
        while (i > 0) {
            const std::uint32_t parent = (i - 1) / 2;
            if (keys_[parent] >= key)
                break;
            place(i, keys_[parent], ids_[parent]);
            i = parent;
        }
        place(i, key, t);
    }
    void down(std::uint32_t i, double key, std::uint32_t t) {
        const auto n = static_cast<std::uint32_t>(keys_.size());
        for (;;) {
            std::uint32_t child = 2 * i + 1;
            if (child >= n)
                break;
            // The larger child without a branch: which one it is, is as good as a coin toss,
            // and a guessed branch would go wrong at every other level.
            if (child + 1 < n)
                child += keys_[child + 1] > keys_[child] ? 1u : 0u;
            if (keys_[child] <= key)
                break;
            place(i, keys_[child], ids_[child]);
            i = child;
        }
        place(i, key, t);
    }

    std::vector<double> keys_;             // errors in heap order
    std::vector<std::uint32_t> ids_;       // the triangle in each slot
    ChunkedArray<std::uint32_t> position_; // each triangle's slot, or kAbsent
};

} // namespace grondel::terrain::detail
