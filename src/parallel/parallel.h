#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

namespace grondel::parallel {

// Threads to spread work over: the processor's count, or GRONDEL_THREADS when it gives a whole
// number from 1 to 256. Results never depend on it: every user of these threads puts each
// piece's result in its own place.
inline unsigned workerCount() {
    if (const char* given = std::getenv("GRONDEL_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(given, &end, 10);
        if (end != given && *end == '\0' && n >= 1 && n <= 256)
            return static_cast<unsigned>(n);
    }
    // Counted once: the C library reads it from a file each time it is asked, three system
    // calls for each of the dozen or so calls a model makes.
    static const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    return processors;
}

namespace detail {

// Runs call(context) on up to helpers threads of the process's own, kept waiting between calls
// (starting a thread for every call cost about 60 microseconds, a dozen calls a model), as
// well as once on this thread; returns when every one has returned. call must not throw. While
// the threads are busy with another call (one made from inside call, or from another thread at
// the same time) none helps: call then runs on this thread alone.
void runOnHelpers(std::size_t helpers, void (*call)(void*), void* context);

} // namespace detail

// The threads the calls below spread count indices over when given at most most.
inline std::size_t workersFor(std::size_t count, std::size_t most = SIZE_MAX) {
    return std::min({static_cast<std::size_t>(workerCount()), count, most});
}

// Calls work(worker, i) once for every i in [0, count), on up to workersFor(count, most)
// threads (this one among them), handing out the indices in increasing order; worker, from 0 to
// one less than that, says which thread runs it, for scratch a thread keeps from one index to
// the next. Returns when all are done. An exception stops handing out more; the one of the
// lowest index is thrown again here, which is the one a loop in order would have met first.
template <typename Work>
void forEachIndexOnWorkers(std::size_t count, std::size_t most, Work&& work) {
    const std::size_t threads = workersFor(count, most);
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            work(std::size_t{0}, i);
        return;
    }
    std::atomic<std::size_t> next{0}, workers{0};
    std::exception_ptr failure;
    std::size_t failed = count;
    std::mutex failureLock;
    auto run = [&] {
        const std::size_t worker = workers.fetch_add(1, std::memory_order_relaxed);
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
            try {
                work(worker, i);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (i < failed) {
                    failure = std::current_exception();
                    failed = i;
                }
                next.store(count, std::memory_order_relaxed);
            }
        }
    };
    detail::runOnHelpers(
        threads - 1, [](void* context) { (*static_cast<decltype(run)*>(context))(); }, &run);
    if (failure)
        std::rethrow_exception(failure);
}

// The same on up to workerCount() threads, work(i) not told which.
template <typename Work>
void forEachIndex(std::size_t count, Work&& work) {
    forEachIndexOnWorkers(count, count, [&work](std::size_t, std::size_t i) { work(i); });
}

} // namespace grondel::parallel
