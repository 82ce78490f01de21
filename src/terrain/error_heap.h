#pragma once

#include <cstdint>
#include <vector>

namespace grondel::terrain::detail {

// Triangles ordered by their largest error, largest on top: a binary heap that can also move a
// triangle whose error changed. Triangles are numbered 0, 1, 2, ... and never leave.
class ErrorHeap {
public:
    void reserve(std::size_t n) {
        heap_.reserve(n);
        position_.reserve(n);
        error_.reserve(n);
    }
    bool empty() const { return heap_.empty(); }
    std::uint32_t top() const { return heap_.front(); }
    double error(std::uint32_t t) const { return error_[t]; }

    // Sets triangle t's error, adding t when it is new.
    void set(std::uint32_t t, double error) {
        if (t >= position_.size()) {
            position_.resize(t + 1, kAbsent);
            error_.resize(t + 1, 0.0);
        }
        const double old = error_[t];
        error_[t] = error;
        if (position_[t] == kAbsent) {
            position_[t] = std::uint32_t(heap_.size());
            heap_.push_back(t);
            up(position_[t]);
        } else if (error > old) {
            up(position_[t]);
        } else {
            down(position_[t]);
        }
    }

private:
    static constexpr std::uint32_t kAbsent = 0xffffffffu;

    void place(std::uint32_t i, std::uint32_t t) {
        heap_[i] = t;
        position_[t] = i;
    }
    void up(std::uint32_t i) {
        const std::uint32_t t = heap_[i];
        while (i > 0) {
            const std::uint32_t parent = (i - 1) / 2;
            if (error_[heap_[parent]] >= error_[t])
                break;
            place(i, heap_[parent]);
            i = parent;
        }
        place(i, t);
    }
    void down(std::uint32_t i) {
        const std::uint32_t t = heap_[i];
        const auto n = std::uint32_t(heap_.size());
        for (;;) {
            std::uint32_t child = 2 * i + 1;
            if (child >= n)
                break;
            if (child + 1 < n && error_[heap_[child + 1]] > error_[heap_[child]])
                ++child;
            if (error_[heap_[child]] <= error_[t])
                break;
            place(i, heap_[child]);
            i = child;
        }
        place(i, t);
    }

    std::vector<std::uint32_t> heap_;
    std::vector<std::uint32_t> position_;
    std::vector<double> error_;
};

} // namespace grondel::terrain::detail
