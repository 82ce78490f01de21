#include "model3do/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace grondel {

ModelText::ModelText(std::size_t expectedSize, std::string spare)
    : text_(std::move(spare)) {
    text_.resize(std::max({expectedSize, text_.capacity(), std::size_t{256}}));
    next_ = text_.data();
}

void ModelText::grow(std::size_t n) {
    const std::size_t used = size();
    text_.resize(std::max(text_.size() * 2, used + n));
    next_ = text_.data() + used;
}

namespace {

// The text of each number below 1000 in four bytes, its length in the last: most numbers a model
// writes are a mesh's counts, which the game keeps below 1000.
constexpr int kSmall = 1000;
constexpr std::array<std::array<char, 4>, kSmall> kSmallTexts = [] {
    std::array<std::array<char, 4>, kSmall> texts{};
    for (int n = 0; n < kSmall; ++n) {
        auto& text = texts[static_cast<std::size_t>(n)];
        const int length = n < 10 ? 1 : n < 100 ? 2 : 3;
        for (int k = length - 1, rest = n; k >= 0; --k, rest /= 10)
            text[static_cast<std::size_t>(k)] = static_cast<char>('0' + rest % 10);
        text[3] = static_cast<char>(length);
    }
    return texts;
}();

} // namespace

ModelText& ModelText::integer(long long value) {
    constexpr std::size_t kLongest = 20; // "-9223372036854775808"
    char* first = reserve(kLongest);
    if (value >= 0 && value < kSmall) {
        // All four bytes at once; the length byte is written over by what comes next.
        const auto& text = kSmallTexts[static_cast<std::size_t>(value)];
        std::memcpy(first, text.data(), text.size());
        next_ = first + text[3];
        return *this;
    }
    next_ = std::to_chars(first, first + kLongest, value).ptr;
    return *this;
}

ModelText& ModelText::halves(int halves) {
    if (halves < 0) {
        *this << '-';
        halves = -halves;
    }
    integer(halves / 2);
    if (halves % 2 != 0)
        *this << ".5";
    return *this;
}

void ModelText::appendDouble(const char* first, const char* last) {
    std::string_view written(first, static_cast<std::size_t>(last - first));
    // to_chars keeps the sign of a value that rounds to zero; a model file wants plain "0".
    if (written.starts_with('-') && written.find_first_of("123456789") == std::string_view::npos)
        written.remove_prefix(1);
    *this << written;
}

ModelText& ModelText::shortest15(double value) {
    std::array<char, 32> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 15);
    appendDouble(buffer.data(), result.ptr);
    return *this;
}

std::string messageNumber(double value) {
    // Whole numbers a double holds exactly are written in full: limits read as people know them.
    constexpr double kExactWhole = 9007199254740992.0; // 2^53
    if (value == std::floor(value) && std::abs(value) < kExactWhole)
        return std::to_string(static_cast<long long>(value));
    std::array<char, 32> buffer;
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::general, 6);
    return std::string(buffer.data(), written.ptr);
}

std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 48;
    std::string out = "\"";
    for (char c : text.substr(0, kShown))
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    out += text.size() > kShown ? "...\"" : "\"";
    return out;
}

std::string ModelText::take() && {
    text_.resize(size());
    next_ = text_.data() + text_.size();
    return std::move(text_);
}

} // namespace grondel
