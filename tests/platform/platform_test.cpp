#include "picture/decode.h"
#include "platform/qt_platform.h"
#include "support/files.h"
#include "support/test_images.h"

#include <functional>

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

TEST(Preview, ShowsThePictureUnscaledFromTheTopLeftOverBlack) {
    const QImage picture = gradient(40, 30);
    const QByteArray bytes = encode(picture, "BMP");
    PictureResult decoded = decodePicture(std::string_view(bytes.constData(), bytes.size()));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    PictureView view;
    view.showPicture(std::make_shared<const Picture>(std::move(decoded.picture)));
    EXPECT_EQ(view.image().convertToFormat(QImage::Format_RGB32), picture);

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
        // The message stays as it is; the reason goes under it.
        EXPECT_EQ(box->text(), "Error, could not save the model");
        EXPECT_EQ(box->informativeText(), "No space left on device");
        box->accept();
    });
    platform.showError("Error, could not save the model", "No space left on device");

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
