#include "picture/decoders.h"

#include <algorithm>
#include <vector>

namespace grondel::picture_detail {
namespace {

PictureResult damaged(std::string error) {
    return refuse(PictureFormat::Pnm, PictureProblem::Damaged, std::move(error));
}

bool isSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// Reads the blank-separated decimal numbers of the header and of the plain formats' samples.
class Tokens {
public:
    Tokens(Bytes bytes, std::size_t at)
        : bytes_(bytes)
        , at_(at) {}

    enum class Read { Number, End, NotANumber };

    // The next number, after blanks and '#' comments (to the end of their line). Values past
    // 2^32 saturate there: every limit they meet is far smaller.
    Read next(std::uint64_t& value) {
        while (at_ < bytes_.size()) {
            if (isSpace(bytes_[at_]))
                ++at_;
            else if (bytes_[at_] == '#')
                skipComment();
            else
                break;
        }
        if (at_ == bytes_.size())
            return Read::End;
        if (!isDigit(bytes_[at_]))
            return Read::NotANumber;
        value = 0;
        for (; at_ < bytes_.size() && isDigit(bytes_[at_]); ++at_)
            value = std::min<std::uint64_t>(value * 10 + (bytes_[at_] - '0'), 1ULL << 32);
        return Read::Number;
    }

    // A '#' comment up to the line end that closes it, which is left to be read.
    void skipComment() {
        while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r')
            ++at_;
    }

    std::size_t at() const { return at_; }

private:
    Bytes bytes_;
    std::size_t at_;
};

// Levels 0 .. maxval scaled to the full 8 or 16 bits, rounded to the nearest.
std::vector<std::uint16_t> scaleTable(std::uint32_t maxval, std::uint32_t full) {
    std::vector<std::uint16_t> table(maxval + 1);
    for (std::uint32_t v = 0; v <= maxval; ++v)
        table[v] = static_cast<std::uint16_t>((std::uint64_t{v} * full * 2 + maxval) /
                                              (std::uint64_t{2} * maxval));
    return table;
}

} // namespace

PictureResult decodePnm(Bytes bytes) {
    const bool plain = bytes[1] == '2' || bytes[1] == '3';
    const bool colour = bytes[1] == '3' || bytes[1] == '6';
    Tokens tokens(bytes, 2);
    std::uint64_t width = 0, height = 0, maxval = 0;
    for (std::uint64_t* field : {&width, &height, &maxval}) {
        const Tokens::Read read = tokens.next(*field);
        if (read == Tokens::Read::End)
            return damaged("the PGM/PPM header is cut short");
        if (read == Tokens::Read::NotANumber)
            return damaged("the PGM/PPM header is damaged");
    }
    const PictureLayout layout = colour ? PictureLayout::Rgb : PictureLayout::Grey;
    const int depth = maxval > 255 ? 16 : 8;
    if (auto refused = checkPictureSize(PictureFormat::Pnm, static_cast<std::int64_t>(width),
                                        static_cast<std::int64_t>(height), layout, depth))
        return *refused;
    if (maxval == 0 || maxval > 65535)
        return damaged("the PGM/PPM maximum level " + std::to_string(maxval) +
                       " is outside 1 to 65535");

    const std::size_t samples = width * height * (colour ? 3 : 1);
    // Binary samples start after the one blank that ends the header. A comment may come
    // between maxval and that blank, which is then its line end, as netpbm reads it.
    if (tokens.at() < bytes.size() && bytes[tokens.at()] == '#')
        tokens.skipComment();
    std::size_t at = tokens.at() + 1;
    if (tokens.at() >= bytes.size())
        return damaged("the PGM/PPM pixel data is cut short");
    if (!isSpace(bytes[tokens.at()]))
        return damaged("the PGM/PPM header is damaged");
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    // A plain sample takes a digit and a blank at least.
    const std::size_t least = plain ? 2 * samples - 1 : samples * sampleBytes;
    if (bytes.size() - std::min(at, bytes.size()) < least)
        return damaged("the PGM/PPM pixel data is cut short");

    PictureResult result;
    result.format = PictureFormat::Pnm;
    result.picture = Picture(static_cast<int>(width), static_cast<int>(height), layout, depth);
    const auto out8 = result.picture.samples8();
    const auto out16 = result.picture.samples16();
    const auto full = static_cast<std::uint32_t>(result.picture.maxLevel());
    const std::vector<std::uint16_t> scale = scaleTable(static_cast<std::uint32_t>(maxval), full);
    const std::string above =
        "a PGM/PPM sample is above the maximum level " + std::to_string(maxval);
    for (std::size_t i = 0; i < samples; ++i) {
        std::uint64_t value = 0;
        if (plain) {
            const Tokens::Read read = tokens.next(value);
            if (read == Tokens::Read::End)
                return damaged("the PGM/PPM pixel data is cut short");
            if (read == Tokens::Read::NotANumber)
                return damaged("the PGM/PPM pixel data is damaged");
        } else {
            value = sampleBytes == 2 ? be16(bytes, at) : bytes[at];
            at += sampleBytes;
        }
        if (value > maxval)
            return damaged(above);
        if (depth == 16)
            out16[i] = scale[value];
        else
            out8[i] = static_cast<std::uint8_t>(scale[value]);
    }
    return result;
}

} // namespace grondel::picture_detail
