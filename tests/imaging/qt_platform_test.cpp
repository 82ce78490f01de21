#include "heightmap/image.h"
#include "imaging/test_images.h"
#include "platform/qt_platform.h"
#include "support/files.h"

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// Deletes what closed windows left for later.
void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs inspect on the modal dialog the next call opens, which inspect must then close.
void whenModal(std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, [inspect = std::move(inspect)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        inspect(modal);
    });
}

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(writeAll(dir.filePath("first.bmp"), encode(gradient(40, 30), "BMP")));
    }

    QTemporaryDir dir;
    PictureView view;
};

} // namespace

TEST_F(Preview, AFailedLoadKeepsThePictureAndSaysWhy) {
    EXPECT_FALSE(view.hasPicture());
    EXPECT_EQ(view.pixel(0, 0), kBackgroundColour);

    ASSERT_TRUE(view.load(dir.filePath("first.bmp")));
    ASSERT_TRUE(view.hasPicture());
    const QImage shown = view.image();

    ASSERT_TRUE(writeAll(dir.filePath("text.bmp"), "not a picture"));
    ASSERT_TRUE(writeAll(dir.filePath("short.bmp"), encode(gradient(40, 30), "BMP").left(900)));
    for (const QString& bad : {dir.filePath("missing.bmp"), dir.path(), dir.filePath("text.bmp"),
                               dir.filePath("short.bmp"), QString()}) {
        QString error;
        EXPECT_FALSE(view.load(bad, &error)) << bad.toStdString();
        EXPECT_FALSE(error.isEmpty()) << bad.toStdString();
        EXPECT_EQ(view.image(), shown) << bad.toStdString();
        EXPECT_EQ(view.pixel(39, 29), pixelColour(shown, 39, 29));
    }
    EXPECT_FALSE(view.load(dir.filePath("missing.bmp"))); // no error text wanted

    ASSERT_TRUE(writeAll(dir.filePath("second.png"), encode(filled(2, 2, qRgb(1, 2, 3)), "PNG")));
    ASSERT_TRUE(view.load(dir.filePath("second.png")));
    EXPECT_EQ(view.pixel(1, 1), packColour(1, 2, 3));
    EXPECT_EQ(view.pixel(2, 1), kBackgroundColour);
}

TEST_F(Preview, DrawsThePictureUnscaledFromTheTopLeftOverBlack) {
    ASSERT_TRUE(view.load(dir.filePath("first.bmp")));
    const QImage image = view.image();

    view.resize(50, 20); // wider than the picture, and not as tall
    const QImage drawn = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), QSize(50, 20));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(drawn.pixel(x, y), image.pixel(x, y)) << x << "," << y;
        for (int x = 40; x < 50; ++x)
            ASSERT_EQ(drawn.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
    }
}

TEST(QtPlatformWindows, EachKindIsOpenAtMostOnceAndMadeAfreshAfterClosing) {
    QtPlatform platform;
    int made = 0;
    platform.registerWindow(Window::About, [&] {
        ++made;
        auto* window = new QWidget;
        window->setObjectName("frmAbout");
        return window;
    });

    platform.showWindow(Window::About);
    QWidget* first = platform.openWindow(Window::About);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    first->setWindowTitle("changed while open");

    platform.showWindow(Window::About);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(platform.openWindow(Window::About), first);
    EXPECT_EQ(first->windowTitle(), "changed while open");

    first->close();
    flushDeletes();
    EXPECT_EQ(platform.openWindow(Window::About), nullptr);

    platform.showWindow(Window::About);
    EXPECT_EQ(made, 2);
    QWidget* second = platform.openWindow(Window::About);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->windowTitle().isEmpty());

    // A kind nobody registered shows nothing and opens nothing.
    platform.showWindow(Window::HowToUse);
    EXPECT_EQ(platform.openWindow(Window::HowToUse), nullptr);

    second->close();
    flushDeletes();
}

TEST(QtPlatformWindows, QuitClosesEveryWindowEvenWhenClosingTheMainOneQuitsAgain) {
    QtPlatform platform;
    // A main window whose title-bar close ends the program, as the real one does.
    struct Main : QWidget {
        QtPlatform* platform = nullptr;
        int closes = 0;
        void closeEvent(QCloseEvent* event) override {
            ++closes;
            platform->quit();
            event->accept();
        }
    } main;
    main.platform = &platform;
    PictureView preview(&main);
    platform.setMainWindow(&main, &preview);
    EXPECT_EQ(&platform.picture(), &preview);

    platform.registerWindow(Window::SizeDialog, [] { return new QWidget; });
    platform.registerWindow(Window::HowToUse, [] { return new QWidget; });
    main.show();
    platform.showWindow(Window::SizeDialog);
    platform.showWindow(Window::HowToUse);
    QPointer<QWidget> dialog = platform.openWindow(Window::SizeDialog);
    QPointer<QWidget> help = platform.openWindow(Window::HowToUse);

    // Exit runs inside a handler of the running program; the loop must end once it returns.
    QTimer::singleShot(0, [&] { platform.quit(); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);

    flushDeletes();
    EXPECT_EQ(main.closes, 1);
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(help.isNull());
}

TEST(QtPlatformDialogs, TheErrorBoxIsCriticalWithOneOkButton) {
    QtPlatform platform;
    bool seen = false;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), "Error");
        EXPECT_EQ(box->text(), "Error, invalid image");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    platform.showError("Error, invalid image");
    EXPECT_TRUE(seen);
}

TEST(QtPlatformDialogs, FileDialogsStartWhereAskedWithThePatternSelected) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeAll(dir.filePath("crater.bmp"), encode(gradient(4, 4), "BMP")));
    QtPlatform platform;

    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_EQ(dialog->selectedNameFilter(), "Bitmaps (*.bmp)");
        // The loader reads more than bitmaps; the dialog offers them too.
        const QStringList filters = dialog->nameFilters();
        ASSERT_EQ(filters.size(), 3);
        EXPECT_TRUE(filters[1].contains("*.png") && filters[1].contains("*.jpg"));
        EXPECT_EQ(filters[2], "All files (*)");
        dialog->selectFile(dir.filePath("crater.bmp"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.openFileName(dir.path(), "*.bmp"), dir.filePath("crater.bmp"));

    whenModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(platform.openFileName(dir.path(), "*.bmp"), QString());

    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"3DO models (*.3do)", "All files (*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "3DO models (*.3do)");
        dialog->selectFile(dir.filePath("not there yet.3do"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(platform.saveFileName("*.3do"), dir.filePath("not there yet.3do"));
}
