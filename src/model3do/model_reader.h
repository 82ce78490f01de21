#pragma once

#include "model3do/model_check.h"
#include "model3do/number_text.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace grondel {

// Numbers and quoted text as the checker's messages show them.
std::string number(double value);
std::string number(long long value);

// Reads a model's text one data line at a time, the way the game's loader does, and keeps the
// list of problems found so far. The rules of what follows what live in the checker built on it.
class ModelReader {
protected:
    // Thrown where the game's loader gives up, or once enough problems are listed.
    struct Stop {};

    explicit ModelReader(std::string_view text)
        : text_(text) {}

    // Notes a problem; past kMaxReportedProblems the reading stops.
    void problem(long long line, std::string text);
    // Notes a problem the game's loader stops at, and stops.
    [[noreturn]] void fail(long long line, std::string text);

    // Reads the next data line and matches it whole against pattern: "%i" an index "n:", "%d" an
    // integer, "%x" hex flags, "%f" a decimal, "%s" a name, anything else the word itself. With
    // more set, further words may follow. A mismatch stops the check, as it stops the game.
    // what names the line for a message: a text, or a function making one, so that lines read
    // by the thousand build no text unless they fail.
    template <typename What>
    void expect(std::initializer_list<std::string_view> pattern, const What& what,
                bool more = false) {
        if (!nextLine())
            fail(line_ + 1, "the file ends where " + describe(what) + " should follow");
        if (!matches(pattern, more))
            fail(line_, "expected " + describe(what) + ", found " + quoted(lower_));
    }

    // The last value read as a count that sizes a list: a negative one stops the reading.
    long long count(std::string_view what);
    // The "n:" that starts a list line should be its place in the list.
    void numbered(std::string_view what, long long expected);
    // Notes what holds value when it is over the game's most.
    void limit(std::string_view what, long long value, long long most);

    // What the last line read holds: its number, the line lowercased and cut at '#', its words
    // (',' a word of its own), and by kind the values its pattern read.
    long long line_ = 0;
    std::string lower_;
    std::vector<std::string_view> words_;
    std::vector<long long> integers_;
    std::vector<double> reals_;
    std::string_view name_;

    ModelCheck result_;
    bool cut_ = false;

private:
    // Moves to the next line the game reads as data and splits it into words. False at the end.
    bool nextLine();
    bool matches(std::initializer_list<std::string_view> pattern, bool more);

    template <typename What>
    static std::string describe(const What& what) {
        if constexpr (std::is_invocable_v<What>)
            return what();
        else
            return std::string(what);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace grondel
