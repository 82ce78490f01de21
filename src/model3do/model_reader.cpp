#include "model3do/model_reader.h"

#include <array>
#include <charconv>
#include <cmath>

namespace grondel {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool parseHex(std::string_view word, unsigned long long& value) {
    if (word.starts_with("0x"))
        word.remove_prefix(2);
    if (word.empty())
        return false;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

// Decimal numbers as "%f" takes them ("1.5", "-2", "+.5", "1e-05"), finite only.
bool parseReal(std::string_view word, double& value) {
    return readNumber(word, value) && std::isfinite(value);
}

} // namespace

std::string number(double value) {
    std::array<char, 32> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 9);
    return std::string(buffer.data(), result.ptr);
}

std::string number(long long value) {
    return std::to_string(value);
}

void ModelReader::problem(long long line, std::string text) {
    if (result_.problems.size() >= kMaxReportedProblems) {
        cut_ = true;
        throw Stop{};
    }
    result_.problems.push_back({line, std::move(text)});
}

void ModelReader::fail(long long line, std::string text) {
    problem(line, std::move(text));
    throw Stop{};
}

// Moves to the next line the game reads as data and splits it into words; ',' is a word of
// its own. False at the end of the text.
bool ModelReader::nextLine() {
    while (pos_ < text_.size()) {
        // The game reads a line as fgets does into kGameLineReadBytes + 1 bytes: up to and
        // with its line end, but at most kGameLineReadBytes; what is left of a longer line
        // comes as the next line.
        const bool continued = pos_ > 0 && text_[pos_ - 1] != '\n';
        const std::string_view rest = text_.substr(pos_, kGameLineReadBytes);
        const std::size_t end = rest.find('\n');
        const std::string_view raw = rest.substr(0, end == std::string_view::npos ? end : end + 1);
        pos_ += raw.size();
        if (!continued)
            ++line_;
        const char first = raw.front();
        if (first == '#' || first == ';' || first == '\r' || first == '\n')
            continue;
        if (continued)
            problem(line_, "the line is longer than the " +
                               number(static_cast<long long>(kGameLineReadBytes)) +
                               " bytes the game reads at once: it reads what follows them as "
                               "another line");

        const std::string_view content = raw.substr(0, raw.find_last_not_of("\r\n") + 1);
        lower_.assign(content.substr(0, content.find('#')));
        for (char& c : lower_)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        words_.clear();
        const std::string_view line(lower_);
        std::size_t i = 0;
        while (i < line.size()) {
            if (isBlank(line[i])) {
                ++i;
            } else if (line[i] == ',') {
                words_.push_back(line.substr(i++, 1));
            } else {
                const std::size_t start = i;
                while (i < line.size() && !isBlank(line[i]) && line[i] != ',')
                    ++i;
                words_.push_back(line.substr(start, i - start));
            }
        }
        if (words_.empty())
            fail(line_, "the line holds only spaces or an indented comment: the game reads "
                        "it as data and refuses the model (blank lines must be empty)");
        return true;
    }
    return false;
}

bool ModelReader::matches(std::initializer_list<std::string_view> pattern, bool more) {
    integers_.clear();
    reals_.clear();
    name_ = {};
    bool matches = more ? words_.size() >= pattern.size() : words_.size() == pattern.size();
    auto word = words_.begin();
    for (auto it = pattern.begin(); matches && it != pattern.end(); ++it, ++word) {
        long long integer = 0;
        unsigned long long flags = 0;
        double real = 0.0;
        if (*it == "%i") {
            matches =
                word->ends_with(':') && readNumber(word->substr(0, word->size() - 1), integer);
            integers_.push_back(integer);
        } else if (*it == "%d") {
            matches = readNumber(*word, integer);
            integers_.push_back(integer);
        } else if (*it == "%x") {
            matches = parseHex(*word, flags);
        } else if (*it == "%f") {
            matches = parseReal(*word, real);
            reals_.push_back(real);
        } else if (*it == "%s") {
            name_ = *word;
        } else {
            matches = *word == *it;
        }
    }
    return matches;
}

// A count that sizes a list: negative counts leave nothing sensible to read.
long long ModelReader::count(std::string_view what) {
    const long long value = integers_.back();
    if (value < 0)
        fail(line_, std::string(what) + " " + number(value) + " is negative");
    return value;
}

// The "n:" that starts a list line should be its place in the list.
void ModelReader::numbered(std::string_view what, long long expected) {
    if (integers_.front() != expected)
        problem(line_, std::string(what) + " line numbered " + number(integers_.front()) +
                           " where " + number(expected) + " belongs");
}

void ModelReader::limit(std::string_view what, long long value, long long most) {
    if (value > most)
        problem(line_, std::string(what) + " " + number(value) + "; the game takes at most " +
                           number(most));
}

} // namespace grondel
