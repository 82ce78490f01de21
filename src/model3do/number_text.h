#pragma once

#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace grondel {

// A whole text as a number, '.' the point whatever the locale, with a '+' or '-' first or not:
// "12x" is no number, although a scanf would read its "12". The value is unchanged on failure.
template <typename Number>
bool readNumber(std::string_view text, Number& value) {
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return false;
    }
    Number read{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), read);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return false;
    value = read;
    return true;
}

// A number as messages show it: a whole number in full ("12", "1000000"), any other with up
// to 6 significant digits ("0.3", "1.5e-07").
std::string messageNumber(double value);
// Untrusted text as messages show it: at most 48 characters between quotes, anything
// unprintable as '?', so a message stays one line.
std::string quoted(std::string_view text);

// Builds a model file's text in one buffer. None of its number texts looks at the C or Qt
// locale: the decimal separator is always ".", and a value that rounds to zero is written
// without a sign.
class ModelText {
public:
    // expectedSize: room to make at once. spare: memory of an earlier text to write into again,
    // which spares a caller formatting many models the cost of fresh pages each time.
    explicit ModelText(std::size_t expectedSize = 0, std::string spare = {});

    ModelText& operator<<(std::string_view text) {
        std::memcpy(reserve(text.size()), text.data(), text.size());
        next_ += text.size();
        return *this;
    }
    ModelText& operator<<(char c) {
        *reserve(1) = c;
        ++next_;
        return *this;
    }

    // Plain decimal, "-" only for negative values, no padding.
    ModelText& integer(long long value);
    // halves / 2 as "0", "0.5", "1", "1.5", ...; a whole value has no point.
    ModelText& halves(int halves);
    // At most 15 significant digits, no trailing zeros, no point when whole ("0",
    // "4.01568794998548"). Magnitudes below 1e-4 take exponent form ("-4.76837385576909e-07"),
    // which readers of model files take as "%f" does.
    ModelText& shortest15(double value);

    // Room for n more bytes, to be written in place and kept with wrote(end): a number built
    // straight in the text is not copied from a buffer whose bytes the processor would have to
    // gather again.
    char* room(std::size_t n) { return reserve(n); }
    // Keeps the bytes written since room(), up to end.
    void wrote(char* end) { next_ = end; }

    std::size_t size() const { return static_cast<std::size_t>(next_ - text_.data()); }
    std::string take() &&;

private:
    // Makes room for n more bytes and returns where they go.
    char* reserve(std::size_t n) {
        if (static_cast<std::size_t>(text_.data() + text_.size() - next_) < n)
            grow(n);
        return next_;
    }
    void grow(std::size_t n);
    void appendDouble(const char* first, const char* last);

    std::string text_;
    char* next_;
};

} // namespace grondel
