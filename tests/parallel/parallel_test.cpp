#include "parallel/parallel.h"
#include "support/scoped_env.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using grondel::parallel::forEachIndex;

// Counts how often each index came, on four threads whatever the machine has.
class ForEachIndex : public ::testing::Test {
protected:
    const grondel::testing::ScopedEnv threads_{"GRONDEL_THREADS", "4"};

    static std::vector<int> counted(std::size_t count) {
        std::vector<std::atomic<int>> seen(count);
        forEachIndex(count, [&](std::size_t i) { seen[i].fetch_add(1); });
        std::vector<int> out;
        for (const auto& s : seen)
            out.push_back(s.load());
        return out;
    }
};

TEST_F(ForEachIndex, EveryIndexOnceCallAfterCall) {
    for (const std::size_t count : {1u, 2u, 3u, 1000u})
        for (int call = 0; call < 50; ++call)
            ASSERT_EQ(counted(count), std::vector<int>(count, 1)) << count << " call " << call;
}

// Each thread's scratch is its own: workers number from 0 below the threads allowed, every one
// takes some of the indices (each long enough for all to start), and the counts each keeps add
// up to every index once.
TEST_F(ForEachIndex, WorkersKeepScratchOfTheirOwn) {
    constexpr std::size_t kCount = 60;
    const std::size_t workers = grondel::parallel::workersFor(kCount, 3);
    ASSERT_EQ(workers, 3u);
    std::vector<std::vector<int>> seen(workers + 1, std::vector<int>(kCount, 0));
    grondel::parallel::forEachIndexOnWorkers(kCount, 3, [&](std::size_t worker, std::size_t i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++seen[std::min(worker, workers)][i];
    });
    std::vector<int> total(kCount, 0);
    for (std::size_t w = 0; w < workers; ++w)
        for (std::size_t i = 0; i < kCount; ++i)
            total[i] += seen[w][i];
    EXPECT_EQ(total, std::vector<int>(kCount, 1));
}

// The threads are busy with the outer call, or with another thread's: these run anyway.
TEST_F(ForEachIndex, CallsFromInsideWorkAndFromOtherThreadsAllFinish) {
    std::atomic<int> inner{0};
    forEachIndex(8,
                 [&](std::size_t) { forEachIndex(10, [&](std::size_t) { inner.fetch_add(1); }); });
    EXPECT_EQ(inner.load(), 80);

    std::vector<std::vector<int>> results(4);
    std::vector<std::thread> callers;
    for (std::size_t c = 0; c < results.size(); ++c)
        callers.emplace_back([&, c] {
            for (int call = 0; call < 20; ++call)
                results[c] = counted(500);
        });
    for (std::thread& caller : callers)
        caller.join();
    for (const auto& result : results)
        EXPECT_EQ(result, std::vector<int>(500, 1));
}

TEST_F(ForEachIndex, ThrowsTheLowestIndexsExceptionAndStaysUsable) {
    try {
        forEachIndex(100, [](std::size_t i) {
            if (i == 7 || i == 60)
                throw std::runtime_error(std::to_string(i));
        });
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "7");
    }
    EXPECT_EQ(counted(100), std::vector<int>(100, 1));
}

} // namespace
