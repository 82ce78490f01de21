#include "converter/progress.h"

#include "converter/command_line.h"
#include "model3do/number_text.h"

#include <cmath>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace grondel::cli {
namespace {

// Lines from every picture's conversion go out one at a time.
std::mutex errorLines;

void toErrors(std::string_view line) {
    const std::lock_guard lock(errorLines);
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
    (void)std::fflush(stderr);
}

} // namespace

bool errorsAreTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

ProgressLines::ProgressLines(bool wanted, std::string name, Writer write,
                             std::chrono::milliseconds after)
    : wanted_(wanted)
    , name_(std::move(name))
    , write_(write ? std::move(write) : Writer(toErrors))
    , start_(std::chrono::steady_clock::now()) {
    if (!wanted_)
        return;
    hook_.onStage = [this](BuildStage s) { stage(s); };
    timer_ = std::thread([this, after] {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, after, [this] { return over_; }))
            return;
        shown_ = true;
        if (stage_ >= 0)
            say(stageName(static_cast<BuildStage>(stage_)));
    });
}

ProgressLines::~ProgressLines() {
    if (!wanted_)
        return;
    {
        const std::lock_guard lock(mutex_);
        over_ = true;
        if (shown_) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            say("done in " + messageNumber(std::round(seconds * 10) / 10) + " s");
        }
    }
    wake_.notify_all();
    timer_.join();
}

void ProgressLines::stage(BuildStage stage) {
    if (!wanted_)
        return;
    const std::lock_guard lock(mutex_);
    stage_ = static_cast<int>(stage);
    if (shown_)
        say(stageName(stage));
}

void ProgressLines::say(std::string_view what) {
    write_(std::string(kProgram) + ": " + name_ + ": " + std::string(what) + "\n");
}

} // namespace grondel::cli
