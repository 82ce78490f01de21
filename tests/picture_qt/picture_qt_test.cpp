#include "picture/decode.h"
#include "picture/sample_pictures.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <QByteArray>
#include <QImage>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A file as the old loader read it: Qt's image plugins, every pixel composited over black.
QImage readByQt(const std::string& bytes) {
    return QImage::fromData(QByteArray::fromStdString(bytes))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The colour the old loader gave pixel (x, y), packed 0x00BBGGRR; black outside.
std::int32_t oldColour(const QImage& image, int x, int y) {
    if (!image.valid(x, y))
        return 0;
    const QRgb rgb = image.pixel(x, y);
    return qBlue(rgb) << 16 | qGreen(rgb) << 8 | qRed(rgb);
}

// The largest difference, over all pixels and channels, between the colours the old Qt loader
// and the new decoder give the file; -1 when their sizes differ.
int largestDifference(const QImage& old, const Picture& now) {
    if (old.width() != now.width() || old.height() != now.height())
        return -1;
    int largest = 0;
    for (int y = -1; y <= now.height(); ++y)
        for (int x = -1; x <= now.width(); ++x) {
            const std::int32_t before = oldColour(old, x, y);
            const std::int32_t after = now.packedColour(x, y);
            for (int shift : {0, 8, 16})
                largest =
                    std::max(largest, std::abs((before >> shift & 0xFF) - (after >> shift & 0xFF)));
        }
    return largest;
}

} // namespace

// Every kind Qt read gives the very colours it gave, the sample heightmaps included, apart
// from these, where the old loader rounded differently or was wrong:
// - a 16-bit translucent pixel may differ by one level: Qt premultiplied at 16 bits and rounded
//   twice, the new rule composites and rounds once;
// - PGM/PPM levels other than 0 .. 255 may differ by one: Qt scaled them rounding down, the new
//   decoder rounds to the nearest level;
// - Qt 6.4 garbles 16-bit RGB PNGs with a transparent colour (tRNS): not compared.
TEST(PicturesAsQtReadThem, EveryKindGivesTheColoursTheOldLoaderGave) {
    std::vector<SamplePicture> files = samplePictures();
    for (const char* example : {"crater.bmp", "hill.bmp"})
        files.push_back(
            {example, readFile(GRONDEL_SOURCE_DIR "/examples/" + std::string(example))});
    int compared = 0;
    for (const SamplePicture& file : files) {
        SCOPED_TRACE(file.name);
        const PictureResult now = decodePicture(file.bytes);
        ASSERT_TRUE(now.ok()) << now.error;
        const QImage old = readByQt(file.bytes);
        ASSERT_FALSE(old.isNull()) << "Qt refused it";
        if (!file.fullyDefined || file.name == "png-type2-16bit-trns.png")
            continue; // Qt left the pixels a run-length stream skips undefined
        const bool twiceRounded = now.picture.bitDepth() == 16 && now.picture.hasAlpha();
        const bool scaledDown =
            now.format == PictureFormat::Pnm &&
            (now.picture.bitDepth() == 16 || file.name.find("maxval") != std::string::npos);
        const int difference = largestDifference(old, now.picture);
        EXPECT_GE(difference, 0) << "sizes differ";
        EXPECT_LE(difference, twiceRounded || scaledDown ? 1 : 0);
        ++compared;
    }
    EXPECT_GE(compared, 45);
}
