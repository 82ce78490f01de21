#include "parallel/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <system_error>
#include <vector>

namespace grondel::parallel::detail {
namespace {

// How long a helper done with a call keeps looking for the next before it sleeps, in pauses
// of the processor (some tens of microseconds): a model makes a dozen calls in quick
// succession, and waking a thread asleep costs up to a few hundred microseconds where the
// processor it slept on was given up, as a virtual machine's idle one is.
constexpr int kSpins = 4096;

void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Threads that wait for work, made as calls first ask for them and kept until the process
// ends. One call at a time has them.
class Helpers {
public:
    // False, having done nothing, when another call has the threads.
    bool run(std::size_t helpers, void (*call)(void*), void* context) {
        bool idle = false;
        if (!busy_.compare_exchange_strong(idle, true, std::memory_order_acquire))
            return false;
        {
            const std::lock_guard lock(mutex_);
            try {
                while (threads_.size() < helpers)
                    threads_.emplace_back([this] { serve(); });
            } catch (const std::system_error&) {
                // No more threads to be had: those there are do the work.
            }
            call_ = call;
            context_ = context;
            wanted_ = std::min(helpers, threads_.size());
            taken_ = 0;
            finished_.store(0, std::memory_order_relaxed);
            generation_.store(generation_.load(std::memory_order_relaxed) + 1,
                              std::memory_order_release);
        }
        wake_.notify_all();
        call(context);
        {
            std::unique_lock lock(mutex_);
            // Helpers that have not taken the call by now need not: this thread did their
            // share, and waiting for one still asleep only to hear it found nothing left is
            // what cost the most.
            wanted_ = taken_;
        }
        for (int k = 0; k < kSpins && !allFinished(); ++k)
            pause();
        {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [this] { return allFinished(); });
            call_ = nullptr;
        }
        busy_.store(false, std::memory_order_release);
        return true;
    }

private:
    bool allFinished() const {
        return finished_.load(std::memory_order_acquire) == wanted_.load(std::memory_order_acquire);
    }

    void serve() {
        std::uint64_t served = 0;
        for (;;) {
            for (int k = 0; k < kSpins && generation_.load(std::memory_order_acquire) == served;
                 ++k)
                pause();
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] {
                return generation_.load(std::memory_order_relaxed) != served && taken_ < wanted_;
            });
            served = generation_.load(std::memory_order_relaxed);
            ++taken_;
            void (*const call)(void*) = call_;
            void* const context = context_;
            lock.unlock();
            call(context);
            lock.lock();
            finished_.fetch_add(1, std::memory_order_release);
            if (allFinished())
                done_.notify_one();
        }
    }

    std::atomic<bool> busy_{false};
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    // The call in hand, the helpers it wants (changed under mutex_), those that took it and
    // those done with it; generation_ counts the calls. The atomics are read without the lock
    // while spinning.
    void (*call_)(void*) = nullptr;
    void* context_ = nullptr;
    std::atomic<std::size_t> wanted_{0};
    std::size_t taken_ = 0;
    std::atomic<std::size_t> finished_{0};
    std::atomic<std::uint64_t> generation_{0};
};

} // namespace

void runOnHelpers(std::size_t helpers, void (*call)(void*), void* context) {
    // Never destroyed: its threads wait on it until the process ends.
    static Helpers* const shared = new Helpers;
    if (helpers == 0 || !shared->run(helpers, call, context))
        call(context);
}

} // namespace grondel::parallel::detail
