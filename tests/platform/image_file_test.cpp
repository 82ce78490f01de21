#include "platform/image_file.h"
#include "heightmap/sampling.h"
#include "support/files.h"
#include "support/test_images.h"

#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

TEST(ImageFiles, BadFilesAreRefusedWithTheirReasonAndOnlyTheContentDecidesTheFormat) {
    using enum ImageProblem;
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(writeAll(dir.filePath(name), bytes)) << name.toStdString();
        return dir.filePath(name);
    };
    const QImage picture = gradient(64, 64);
    const QByteArray bitmap = encode(picture, "BMP"); // 54 bytes of header, then the rows
    QByteArray wildDepth = bitmapClaiming(INT32_MAX, INT32_MIN); // data past any 64-bit count
    qToLittleEndian<quint16>(0xffff, wildDepth.data() + 28);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bmp") && QDir(dir.path()).mkdir("Höhen karten"));
    // Opening a pipe for reading would wait for a writer forever.
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe.bmp")).constData(), 0600), 0);
    const QString secret = write("secret.bmp", bitmap);
    ASSERT_TRUE(QFile::setPermissions(secret, QFile::WriteOwner) &&
                QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ExeOther));

    std::vector<std::pair<QString, ImageProblem>> cases = {
        {write("a png.bmp", encode(picture, "PNG")), None},
        {write("Höhen karten/Kratersee Nord.png", bitmap), None},
        {dir.filePath("missing.bmp"), Missing},
        {dir.filePath("folder.bmp"), Folder},
        {dir.filePath("pipe.bmp"), NotAFile},
        {secret, Unreadable},
        {write("empty.bmp", {}), Empty},
        {write("notes.bmp", "Heights for the north valley.\n"), NotAnImage},
        {write("huge.bmp", bitmapClaiming(100000, 100000)), TooLarge},
        {write("one too wide.png", encode(filled(kMaxImageSide + 1, 1, 0), "PNG")), TooLarge},
        {write("wild depth.bmp", wildDepth), TooLarge}};
    // Cut in the header, then in the pixel data, whose missing rows Qt alone would leave undefined.
    for (qsizetype cut : {qsizetype{2}, qsizetype{53}, qsizetype{54}, bitmap.size() - 1})
        cases.emplace_back(write(QString("cut at %1.bmp").arg(cut), bitmap.left(cut)), Damaged);

    // Root reads any file, so the loads run as "nobody" then.
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || (setegid(65534) == 0 && seteuid(65534) == 0));
    for (const auto& [path, problem] : cases) {
        SCOPED_TRACE(path.toStdString());
        const LoadedImage loaded = loadImage(path);
        EXPECT_EQ(loaded.problem, problem) << loaded.error.toStdString();
        EXPECT_EQ(loaded.error.isEmpty(), loaded.ok());
        EXPECT_EQ(loaded.image, loaded.ok() ? picture : QImage());
    }
    ASSERT_TRUE(!root || (seteuid(0) == 0 && setegid(0) == 0));
    EXPECT_TRUE(loadImageData(encode(filled(kMaxImageSide, 1, 0), "PNG")).ok()) << "widest";
}

// Only the top-left square is sampled, each cell the colour its pixel shows over the background.
TEST(ImageSampling, CellsTakeTheColourTheirPixelShowsOrTheBackground) {
    const QImage grey = gradient(64, 64).convertToFormat(QImage::Format_Grayscale8);
    QImage translucent = gradient(16, 16).convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < 16; ++x)
        translucent.setPixel(x, 1, qRgba(255, 200, 100, x * 17));
    const std::tuple<QImage, const char*, int> cases[] = {
        {gradient(128, 128), "BMP", 64},
        {gradient(100, 40), "BMP", 64},
        {filled(1, 1, qRgb(9, 8, 7)), "BMP", 16},
        {grey, "BMP", 64},
        {grey.convertToFormat(QImage::Format_Grayscale16), "PNG", 64},
        {translucent, "PNG", 16},
        {filled(16, 16, qRgb(128, 128, 128)), "JPEG", 16}};
    for (const auto& [image, format, edge] : cases) {
        SCOPED_TRACE(std::string(format) + " " + std::to_string(image.width()));
        QImage shown(edge, edge, QImage::Format_RGB32);
        shown.fill(Qt::black); // the background, as the preview paints it too
        QPainter(&shown).drawImage(0, 0, image);
        const LoadedImage loaded = loadImageData(encode(image, format));
        HeightMap grid;
        ASSERT_TRUE(sampleSquare(edge, grid,
                                 [&](int x, int y) { return pixelColour(loaded.image, x, y); }));
        for (int x = 0; x < edge; ++x)
            for (int y = 0; y < edge; ++y) {
                const QRgb want = shown.pixel(x, y);
                ASSERT_EQ(grid.at(x, y), packColour(qRed(want), qGreen(want), qBlue(want)))
                    << x << "," << y;
                // The same for an image that did not come through the loader.
                ASSERT_EQ(pixelColour(image, x, y), grid.at(x, y)) << x << "," << y;
            }
    }
}
