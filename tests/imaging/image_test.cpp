#include "heightmap/image.h"
#include "heightmap/sampling.h"
#include "imaging/test_images.h"
#include "support/files.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

class ImageFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeAll(path, bytes));
        return path;
    }

    QTemporaryDir dir;
};

// What a window's import does with a loaded image: the top-left edge x edge pixels into grid.
HeightMap sampled(const QImage& image, int edge, HeightMap grid = {}) {
    EXPECT_TRUE(sampleSquare(edge, grid, [&](int x, int y) { return pixelColour(image, x, y); }));
    return grid;
}

void expectRefused(const LoadedImage& loaded, ImageProblem problem) {
    EXPECT_EQ(loaded.problem, problem) << loaded.error.toStdString();
    EXPECT_FALSE(loaded.error.isEmpty());
    EXPECT_TRUE(loaded.image.isNull());
}

} // namespace

TEST_F(ImageFiles, BadFilesAreRefusedWithTheirReason) {
    const QByteArray bitmap = encode(gradient(64, 64), "BMP");
    ASSERT_EQ(bitmap.size(), 54 + 64 * 64 * 3);

    expectRefused(loadImage(dir.filePath("missing.bmp")), ImageProblem::Missing);
    expectRefused(loadImage(""), ImageProblem::Missing);
    expectRefused(loadImage(dir.path()), ImageProblem::Folder);
    expectRefused(loadImage(write("empty.bmp", {})), ImageProblem::Empty);
    expectRefused(loadImage(write("notes.bmp", "Heights for the north valley.\n")),
                  ImageProblem::NotAnImage);
    for (int cut : {2, 20, 53})
        expectRefused(loadImage(write("header.bmp", bitmap.left(cut))), ImageProblem::Damaged);
    // Qt alone would accept these and leave the missing rows undefined.
    for (qsizetype cut : {qsizetype{54}, qsizetype{54 + 64 * 3 * 10}, bitmap.size() - 1})
        expectRefused(loadImage(write("pixels.bmp", bitmap.left(cut))), ImageProblem::Damaged);
}

TEST_F(ImageFiles, AbsurdSizesFailFromTheHeaderAlone) {
    // Too large, not damaged: the claim is refused before any pixel data is looked for.
    expectRefused(loadImageData(bitmapClaiming(100000, 100000)), ImageProblem::TooLarge);
    expectRefused(loadImageData(bitmapClaiming(100000, -100000)), ImageProblem::TooLarge);
    expectRefused(loadImageData(bitmapClaiming(kMaxImageSide + 1, 1)), ImageProblem::TooLarge);
    // Sizes whose pixel data would not even fit a 64-bit count.
    QByteArray wild = bitmapClaiming(INT32_MAX, INT32_MIN);
    qToLittleEndian<quint16>(0xffff, wild.data() + 28); // bits per pixel
    expectRefused(loadImageData(wild), ImageProblem::TooLarge);
    expectRefused(loadImageData(encode(filled(kMaxImageSide + 1, 1, 0), "PNG")),
                  ImageProblem::TooLarge);

    const LoadedImage widest = loadImageData(encode(filled(kMaxImageSide, 1, 0), "PNG"));
    ASSERT_TRUE(widest.ok()) << widest.error.toStdString();
    EXPECT_EQ(widest.image.width(), kMaxImageSide);
}

TEST_F(ImageFiles, APipeIsRefusedWithoutOpeningIt) {
    // Opening a pipe for reading would wait for a writer forever.
    const QString fifo = dir.filePath("pipe.bmp");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    expectRefused(loadImage(fifo), ImageProblem::NotAFile);
}

TEST_F(ImageFiles, AFileWithoutReadPermissionIsUnreadable) {
    const QString path = write("secret.bmp", encode(gradient(16, 16), "BMP"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
    if (geteuid() != 0) {
        expectRefused(loadImage(path), ImageProblem::Unreadable);
        return;
    }
    // Root reads anything: load from a child that has become "nobody", which can reach the
    // folder but not read the file.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ExeOther));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
        _exit(!dropped ? 2 : loadImage(path).problem == ImageProblem::Unreadable ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "could not drop root";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ImageFiles, TheFormatComesFromTheContent) {
    const QImage image = gradient(20, 10);
    for (const char* format : {"PNG", "BMP"}) {
        const LoadedImage loaded = loadImage(write("terrain.bmp", encode(image, format)));
        ASSERT_TRUE(loaded.ok()) << format << ": " << loaded.error.toStdString();
        EXPECT_EQ(loaded.image, image) << format;
    }
    // A bitmap in a file named as a PNG, in a folder and file name with spaces and accents.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Höhen karten"));
    const QString odd = write("Höhen karten/Kratersee Nord.png", encode(image, "BMP"));
    const LoadedImage loaded = loadImage(odd);
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    EXPECT_EQ(loaded.image, image);
    EXPECT_EQ(loadImageData(encode(image, "BMP")).image, loaded.image);
}

TEST(ImageColours, PixelsPackRedLowestAndKeepTheirColour) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 0, 255));
    image.setPixel(2, 0, qRgb(0x12, 0x34, 0x56));
    const LoadedImage loaded = loadImageData(encode(image, "BMP"));
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(pixelColour(loaded.image, 0, 0), 255);
    EXPECT_EQ(pixelColour(loaded.image, 1, 0), 16711680);
    EXPECT_EQ(pixelColour(loaded.image, 2, 0), 0x563412);
}

TEST(ImageColours, GreyLevelsOfEveryDepthGiveTheLevelTheyShow) {
    QImage grey8(256, 1, QImage::Format_Grayscale8);
    QImage grey16(256, 1, QImage::Format_Grayscale16);
    for (int v = 0; v < 256; ++v) {
        grey8.scanLine(0)[v] = static_cast<uchar>(v);
        reinterpret_cast<quint16*>(grey16.scanLine(0))[v] = static_cast<quint16>(v * 257);
    }
    const LoadedImage bitmap = loadImageData(encode(grey8, "BMP"));
    const LoadedImage png16 = loadImageData(encode(grey16, "PNG"));
    ASSERT_TRUE(bitmap.ok() && png16.ok());
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(pixelColour(bitmap.image, v, 0), v * 65793) << v;
        EXPECT_EQ(pixelColour(png16.image, v, 0), v * 65793) << v;
    }
}

TEST(ImageColours, TranslucentPixelsAreTheirColourOverBlack) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 255));
    image.setPixel(1, 0, qRgba(200, 100, 50, 0));
    image.setPixel(2, 0, qRgba(255, 255, 255, 128));
    const LoadedImage loaded = loadImageData(encode(image, "PNG"));
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(pixelColour(loaded.image, 0, 0), packColour(200, 100, 50));
    EXPECT_EQ(pixelColour(loaded.image, 1, 0), kBackgroundColour);
    EXPECT_EQ(pixelColour(loaded.image, 2, 0), packColour(128, 128, 128));
    // The same answer for an image that did not come through the loader.
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(pixelColour(image, x, 0), pixelColour(loaded.image, x, 0)) << x;
}

TEST(ImageColours, JpegLoads) {
    const LoadedImage loaded = loadImageData(encode(filled(16, 16, qRgb(128, 128, 128)), "JPEG"));
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    const Cell centre = pixelColour(loaded.image, 8, 8);
    EXPECT_NEAR(centre & 0xff, 128, 2);
    EXPECT_NEAR(centre >> 16, 128, 2);
}

TEST(ImageSampling, CellsTakeTheirOwnPixelColumnThenRow) {
    const QImage image = gradient(128, 128);
    const HeightMap grid = sampled(image, 64);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            ASSERT_EQ(grid.at(x, y), pixelColour(image, x, y)) << x << "," << y;
    EXPECT_EQ(grid.at(5, 3), packColour(5, 3, (5 * 7 + 3 * 13 + 5) & 0xff));
}

TEST(ImageSampling, GroundBeyondASmallImageIsTheBackground) {
    HeightMap old;
    for (int x = 0; x < kMaxEdge; ++x)
        for (int y = 0; y < kMaxEdge; ++y)
            ASSERT_TRUE(old.set(x, y, 7));

    // 100 x 40 at edge 64: rows 40 and below lie beyond the picture.
    const LoadedImage wide = loadImageData(encode(gradient(100, 40), "BMP"));
    ASSERT_TRUE(wide.ok());
    HeightMap grid = sampled(wide.image, 64, old);
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(grid.at(x, 39), packColour(x, 39, (x * 7 + 39 * 13 + 5) & 0xff));
        for (int y = 40; y < 64; ++y)
            ASSERT_EQ(grid.at(x, y), kBackgroundColour) << x << "," << y;
    }

    // 1 x 1 at edge 16: one pixel of its own, the rest background, cells beyond 16 untouched.
    const LoadedImage dot = loadImageData(encode(filled(1, 1, qRgb(9, 8, 7)), "BMP"));
    ASSERT_TRUE(dot.ok());
    grid = sampled(dot.image, 16, old);
    EXPECT_EQ(grid.at(0, 0), packColour(9, 8, 7));
    EXPECT_EQ(grid.at(1, 0), kBackgroundColour);
    EXPECT_EQ(grid.at(15, 15), kBackgroundColour);
    EXPECT_EQ(grid.at(16, 0), 7);
    EXPECT_EQ(grid.at(0, 16), 7);

    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {1, 0}, {0, 1}})
        EXPECT_EQ(pixelColour(dot.image, x, y), kBackgroundColour);
    EXPECT_EQ(pixelColour(QImage(), 0, 0), kBackgroundColour);
}
