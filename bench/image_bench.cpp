#include "platform/image_file.h"
#include "heightmap/sampling.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// The sample crater: 64 x 64, 8-bit grey, as most heightmaps come.
QByteArray crater() {
    QFile file(QStringLiteral(GRONDEL_SOURCE_DIR "/examples/crater.bmp"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray encoded(const char* format) {
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 4, (x ^ y) * 4));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void sampleAll(benchmark::State& state, const grondel::LoadedImage& loaded) {
    grondel::HeightMap grid;
    const bool ok = grondel::sampleSquare(grondel::kMaxEdge, grid, [&](int x, int y) {
        return grondel::pixelColour(loaded.image, x, y);
    });
    if (!loaded.ok() || !ok)
        state.SkipWithError("the image did not load");
    benchmark::DoNotOptimize(grid);
}

// Decoding from memory and sampling the whole 64 x 64 grid: the converter's work per image before
// the model is formatted.
void loadAndSample(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state)
        sampleAll(state, grondel::loadImageData(bytes));
}
BENCHMARK_CAPTURE(loadAndSample, grey_bmp, crater())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(loadAndSample, rgb_bmp, encoded("BMP"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(loadAndSample, rgb_png, encoded("PNG"))->Unit(benchmark::kMicrosecond);

// The same from a file, as the window and the converter load it.
void loadFileAndSample(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("crater.bmp"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(crater()) <= 0) {
        state.SkipWithError("cannot write the sample");
        return;
    }
    file.close();
    for (auto _ : state)
        sampleAll(state, grondel::loadImage(path));
}
BENCHMARK(loadFileAndSample)->Unit(benchmark::kMicrosecond);

// Sampling alone: 4096 pixel reads.
void sampleOnly(benchmark::State& state) {
    const grondel::LoadedImage loaded = grondel::loadImageData(crater());
    for (auto _ : state)
        sampleAll(state, loaded);
}
BENCHMARK(sampleOnly)->Unit(benchmark::kMicrosecond);

} // namespace
