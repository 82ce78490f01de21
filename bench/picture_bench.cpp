// Decoding speed: Grondel's decoders beside the bare libraries they wrap (libspng, libjpeg) and
// beside Qt's QImageReader, which loaded pictures before, on the same bytes in one run.
#include "picture/decode.h"
#include "picture/picture_writers.h"

#include <cmath>
#include <spng.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <benchmark/benchmark.h>

namespace {

using namespace grondel::testing;

// A smooth terrain of hills, levels 0 .. 2^depth - 1, channels repeating it.
std::vector<std::uint16_t> terrain(std::uint32_t side, int depth, int channels) {
    std::vector<std::uint16_t> out;
    out.reserve(std::size_t{side} * side * static_cast<std::size_t>(channels));
    const double top = (1 << depth) - 1;
    for (std::uint32_t y = 0; y < side; ++y)
        for (std::uint32_t x = 0; x < side; ++x) {
            const double h = 0.5 + 0.25 * std::sin(x * 0.013) * std::cos(y * 0.017) +
                             0.2 * std::sin((x + y) * 0.0041);
            for (int c = 0; c < channels; ++c)
                out.push_back(static_cast<std::uint16_t>(std::lround(h * top)));
        }
    return out;
}

const std::string& smallPng() {
    static const std::string file =
        pngFile({.width = 64, .height = 64, .colourType = 2}, terrain(64, 8, 3));
    return file;
}

const std::string& largeGreyPng() {
    static const std::string file =
        pngFile({.width = 4096, .height = 4096, .depth = 16}, terrain(4096, 16, 1));
    return file;
}

const std::string& photoJpeg() {
    static const std::string file = [] {
        const std::vector<std::uint16_t> levels = terrain(1024, 8, 3);
        return jpegFile({.width = 1024, .height = 1024},
                        std::vector<std::uint8_t>(levels.begin(), levels.end()));
    }();
    return file;
}

const std::string& smallJpeg() {
    static const std::string file = [] {
        const std::vector<std::uint16_t> levels = terrain(64, 8, 3);
        return jpegFile({.width = 64, .height = 64},
                        std::vector<std::uint8_t>(levels.begin(), levels.end()));
    }();
    return file;
}

void grondelDecode(benchmark::State& state, const std::string& (*file)()) {
    const std::string& bytes = file();
    for (auto _ : state) {
        grondel::PictureResult result = grondel::decodePicture(bytes);
        if (!result.ok())
            state.SkipWithError(result.error.c_str());
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// libspng alone, straight from the buffer, to the layout Grondel keeps (the PNG's own).
void bareLibspng(benchmark::State& state, const std::string& (*file)()) {
    const std::string& bytes = file();
    for (auto _ : state) {
        spng_ctx* png = spng_ctx_new(0);
        spng_set_png_buffer(png, bytes.data(), bytes.size());
        std::size_t size = 0;
        spng_decoded_image_size(png, SPNG_FMT_PNG, &size);
        std::vector<unsigned char> out(size);
        if (spng_decode_image(png, out.data(), size, SPNG_FMT_PNG, 0) != 0)
            state.SkipWithError("libspng failed");
        benchmark::DoNotOptimize(out);
        spng_ctx_free(png);
    }
}

void bareLibjpeg(benchmark::State& state, const std::string& (*file)()) {
    const std::string& bytes = file();
    for (auto _ : state) {
        int components = 0;
        benchmark::DoNotOptimize(libjpegDecode(bytes, components));
    }
}

void qtImageReader(benchmark::State& state, const std::string& (*file)()) {
    const QByteArray bytes = QByteArray::fromStdString(file());
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        QImage image = reader.read();
        if (image.isNull())
            state.SkipWithError("Qt failed");
        benchmark::DoNotOptimize(image);
    }
}

} // namespace

BENCHMARK_CAPTURE(grondelDecode, png_64_rgb, smallPng)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bareLibspng, png_64_rgb, smallPng)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(qtImageReader, png_64_rgb, smallPng)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(grondelDecode, png_4096_grey16, largeGreyPng)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bareLibspng, png_4096_grey16, largeGreyPng)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtImageReader, png_4096_grey16, largeGreyPng)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(grondelDecode, jpeg_64, smallJpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(bareLibjpeg, jpeg_64, smallJpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(qtImageReader, jpeg_64, smallJpeg)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(grondelDecode, jpeg_1024, photoJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bareLibjpeg, jpeg_1024, photoJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qtImageReader, jpeg_1024, photoJpeg)->Unit(benchmark::kMillisecond);
