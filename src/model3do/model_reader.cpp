#include "model3do/model_reader.h"

#include "model3do/limits.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace grondel {
namespace {

// The C library's isspace in the C locale.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// The low 32 bits of value as a signed int, as a C cast of long to int keeps them.
long long wrapToInt(long long value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// strtol's value of an optional sign and the decimal digits after it, saturated to its range.
long long decimalValue(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    unsigned long long magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    constexpr auto kMost = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (result.ec == std::errc::result_out_of_range || magnitude > kMost + (negative ? 1 : 0))
        return negative ? std::numeric_limits<long long>::min()
                        : std::numeric_limits<long long>::max();
    return negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
}

// How many characters of text scanf's %d (base 10) or %x (base 16) takes; 0 when it matches
// none. glibc takes a sign, then for %x a "0x" after a leading 0 even with no digit after it.
std::size_t integerLength(std::string_view text, int base) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    const std::size_t start = at;
    if (base == 16 && at + 1 < text.size() && text[at] == '0' && lower(text[at + 1]) == 'x') {
        at += 2;
        while (at < text.size() && isHexDigit(text[at]))
            ++at;
        return at;
    }
    while (at < text.size() && (base == 16 ? isHexDigit(text[at]) : isDigit(text[at])))
        ++at;
    return at == start ? 0 : at;
}

// Whether a decimal or hex number (digits, '.', an exponent; no sign) is at least 1: from_chars
// says only that it is out of double's range, and strtod then gives infinity or 0.
bool atLeastOne(std::string_view body, bool hex) {
    const char exponentMark = hex ? 'p' : 'e';
    std::size_t at = 0;
    long long place = 0; // digit places before the point from the first nonzero digit, or minus
    bool found = false;  // the zeros after the point before it
    bool point = false;
    for (; at < body.size() && lower(body[at]) != exponentMark; ++at) {
        if (body[at] == '.') {
            point = true;
        } else if (!found && body[at] != '0') {
            found = true;
            place = point ? place - 1 : 1;
        } else if (found && !point) {
            ++place;
        } else if (!found && point) {
            --place;
        }
    }
    if (!found)
        return false;
    long long exponent = 0;
    if (at + 1 < body.size()) {
        exponent = decimalValue(body.substr(at + 1));
        exponent = std::clamp(exponent, -(1LL << 40), 1LL << 40);
    }
    // Hex places are 4 bits; the exponent counts bits. Near the edge either way the value is
    // within double's range, so this only needs to be right far from 1.
    return (hex ? 4 * (place - 1) + exponent : (place - 1) + exponent) >= 0;
}

// strtod's value of the characters scanf's %f gathered (see realLength), which strtod takes
// whole or, for "1e" and the like, up to the last digit. False when they hold no number.
bool realValue(std::string_view taken, double& value) {
    const bool negative = taken.starts_with('-');
    if (!taken.empty() && (taken[0] == '-' || taken[0] == '+'))
        taken.remove_prefix(1);
    if (taken.empty())
        return false;
    if (lower(taken[0]) == 'n' || lower(taken[0]) == 'i') {
        value = lower(taken[0]) == 'n' ? std::numeric_limits<double>::quiet_NaN()
                                       : std::numeric_limits<double>::infinity();
    } else {
        const bool hex = taken.size() >= 2 && taken[0] == '0' && lower(taken[1]) == 'x';
        const std::string_view body = hex ? taken.substr(2) : taken;
        const auto result =
            std::from_chars(body.data(), body.data() + body.size(), value,
                            hex ? std::chars_format::hex : std::chars_format::general);
        if (result.ec == std::errc::invalid_argument) {
            if (!hex)
                return false;
            value = 0.0; // "0x" with no digit after it: strtod reads the 0
        } else if (result.ec == std::errc::result_out_of_range) {
            value =
                atLeastOne(body.substr(0, static_cast<std::size_t>(result.ptr - body.data())), hex)
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
        }
    }
    value = negative ? -value : value;
    return true;
}

// How many characters of text scanf's %f takes, as glibc gathers them before strtod reads
// them: a sign; "nan", "inf" or "infinity" (any case; a word only begun fails); or digits
// with one '.', after a leading "0x" hex digits (and something more than the "0x"), and after a
// digit an exponent mark ('e', 'p' for hex) with a sign and digits. 0 when it takes nothing or
// strtod finds no number there.
std::size_t realLength(std::string_view text, double& value) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    if (at == text.size())
        return 0;
    const auto word = [&](std::string_view letters) {
        for (char c : letters)
            if (at == text.size() || lower(text[at++]) != c)
                return false;
        return true;
    };
    if (lower(text[at]) == 'n') {
        if (!word("nan"))
            return 0;
    } else if (lower(text[at]) == 'i') {
        if (!word("inf"))
            return 0;
        if (at < text.size() && lower(text[at]) == 'i' && !word("inity"))
            return 0;
    } else {
        bool hex = false, digit = false, point = false, exponent = false;
        if (text[at] == '0') {
            ++at;
            if (at < text.size() && lower(text[at]) == 'x') {
                hex = true;
                ++at;
            } else {
                digit = true;
            }
        }
        const char mark = hex ? 'p' : 'e';
        const std::size_t digits = at;
        for (; at < text.size(); ++at) {
            const char c = text[at];
            if (isDigit(c) || (hex && !exponent && isHexDigit(c))) {
                digit = true;
            } else if (exponent && lower(text[at - 1]) == mark && (c == '+' || c == '-')) {
            } else if (digit && !exponent && lower(c) == mark) {
                exponent = point = true;
            } else if (c == '.' && !point) {
                point = true;
            } else {
                break;
            }
        }
        if (hex && at == digits) // glibc wants something after "0x"
            return 0;
    }
    return realValue(text.substr(0, at), value) ? at : 0;
}

} // namespace

std::string number(double value) {
    // The game computes in float: the shortest text that reads back as the same float.
    std::array<char, 32> buffer;
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), gameFloat(value));
    return std::string(buffer.data(), result.ptr);
}

std::string number(long long value) {
    return std::to_string(value);
}

std::string_view trimmed(std::string_view text) {
    const std::size_t start = skipBlanks(text, 0);
    std::size_t end = text.size();
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

int scan(std::string_view text, std::string_view format, std::vector<Scanned>& values) {
    values.clear();
    std::size_t at = 0;
    for (std::size_t f = 0; f < format.size(); ++f) {
        if (isBlank(format[f])) {
            at = skipBlanks(text, at);
            continue;
        }
        if (format[f] != '%' || f + 1 == format.size()) {
            if (at == text.size() || text[at] != format[f])
                break;
            ++at;
            continue;
        }
        const char kind = format[++f];
        at = skipBlanks(text, at);
        Scanned value;
        value.begin = at;
        const std::string_view rest = text.substr(at);
        std::size_t length = 0;
        if (kind == 'd' || kind == 'x') {
            length = integerLength(rest, kind == 'd' ? 10 : 16);
            if (kind == 'd' && length > 0)
                value.integer = wrapToInt(decimalValue(rest.substr(0, length)));
        } else if (kind == 'f') {
            length = realLength(rest, value.real);
        } else if (kind == 's') {
            while (length < rest.size() && !isBlank(rest[length]))
                ++length;
            value.name = rest.substr(0, length);
        }
        if (length == 0)
            break;
        at += length;
        value.end = at;
        values.push_back(value);
    }
    return static_cast<int>(values.size());
}

long long atoiValue(std::string_view text, std::size_t& used) {
    const std::size_t start = skipBlanks(text, 0);
    const std::size_t length = integerLength(text.substr(start), 10);
    used = start + length;
    return length == 0 ? 0 : wrapToInt(decimalValue(text.substr(start, length)));
}

float gameFloat(double value) {
    // Halfway between float's largest value and 2^128: from here on a float rounds to infinity.
    constexpr double kRoundsToInfinity = 0x1.ffffffp+127;
    if (std::abs(value) >= kRoundsToInfinity)
        return value < 0 ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
    return static_cast<float>(value); // NaN stays NaN
}

void ModelReader::problem(long long line, std::string text) {
    if (result_.problems.size() >= kMaxReportedProblems) {
        cut_ = true;
        throw Stop{};
    }
    result_.problems.push_back({line, std::move(text)});
}

void ModelReader::refused(long long line, std::string text) {
    problem(line, std::move(text));
    result_.problems.back().refused = true;
}

void ModelReader::refuse(long long line, const std::string& text) {
    refused(line, text + ": the game does not load the model");
    throw Stop{};
}

void ModelReader::endsEarly(const std::string& what) {
    refuse(newlines_ + (lineStart_ ? 1 : 2), "the file ends where " + what + " should follow");
}

void ModelReader::mismatch(const std::string& what) {
    if (skipBlanks(line_, 0) == line_.size())
        refuse(lineNumber_, "the line holds only spaces or an indented comment, where " + what +
                                " should be: the game reads it as data (blank lines must be "
                                "empty)");
    refuse(lineNumber_, "expected " + what + ", found " + quoted(line_));
}

std::size_t ModelReader::getBytes(std::size_t n) {
    std::size_t got = 0;
    while (got < n && !ended_) {
        if (at_ == piece_.size()) {
            piece_ = next_();
            at_ = 0;
            ended_ = piece_.empty();
            continue;
        }
        const char* start = piece_.data() + at_;
        const std::size_t room = std::min(n - got, piece_.size() - at_);
        const void* end = std::memchr(start, '\n', room);
        const std::size_t take =
            end ? static_cast<std::size_t>(static_cast<const char*>(end) - start) + 1 : room;
        line_.append(start, take);
        at_ += take;
        got += take;
        if (end) {
            ++newlines_;
            lineStart_ = true;
            break;
        }
        lineStart_ = false;
    }
    bytes_ += got;
    return got;
}

bool ModelReader::nextLine() {
    // The game's line reader: fgets into a buffer of kGameLineReadBytes + 2 bytes, at most
    // kGameLineReadBytes of a line at a time, the rest of a longer one read as the next line.
    // A piece starting with '#', ';', CR or LF is skipped; any other is data, cut at '#' (and,
    // as a C string, at a zero byte) and lowercased. A backslash just before the last byte
    // joins the next piece on in its place; otherwise one CR or LF is taken off the end.
    line_.clear();
    std::size_t start = 0;
    std::size_t room = kGameLineReadBytes;
    bool first = true;
    for (;;) {
        line_.resize(start);
        const bool continued = !lineStart_;
        const long long pieceLine = newlines_ + 1;
        if (getBytes(room) == 0)
            return false;
        const char c = line_[start];
        if (c == '#' || c == ';' || c == '\r' || c == '\n')
            continue;
        if (first)
            lineNumber_ = pieceLine;
        first = false;
        if (continued)
            problem(pieceLine, "the line is longer than the " +
                                   number(static_cast<long long>(kGameLineReadBytes)) +
                                   " bytes the game reads at once: it reads what follows them as "
                                   "another line");
        const std::size_t cut = line_.find_first_of(std::string_view("#\0", 2), start);
        if (cut != std::string::npos)
            line_.resize(cut);
        for (std::size_t k = start; k < line_.size(); ++k)
            line_[k] = lower(line_[k]);
        const std::size_t length = line_.size();
        if (length >= 2 && line_[length - 2] == '\\') {
            problem(pieceLine, "the game takes the backslash before the line's last character "
                               "as joining the next line on in their place");
            start = length - 2;
            room = kGameLineReadBytes + 1 - length;
            continue;
        }
        if (length >= 1 && (line_.back() == '\r' || line_.back() == '\n'))
            line_.pop_back();
        return true;
    }
}

int ModelReader::conversions(std::string_view format) {
    return static_cast<int>(std::count(format.begin(), format.end(), '%'));
}

void ModelReader::readsAs(std::string_view token, const std::string& value) {
    problem(lineNumber_, "the game reads " + quoted(token) + " as " + value);
}

void ModelReader::checkReading(std::string_view format, bool trailing) {
    const std::string_view line(line_);
    std::size_t f = 0;
    for (const Scanned& value : values_) {
        f = format.find('%', f) + 2;
        const bool literalNext = f < format.size() && format[f] != ' ' && format[f] != '%';
        const float real = gameFloat(value.real);
        std::size_t wordEnd = value.end;
        while (wordEnd < line.size() && !isBlank(line[wordEnd]))
            ++wordEnd;
        const std::string_view word = line.substr(value.begin, wordEnd - value.begin);
        if (!std::isfinite(real)) {
            readsAs(word, std::isnan(real) ? "NaN, not a number" : "an infinity");
            return;
        }
        if (real == 0.0f && value.real != 0.0) {
            readsAs(word, "0");
            return;
        }
        if (value.end < wordEnd && !literalNext) {
            const std::string_view taken = line.substr(value.begin, value.end - value.begin);
            std::string as(taken);
            if (format[f - 1] == 'd')
                as = number(value.integer);
            else if (format[f - 1] == 'f')
                as = number(value.real);
            readsAs(word, as);
            return;
        }
        if (format[f - 1] == 'd' &&
            value.integer != decimalValue(word.substr(0, value.end - value.begin))) {
            readsAs(word, number(value.integer));
            return;
        }
    }
    if (!trailing || values_.empty())
        return;
    if (const std::string_view rest = trimmed(line.substr(values_.back().end)); !rest.empty())
        problem(lineNumber_, "the game ignores " + quoted(rest) + " at the end of the line");
}

// A count that sizes a list: the game makes room for a negative one as for billions of items,
// and fails.
long long ModelReader::count(std::string_view what, std::size_t at) {
    const long long value = values_[at].integer;
    if (value < 0)
        refuse(lineNumber_, std::string(what) + " " + number(value) +
                                " is negative: the game cannot make room for so many");
    return value;
}

void ModelReader::numbered(std::string_view what, long long expected) {
    if (values_.front().integer != expected)
        problem(lineNumber_, std::string(what) + " line numbered " +
                                 number(values_.front().integer) + " where " + number(expected) +
                                 " belongs: the game takes it as " + std::string(what) + " " +
                                 number(expected) + " whatever its number");
}

void ModelReader::limit(std::string_view what, long long value, long long most) {
    if (value > most)
        refuse(lineNumber_, std::string(what) + " " + number(value) + "; the game takes at most " +
                                number(most));
}

} // namespace grondel
