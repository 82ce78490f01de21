// The whole road through the real windows: import a bitmap, pick a size, save, and compare the
// file with what the converter writes for the same image.
#include "app/main_commands.h"
#include "platform/qt_platform.h"
#include "support/files.h"
#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <algorithm>
#include <deque>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::testing::readAll;

namespace {

// The real windows, preview and size dialog; only the modal dialogs answer from a script, and
// messages are collected instead of waiting for a click.
class ScriptedQtPlatform : public QtPlatform {
public:
    void showError(const QString& text) override { errors << text; }
    QString openFileName(const QString&, const QString& pattern) override {
        EXPECT_EQ(pattern, "*.bmp");
        return next(openAnswers);
    }
    QString saveFileName(const QString& pattern) override {
        EXPECT_EQ(pattern, "*.3do");
        return next(saveAnswers);
    }

    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    QStringList errors;

private:
    static QString next(std::deque<QString>& answers) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return {};
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A grey hill with a tint, larger than the grid and not square, so that only its top-left
// 64 x 64 pixels can make the model.
QImage hill() {
    QImage image(80, 70, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int level = std::max(0, 255 - ((x - 30) * (x - 30) + (y - 34) * (y - 34)) / 8);
            image.setPixel(x, y, qRgb(level, level, std::min(255, level + x % 5)));
        }
    return image;
}

} // namespace

TEST(WholeRoad, ImportPick64SaveAsEqualsTheConverterByteForByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath("hill.bmp");
    ASSERT_TRUE(hill().save(image, "BMP"));

    ScriptedQtPlatform platform;
    MainCommands commands(platform, dir.path());
    MainWindow window(commands);
    connectWindows(platform, commands, window);
    window.show();

    platform.openAnswers.push_back(image);
    QTest::mouseClick(window.findChild<QPushButton*>("cmdImport"), Qt::LeftButton);
    QPointer<QWidget> sizeDialog = platform.openWindow(Window::SizeDialog);
    ASSERT_FALSE(sizeDialog.isNull());
    auto* size = sizeDialog->findChild<QComboBox*>("cboSize");
    size->setCurrentIndex(size->findText("64x64"));
    QTest::mouseClick(sizeDialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(sizeDialog.isNull());
    EXPECT_EQ(window.preview()->image().size(), QSize(80, 70));
    EXPECT_EQ(commands.heightMapSize(), 64);

    platform.saveAnswers.push_back(dir.filePath("terrain"));
    QTest::mouseClick(window.findChild<QPushButton*>("cmdSaveAs"), Qt::LeftButton);
    EXPECT_TRUE(platform.errors.isEmpty()) << platform.errors.join("; ").toStdString();
    const QByteArray saved = readAll(dir.filePath("terrain.3do"));
    ASSERT_FALSE(saved.isEmpty());

    QProcess converter;
    converter.start(GRONDEL_CONVERT,
                    {"--size", "64", "--output", dir.filePath("converted.3do"), image});
    ASSERT_TRUE(converter.waitForFinished(30000));
    ASSERT_EQ(converter.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(converter.exitCode(), 0) << converter.readAllStandardError().toStdString();
    EXPECT_EQ(saved, readAll(dir.filePath("converted.3do")));
    // The model is the full 64 x 64 grid.
    EXPECT_TRUE(saved.contains("\r\nVERTICES 4096\r\n"));
}

TEST(WholeRoad, AboutShowsTheConvertersVersion) {
    QProcess converter;
    converter.start(GRONDEL_CONVERT, {"--version"});
    ASSERT_TRUE(converter.waitForFinished(30000));
    const QString line = QString::fromUtf8(converter.readAllStandardOutput()).trimmed();

    AboutWindow about;
    const QString shown = about.findChild<QLabel*>("Label3")->text();
    ASSERT_TRUE(shown.startsWith("Ver. "));
    EXPECT_TRUE(line.endsWith(" " + shown.mid(5))) << line.toStdString();
}
