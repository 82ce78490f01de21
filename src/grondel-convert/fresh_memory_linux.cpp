// How the converter takes memory from Linux: blocks it is about to fill arrive with their pages
// in place, so converting a picture does not stop at every fresh page to have the kernel fault
// it in.
//
// A model's buffers are filled soon after they are allocated, a page fault each 4 KiB of them.
// Each fault is a trap into the kernel, measured at 1.5 us on one machine and 10 us on a virtual
// one, where a 4097 x 4097 picture's 50,000 faults were 0.5 s of its 1 s conversion. Asked for
// at once, the pages cost a tenth of that; and the largest blocks, advised as huge pages, fault
// once for each 2 MiB. Neither changes what a block holds: only when its pages come.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {

constexpr std::uintptr_t kPage = 4096;
// Blocks this large and larger are worth a system call to populate.
constexpr std::size_t kPopulateFrom = std::size_t{64} << 10;
// Blocks this large and larger come from their own mapping (the converter's heap gives each
// block of over a MiB one) and may hold huge pages. They are advised, not populated: a block
// that is not filled to the end (a vector's spare capacity) keeps its untouched pages unmapped.
constexpr std::size_t kHugeFrom = std::size_t{2} << 20;

void adviseFresh(void* block, std::size_t size) {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    if (size >= kHugeFrom) {
        const std::uintptr_t first = start & ~(kPage - 1);
        const std::uintptr_t end = (start + size + kPage - 1) & ~(kPage - 1);
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    } else if (size >= kPopulateFrom) {
        // The whole pages in the block, never a neighbour's: populating only maps pages, but
        // the block is ours to fill and the rest is not.
        const std::uintptr_t first = (start + kPage - 1) & ~(kPage - 1);
        const std::uintptr_t end = (start + size) & ~(kPage - 1);
        if (end > first)
            madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    }
    // A kernel without the advice (before 5.14, or without huge pages) refuses it, and the
    // pages fault in as they are touched, as they would have.
}

} // namespace

// Every allocation of the program, the C++ library's own included, comes here; the other
// forms (arrays, nothrow) call this one, and delete frees as it would have.
void* operator new(std::size_t size) {
    for (;;) {
        if (void* block = std::malloc(size != 0 ? size : 1)) {
            adviseFresh(block, size);
            return block;
        }
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}
