#pragma once

#include "model3do/model_check.h"
#include "model3do/number_text.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace grondel {

// Numbers and quoted text as the checker's messages show them: a number as the float the game
// makes of it, in its shortest text.
std::string number(double value);
std::string number(long long value);
inline std::string number(int value) {
    return number(static_cast<long long>(value));
}

// What one conversion of a scan took from its text.
struct Scanned {
    std::size_t begin = 0; // the characters it took, after the blanks it skipped
    std::size_t end = 0;
    long long integer = 0; // %d as the game's int holds it
    double real = 0.0;     // %f, before it is made a float
    std::string_view name; // %s
};

// Matches text against format the way the C library's sscanf does on a glibc host in the C
// locale, and puts what each conversion took into values (cleared first): ' ' matches any run of
// blanks, none too; %d, %x, %f and %s skip blanks and then take a decimal integer (sign and
// digits), a hex one (a "0x" after a leading 0 too), a decimal (with '.', an exponent, "nan",
// "inf", "infinity", hex "0x1.8p3") or a word; any other character matches itself. Matching
// stops at the first character that does not fit; the return value is how many conversions
// matched, as sscanf's is (with 0 where sscanf says EOF). "3x" gives %d 3 and leaves "x", a %d
// past the int's range keeps the low 32 bits of strtol's long, and %f takes "1e" as 1.
// Characters past the format are left alone.
int scan(std::string_view text, std::string_view format, std::vector<Scanned>& values);

// text without the blanks at either end.
std::string_view trimmed(std::string_view text);

// atoi's value of text: blanks, a sign and decimal digits (none: 0), wrapped to an int as glibc
// wraps strtol's result. used is set to how many characters that took.
long long atoiValue(std::string_view text, std::size_t& used);

// The float the game keeps of a value read in double precision: rounded, infinite past
// float's range.
float gameFloat(double value);

// Hands the next piece of a model's bytes to the reader, empty at the end.
using NextBytes = std::function<std::string_view()>;

// Reads a model's text one line at a time the way the game's loader does, and keeps the list of
// problems found so far. The rules of what follows what live in the checker built on it.
class ModelReader {
protected:
    // Thrown where the game's loader gives up, or once enough problems are listed.
    struct Stop {};

    explicit ModelReader(const NextBytes& next)
        : next_(next) {}

    // Notes what the game reads or draws wrong; past kMaxReportedProblems the reading stops.
    void problem(long long line, std::string text);
    // Notes what keeps the game from using the model: reading past its memory, a crash or a
    // loader that never ends (text says which). Reading goes on.
    void refused(long long line, std::string text);
    // Notes where the game's loader gives up, and stops.
    [[noreturn]] void refuse(long long line, const std::string& text);

    // Reads the next line and matches it as the game does with sscanf(line, format, ...)
    // (see scan): fewer conversions than format has refuse the model. Then reports where the
    // game reads the line otherwise than it looks: a number ending inside a word ("3x" read
    // as 3), a number read as NaN or infinity, a %d past the int's range, and with trailing
    // set, text after the last conversion (ignored by the game). what names the line for a
    // message: a text, or a function making one, so that lines read by the thousand build no
    // text unless they fail.
    template <typename What>
    void expect(std::string_view format, const What& what, bool trailing = true) {
        if (!nextLine())
            endsEarly(describe(what));
        if (scan(line_, format, values_) < conversions(format))
            mismatch(describe(what));
        checkReading(format, trailing);
    }
    // Reads the next line for a caller that reads it itself, or where the game reads a line and
    // never looks at it; the file ending there refuses the model.
    template <typename What>
    void readLine(const What& what) {
        if (!nextLine())
            endsEarly(describe(what));
    }

    // The last value read as a count that sizes a list: a negative one refuses the model.
    long long count(std::string_view what, std::size_t at = 0);
    // The "n:" that starts a list line should be its place in the list.
    void numbered(std::string_view what, long long expected);
    // Refuses the model when value is over the game's most.
    void limit(std::string_view what, long long value, long long most);
    // Reports a token of the last line that the game reads as value, otherwise than it looks.
    void readsAs(std::string_view token, const std::string& value);

    // The last line read: its number, and its text as the game holds it (lowercased, cut at
    // '#', its line end taken off); what the last scan took from it.
    long long lineNumber_ = 0;
    std::string line_;
    std::vector<Scanned> values_;

    ModelCheck result_;
    bool cut_ = false;
    // Bytes read so far.
    unsigned long long bytes_ = 0;

private:
    // Moves to the next line the game reads as data. False at the end of the text.
    bool nextLine();
    // Up to n bytes through the first '\n', added to line_ (fgets into n + 1 bytes); how many.
    std::size_t getBytes(std::size_t n);
    [[noreturn]] void endsEarly(const std::string& what);
    [[noreturn]] void mismatch(const std::string& what);
    void checkReading(std::string_view format, bool trailing);
    static int conversions(std::string_view format);

    template <typename What>
    static std::string describe(const What& what) {
        if constexpr (std::is_invocable_v<What>)
            return what();
        else
            return std::string(what);
    }

    const NextBytes& next_;
    std::string_view piece_;
    std::size_t at_ = 0;
    bool ended_ = false;
    long long newlines_ = 0; // line ends read so far
    bool lineStart_ = true;  // the next byte starts a line of the file
};

} // namespace grondel
