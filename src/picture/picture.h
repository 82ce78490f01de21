#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace grondel {

// Which samples a pixel holds, in their stored order.
enum class PictureLayout {
    Grey,      // one level
    GreyAlpha, // level, alpha
    Rgb,       // red, green, blue
    Rgba,      // red, green, blue, alpha (straight, not premultiplied)
};

// A decoded picture at the full depth of its file: 8 or 16 bits a sample, grey or colour, with
// or without alpha. Rows run top to bottom, samples of a pixel side by side.
//
// Reading rules shared by the window and the converter:
// - outside the picture every pixel is black and opaque (the background);
// - a translucent pixel shows its colour composited over black (sample x alpha / max alpha);
// - a 16-bit sample becomes 8 bits by rounding to the nearest level (v x 255 / 65535).
class Picture {
public:
    Picture() = default; // empty: 0 x 0

    // A picture of width x height (each at least 1) whose samples are all still to be written:
    // the decoders fill every one before handing the picture out. bitDepth is 8 or 16. The
    // caller has checked the size against the limits; bytesFor gives what it will take.
    Picture(int width, int height, PictureLayout layout, int bitDepth);

    // Bytes the samples of such a picture take, computed without overflow for any int sides.
    static std::uint64_t bytesFor(std::int64_t width, std::int64_t height, PictureLayout layout,
                                  int bitDepth);
    static int channelsOf(PictureLayout layout);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0; }
    PictureLayout layout() const { return layout_; }
    int bitDepth() const { return bitDepth_; }
    int channels() const { return channelsOf(layout_); }
    bool isGrey() const {
        return layout_ == PictureLayout::Grey || layout_ == PictureLayout::GreyAlpha;
    }
    bool hasAlpha() const {
        return layout_ == PictureLayout::GreyAlpha || layout_ == PictureLayout::Rgba;
    }
    // The level of a full sample: 255 or 65535.
    std::uint32_t maxLevel() const { return bitDepth_ == 16 ? 65535U : 255U; }
    std::size_t byteSize() const { return samples8_.size() + samples16_.size() * 2; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Sample channel (0 .. channels() - 1) of pixel (x, y), 0 .. maxLevel(). Unchecked: (x, y)
    // must lie inside the picture.
    std::uint32_t sample(int x, int y, int channel) const {
        const std::size_t at = index(x, y) + static_cast<std::size_t>(channel);
        return bitDepth_ == 16 ? samples16_[at] : samples8_[at];
    }

    // The colour of pixel (x, y) packed 0x00BBGGRR (red in the lowest byte), each channel 8 bits:
    // composited over black, then rounded once to the nearest 8-bit level; grey is the same
    // level in all three channels. Outside the picture 0 (black).
    std::int32_t packedColour(int x, int y) const;

    // The brightness of pixel (x, y) at full depth, 0 (black) to 1 (white): a grey picture's own
    // level, for colour 0.2126 R + 0.7152 G + 0.0722 B of the stored samples; composited over
    // black like packedColour. Outside the picture 0.
    double greyLevel(int x, int y) const;

    // Row y (0 .. height - 1) as 8-bit red, green, blue triples, each pixel as packedColour gives
    // it; out holds at least 3 x width bytes. For a preview.
    void rgb8Row(int y, std::span<std::uint8_t> out) const;

    // The samples of row y, for the decoders that fill them: width x channels values. Only the
    // span matching bitDepth() has them; the other is empty.
    std::span<std::uint8_t> row8(int y);
    std::span<std::uint16_t> row16(int y);
    std::span<const std::uint8_t> row8(int y) const;
    std::span<const std::uint16_t> row16(int y) const;
    // All samples, row after row with nothing between.
    std::span<std::uint8_t> samples8() { return samples8_; }
    std::span<std::uint16_t> samples16() { return samples16_; }
    std::span<const std::uint8_t> samples8() const { return samples8_; }
    std::span<const std::uint16_t> samples16() const { return samples16_; }

    friend bool operator==(const Picture&, const Picture&) = default;

private:
    // Storage that leaves new samples unwritten: a picture's pages are only touched once a
    // decoder writes them, so a file that lies about its size and fails early costs little.
    template <typename T>
    class Samples {
    public:
        Samples() = default;
        explicit Samples(std::size_t count)
            : data_(std::make_unique_for_overwrite<T[]>(count))
            , size_(count) {}
        Samples(const Samples& other)
            : Samples(other.size_) {
            std::copy_n(other.data_.get(), size_, data_.get());
        }
        Samples& operator=(const Samples& other) {
            if (this != &other)
                *this = Samples(other);
            return *this;
        }
        Samples(Samples&&) noexcept = default;
        Samples& operator=(Samples&&) noexcept = default;
        ~Samples() = default;

        std::size_t size() const { return size_; }
        T* data() { return data_.get(); }
        const T* data() const { return data_.get(); }
        T& operator[](std::size_t at) { return data_[at]; }
        const T& operator[](std::size_t at) const { return data_[at]; }
        operator std::span<T>() { return {data_.get(), size_}; }
        operator std::span<const T>() const { return {data_.get(), size_}; }

        friend bool operator==(const Samples& a, const Samples& b) {
            return a.size_ == b.size_ && std::equal(a.data(), a.data() + a.size_, b.data());
        }

    private:
        std::unique_ptr<T[]> data_;
        std::size_t size_ = 0;
    };

    std::size_t index(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)) *
               static_cast<std::size_t>(channels());
    }
    std::size_t rowLength() const {
        return static_cast<std::size_t>(width_) * static_cast<std::size_t>(channels());
    }

    int width_ = 0;
    int height_ = 0;
    PictureLayout layout_ = PictureLayout::Grey;
    int bitDepth_ = 8;
    Samples<std::uint8_t> samples8_;
    Samples<std::uint16_t> samples16_;
};

} // namespace grondel
