#include "picture/decode.h"
#include "platform/qt_platform.h"
#include "support/files.h"
#include "support/test_images.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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

TEST(Preview, ShowsThePictureScaledToFitWithTheSampledSquareOutlined) {
    // A picture twice as wide as it is tall, left half white, right half black.
    QImage picture(80, 40, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, qRgb(255, 255, 255));
    const QByteArray bytes = encode(picture, "BMP");
    PictureResult decoded = decodePicture(std::string_view(bytes.constData(), bytes.size()));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    PictureView view;
    view.resize(160, 160);
    view.showPicture(std::make_shared<const Picture>(std::move(decoded.picture)), "wide.bmp", 16);
    EXPECT_EQ(view.image().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(view.details().toStdString(), "80 x 40, 8-bit colour");

    // Twice its size, whole, in the middle: nothing cut off, black above and below.
    const QImage drawn = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(view.shownRect(QRectF(0, 0, 80, 40)), QRectF(0, 40, 160, 80));
    EXPECT_EQ(drawn.pixel(40, 100), qRgb(255, 255, 255));
    EXPECT_EQ(drawn.pixel(159, 119), qRgb(0, 0, 0));
    EXPECT_EQ(drawn.pixel(80, 20), qRgb(0, 0, 0));
    // The 16 x 16 square sampled, outlined: its corner and edges drawn, its inside as it was.
    EXPECT_NE(drawn.pixel(0, 40), qRgb(255, 255, 255));
    EXPECT_NE(drawn.pixel(31, 50), qRgb(255, 255, 255));
    EXPECT_EQ(drawn.pixel(20, 55), qRgb(255, 255, 255));
}

TEST(QtPlatformJobs, AQuickJobShowsNothingALongOneItsStageAndCancelStopsIt) {
    QtPlatform platform;
    QWidget main;
    platform.setMainWindow(&main, nullptr);
    bool ran = false;
    EXPECT_TRUE(platform.runJob("Quick", [&ran](BuildProgress&) { ran = true; }));
    EXPECT_TRUE(ran);

    // Input meant for other windows waits: a click on a button during the job does nothing.
    QPushButton elsewhere("elsewhere");
    elsewhere.show();
    int clicks = 0;
    QObject::connect(&elsewhere, &QPushButton::clicked, [&] { ++clicks; });
    QString stage;
    QTimer::singleShot(50, [&] { QTest::mouseClick(&elsewhere, Qt::LeftButton); });
    QTimer::singleShot(kProgressDelay.count() + 300, [&] {
        auto* window = qobject_cast<QWidget*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->objectName(), "frmProgress");
        EXPECT_EQ(window->windowTitle(), "Long");
        stage = window->findChild<QLabel*>("lblStage")->text();
        QTest::mouseClick(window->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    });
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    EXPECT_FALSE(platform.runJob("Long", [stop](BuildProgress& progress) {
        progress.stage(BuildStage::Simplifying);
        while (!progress.cancelled())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stop->store(true);
    }));
    EXPECT_EQ(stage.toStdString(), "Simplifying...");
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return stop->load(); }, 2000)); // the job saw the cancel
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
        // The message stays as it is; the reason goes under it.
        EXPECT_EQ(box->text(), "Error, could not save the model");
        EXPECT_EQ(box->informativeText(), "No space left on device");
        box->accept();
    });
    platform.showError("Error, could not save the model", "No space left on device");

    whenModal<QFileDialog>(inspected, [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        // Every picture the loader reads first, then each kind.
        EXPECT_EQ(dialog->nameFilters().join(";").toStdString(),
                  "Pictures (*.bmp *.png *.jpg *.jpeg *.pgm *.ppm);BMP pictures (*.bmp);PNG "
                  "pictures (*.png);JPEG pictures (*.jpg *.jpeg);PGM/PPM pictures (*.pgm *.ppm);"
                  "All files (*)");
        EXPECT_EQ(dialog->selectedNameFilter(), dialog->nameFilters().value(0));
        dialog->selectFile(dir.filePath("crater.bmp"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.openFileName(dir.path(), "*.bmp *.png *.jpg *.jpeg *.pgm *.ppm"),
              dir.filePath("crater.bmp"));

    // A name typed without the suffix gets it in the dialog, so what it names is the file
    // written; the commands ask about replacing it.
    whenModal<QFileDialog>(inspected, [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->selectedNameFilter(), "3DO models (*.3do)");
        EXPECT_EQ(dialog->defaultSuffix(), "3do");
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->selectFile(dir.filePath("not there yet")); // a save dialog takes a new name
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.saveFileName("*.3do"), dir.filePath("not there yet.3do"));

    // A caption of its own, and a suggested name in the picture's folder.
    whenModal<QFileDialog>(inspected, [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Export Game Model");
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(dialog->selectedFiles().value(0), dir.filePath("crater.3do"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.saveFileName("*.3do", "Export Game Model", dir.filePath("crater.3do")),
              dir.filePath("crater.3do"));
    EXPECT_EQ(inspected, 4);
}
