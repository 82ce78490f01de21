#pragma once

#include "terrain/game_terrain.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace grondel::cli {

// Standard error is a terminal someone watches, not a pipe or a file.
bool errorsAreTerminal();

// One picture's conversion told on standard error as it goes, once it has run longer than
// after: "grondel-convert: NAME: simplifying" as each stage starts, the stage under way when
// that time comes first, and "grondel-convert: NAME: done in 12.3 s" at the end. A quicker
// conversion says nothing; so does one not wanted. Each line goes out whole, so the lines of
// pictures converted side by side do not mix.
class ProgressLines {
public:
    using Writer = std::function<void(std::string_view line)>;
    static constexpr std::chrono::milliseconds kAfter{1000};

    // write: where lines go, standard error unless given.
    ProgressLines(bool wanted, std::string name, Writer write = {},
                  std::chrono::milliseconds after = kAfter);
    ~ProgressLines();
    ProgressLines(const ProgressLines&) = delete;
    ProgressLines& operator=(const ProgressLines&) = delete;

    // For buildGameTerrain: its stages come here. Null when nothing is wanted.
    BuildProgress* hook() { return wanted_ ? &hook_ : nullptr; }
    void stage(BuildStage stage);

private:
    void say(std::string_view what);

    const bool wanted_;
    const std::string name_;
    const Writer write_;
    const std::chrono::steady_clock::time_point start_;
    BuildProgress hook_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int stage_ = -1;
    bool shown_ = false; // the time has come: stages are told as they start
    bool over_ = false;
    std::thread timer_;
};

} // namespace grondel::cli
