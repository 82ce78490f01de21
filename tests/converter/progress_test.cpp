// The converter's progress lines, apart from the time they wait for.
#include "converter/command_line.h"
#include "converter/progress.h"

#include <chrono>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::cli;

namespace {

struct Heard {
    std::mutex mutex;
    std::string lines;
    ProgressLines::Writer writer() {
        return [this](std::string_view line) {
            const std::lock_guard lock(mutex);
            lines += line;
        };
    }
};

} // namespace

TEST(ProgressLines, ALongConversionIsToldStageByStageAQuickOneOrAnUnwantedOneNot) {
    using namespace std::chrono_literals;
    struct Case {
        const char* what;
        bool wanted;
        std::chrono::milliseconds after;
        bool told;
    };
    for (const Case& c : {Case{"long", true, 0ms, true}, Case{"quick", true, 3600000ms, false},
                          Case{"unwanted", false, 0ms, false}}) {
        SCOPED_TRACE(c.what);
        Heard heard;
        {
            ProgressLines progress(c.wanted, "valley.png", heard.writer(), c.after);
            EXPECT_EQ(progress.hook() != nullptr, c.wanted);
            progress.stage(BuildStage::Reading);
            std::this_thread::sleep_for(50ms); // the time comes while the picture is read
            if (BuildProgress* hook = progress.hook())
                hook->stage(BuildStage::Simplifying);
        }
        const std::string told = "grondel-convert: valley.png: reading the picture\n"
                                 "grondel-convert: valley.png: simplifying\n"
                                 "grondel-convert: valley.png: done in ";
        EXPECT_EQ(heard.lines.substr(0, c.told ? told.size() : 0), c.told ? told : "");
        EXPECT_EQ(heard.lines.empty(), !c.told) << heard.lines;
    }
}

TEST(ProgressLines, TheFlagGoesWithConvertingAndNotWithChecking) {
    EXPECT_TRUE(
        parseCommandLine({"grondel-convert", "--game", "--progress", "a.png"}).plan.progress);
    EXPECT_FALSE(parseCommandLine({"grondel-convert", "a.png"}).plan.progress);
    const Request checking =
        parseCommandLine({"grondel-convert", "--check", "--progress", "a.3do"});
    EXPECT_EQ(checking.action, Request::Action::UsageError);
    EXPECT_EQ(checking.text, "--check reads models; --progress does not go with it.");
}
