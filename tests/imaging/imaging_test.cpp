#include "heightmap/image.h"
#include "heightmap/sampling.h"
#include "imaging/test_images.h"
#include "platform/qt_platform.h"
#include "support/files.h"

#include <functional>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// Runs inspect on the modal dialog the next call opens; inspect must close it.
template <typename Dialog>
void whenModal(int& inspected, std::function<void(Dialog*)> inspect) {
    QTimer::singleShot(0, [&inspected, inspect = std::move(inspect)] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ++inspected;
        inspect(dialog);
    });
}

} // namespace

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

TEST(Preview, ShowsTheLastGoodPictureUnscaledFromTheTopLeftOverBlack) {
    QTemporaryDir dir;
    const QImage picture = gradient(40, 30);
    ASSERT_TRUE(writeAll(dir.filePath("first.bmp"), encode(picture, "BMP")) &&
                writeAll(dir.filePath("short.bmp"), encode(picture, "BMP").left(900)));
    PictureView view;
    ASSERT_TRUE(view.load(dir.filePath("first.bmp")));
    QString error;
    EXPECT_FALSE(view.load(dir.filePath("short.bmp"), &error) || error.isEmpty());
    EXPECT_EQ(view.image(), picture);

    view.resize(50, 20); // wider than the picture, and not as tall
    const QImage drawn = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(drawn.copy(0, 0, 40, 20), picture.copy(0, 0, 40, 20));
    EXPECT_EQ(drawn.copy(40, 0, 10, 20), filled(10, 20, qRgb(0, 0, 0)));
}

TEST(QtPlatformWindows, AWindowShownAgainComesForwardAndQuitClosesItAndEndsTheProgram) {
    QtPlatform platform;
    QWidget main;
    platform.setMainWindow(&main, nullptr);
    platform.registerWindow(Window::About, [] { return new QWidget; });
    platform.showWindow(Window::About);
    QPointer<QWidget> about = platform.openWindow(Window::About);
    about->showMinimized();
    platform.showWindow(Window::About);
    EXPECT_FALSE(about->isMinimized());

    // Exit runs inside a handler of the running program; the loop must end once it returns,
    // not merely because the last window closed.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, &main, [&] { platform.quit(); });
    QTimer::singleShot(10000, &main, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QGuiApplication::setQuitOnLastWindowClosed(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

TEST(QtPlatformDialogs, TheErrorBoxAndFileDialogsAskAsTheyShould) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeAll(dir.filePath("crater.bmp"), "any"));
    QtPlatform platform;
    int inspected = 0;
    whenModal<QMessageBox>(inspected, [](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Error");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    platform.showError("Error, invalid image");

    whenModal<QFileDialog>(inspected, [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(dialog->selectedNameFilter(), "Bitmaps (*.bmp)");
        // The loader reads more than bitmaps; the dialog offers them too.
        EXPECT_TRUE(dialog->nameFilters().join(' ').contains("*.png"));
        dialog->selectFile(dir.filePath("crater.bmp"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.openFileName(dir.path(), "*.bmp"), dir.filePath("crater.bmp"));

    whenModal<QFileDialog>(inspected, [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->selectedNameFilter(), "3DO models (*.3do)");
        dialog->selectFile(dir.filePath("not there yet.3do")); // a save dialog takes a new name
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.saveFileName("*.3do"), dir.filePath("not there yet.3do"));
    EXPECT_EQ(inspected, 3);
}
