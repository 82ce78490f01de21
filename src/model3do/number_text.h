#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace grondel {

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
    // Fixed point with exactly `decimals` (0..17) digits after the point ("0.500000").
    ModelText& fixed(double value, int decimals);

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
