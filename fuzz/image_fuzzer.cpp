#include "platform/image_file.h"
#include "heightmap/sampling.h"

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QCoreApplication>

namespace {

// Decoders report broken files on Qt's warning channel; millions of them only slow the run.
void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qInstallMessageHandler(dropMessages);
    // Image plugins are found through the application, as in the converter.
    static auto* app = new QCoreApplication(*argc, *argv);
    Q_UNUSED(app);
    return 0;
}

// Any bytes must load or be refused, and then sample into a grid as an import does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const grondel::LoadedImage loaded = grondel::loadImageData(bytes);
    if (loaded.ok() == loaded.image.isNull() || loaded.ok() != loaded.error.isEmpty())
        __builtin_trap();
    if (loaded.ok() && loaded.image.format() != QImage::Format_RGB32 &&
        loaded.image.format() != QImage::Format_ARGB32_Premultiplied)
        __builtin_trap();

    grondel::HeightMap grid;
    const bool sampled = grondel::sampleSquare(grondel::kMaxEdge, grid, [&](int x, int y) {
        return grondel::pixelColour(loaded.image, x, y);
    });
    if (!sampled)
        __builtin_trap();
    // Outside the picture every cell is the background.
    for (int x = 0; x < grondel::kMaxEdge; ++x)
        for (int y = 0; y < grondel::kMaxEdge; ++y)
            if (!loaded.image.valid(x, y) && grid(x, y) != grondel::kBackgroundColour)
                __builtin_trap();
    return 0;
}
