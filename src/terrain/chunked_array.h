#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace grondel::terrain::detail {

// A growable array kept in fixed chunks, so that growing it never copies what is there: a
// mesh of tens of millions of triangles would otherwise need its old and new arrays at once
// while a std::vector doubles. Indexing costs a shift, a mask and one more load. Chunks are
// small (4096 elements) since a large grid's thousand tiles each hold a few such arrays of a
// few hundred elements: at 65536 the memory the tiles took and gave back, reused in part for
// the next tile's chunks, held 20 to 65 MB more at the peak of a 4097 x 4097 terrain.
template <class T>
class ChunkedArray {
public:
    static constexpr std::size_t kChunkBits = 12;
    static constexpr std::size_t kChunk = static_cast<std::size_t>(1) << kChunkBits;

    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }

    // Grows to n elements, the new ones set to value; never shrinks.
    void growTo(std::size_t n, const T& value) {
        while (size_ < n) {
            if ((size_ & (kChunk - 1)) == 0)
                chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
            // The rest of this chunk at once, as far as n.
            const std::size_t at = size_ & (kChunk - 1);
            const std::size_t count = std::min(n - size_, kChunk - at);
            std::fill_n(chunks_.back().get() + at, count, value);
            size_ += count;
        }
    }
    void push_back(const T& value) { growTo(size_ + 1, value); }
    // Appends what make(i, n, out) writes to out[0, n), n elements a call, i counting them from 0,
    // until count are appended; each call's elements lie together in one chunk.
    template <class Make>
    void append(std::size_t count, Make&& make) {
        for (std::size_t i = 0; i < count;) {
            if ((size_ & (kChunk - 1)) == 0)
                chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
            const std::size_t at = size_ & (kChunk - 1);
            const std::size_t n = std::min(count - i, kChunk - at);
            make(i, n, chunks_.back().get() + at);
            size_ += n;
            i += n;
        }
    }
    // Calls visit(i, n, run) over the elements from first on, n of them a call, run[0, n) being
    // elements i to i + n - 1, until count are visited; first + count <= size().
    template <class Visit>
    void visitRuns(std::size_t first, std::size_t count, Visit&& visit) const {
        for (std::size_t i = first; i < first + count;) {
            const std::size_t at = i & (kChunk - 1);
            const std::size_t n = std::min(first + count - i, kChunk - at);
            visit(i, n, chunks_[i >> kChunkBits].get() + at);
            i += n;
        }
    }
    // Drops the elements from n on, and the chunks only they used; n <= size().
    void shrinkTo(std::size_t n) {
        size_ = n;
        chunks_.resize((n + kChunk - 1) >> kChunkBits);
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

} // namespace grondel::terrain::detail
