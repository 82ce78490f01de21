#include "parallel/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <system_error>
#include <vector>

namespace grondel::parallel::detail {
namespace {

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
            finished_ = 0;
            ++generation_;
        }
        wake_.notify_all();
        call(context);
        {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [this] { return finished_ == wanted_; });
            call_ = nullptr;
        }
        busy_.store(false, std::memory_order_release);
        return true;
    }

private:
    void serve() {
        std::uint64_t served = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return generation_ != served && taken_ < wanted_; });
            served = generation_;
            ++taken_;
            void (*const call)(void*) = call_;
            void* const context = context_;
            lock.unlock();
            call(context);
            lock.lock();
            if (++finished_ == wanted_)
                done_.notify_one();
        }
    }

    std::atomic<bool> busy_{false};
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    // The call in hand, the helpers it wants, those that took it and those done with it.
    void (*call_)(void*) = nullptr;
    void* context_ = nullptr;
    std::size_t wanted_ = 0, taken_ = 0, finished_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace

void runOnHelpers(std::size_t helpers, void (*call)(void*), void* context) {
    // Never destroyed: its threads wait on it until the process ends.
    static Helpers* const shared = new Helpers;
    if (helpers == 0 || !shared->run(helpers, call, context))
        call(context);
}

} // namespace grondel::parallel::detail
