#include "app/main_commands.h"
#include "platform/qt_platform.h"
#include "support/fake_platform.h"
#include "ui/main_window.h"
#include "ui/size_dialog.h"
#include "ui/windows.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::testing::FakePlatform;

namespace {

const QString kImage = QStringLiteral("/images/white.bmp");

// The state right after Import chose an image: the size dialog is what comes next.
class SizeDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QImage white(128, 128, QImage::Format_RGB32);
        white.fill(Qt::white);
        platform.fakePicture.addFile(kImage, white);
        platform.openAnswers.push_back(kImage);
        commands.importHeightmap();
        dialog = new SizeDialog(commands);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    }
    void TearDown() override { delete dialog.data(); }

    template <typename T>
    T* find(const char* name) {
        T* found = dialog->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Types text into the size field and presses OK.
    void confirm(const QString& text) {
        auto* field = find<QComboBox>("cboSize");
        field->setEditText(text);
        QTest::mouseClick(find<QPushButton>("cmdOk"), Qt::LeftButton);
    }

    FakePlatform platform;
    MainCommands commands{platform, "/opt/grondel/bin"};
    QPointer<SizeDialog> dialog;
};

} // namespace

TEST_F(SizeDialogTest, LayoutAndStartingText) {
    EXPECT_EQ(dialog->objectName(), "frmHMSize");
    EXPECT_EQ(dialog->windowTitle(), "Heightmap Size");
    EXPECT_FALSE(dialog->windowIcon().isNull());
    EXPECT_EQ(dialog->size(), QSize(210, 82));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->isModal());

    auto* label = find<QLabel>("Label1");
    EXPECT_EQ(label->text(), "What size would you like the heightmap:");
    EXPECT_EQ(label->geometry(), QRect(8, 8, 225, 17));
    // The label runs past the window's edge; its text must not.
    EXPECT_LE(label->x() + label->fontMetrics().horizontalAdvance(label->text()), dialog->width());

    auto* field = find<QComboBox>("cboSize");
    EXPECT_EQ(field->geometry(), QRect(8, 24, 193, 21));
    EXPECT_TRUE(field->isEditable());
    EXPECT_EQ(field->currentText(), "32x32");
    QStringList items;
    for (int i = 0; i < field->count(); ++i)
        items << field->itemText(i);
    EXPECT_EQ(items, (QStringList{"16x16", "32x32", "64x64"}));

    auto* ok = find<QPushButton>("cmdOk");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->geometry(), QRect(136, 48, 65, 25));

    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    EXPECT_EQ(QApplication::focusWidget(), field);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ok);
}

TEST_F(SizeDialogTest, OkWithTheStartingTextSamplesAtEdge32AndCloses) {
    QTest::mouseClick(find<QPushButton>("cmdOk"), Qt::LeftButton);

    EXPECT_EQ(commands.heightMapSize(), 32);
    EXPECT_EQ(commands.heightMap()(31, 31), 16777215);
    EXPECT_EQ(commands.heightMap()(32, 0), 0);
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(SizeDialogTest, ChoosingFromTheListSetsThatEdge) {
    auto* field = find<QComboBox>("cboSize");
    field->setCurrentIndex(field->findText("64x64"));
    QTest::mouseClick(find<QPushButton>("cmdOk"), Qt::LeftButton);

    EXPECT_EQ(commands.heightMapSize(), 64);
    EXPECT_EQ(commands.heightMap()(63, 63), 16777215);
}

TEST_F(SizeDialogTest, TypedTextMustMatchExactly) {
    for (const char* text : {"32X32", " 32x32", "32", "128x128", "16x16"}) {
        SCOPED_TRACE(text);
        platform.fakePicture.loads.clear();
        if (!dialog) {
            dialog = new SizeDialog(commands);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->show();
        }

        confirm(text);

        // Only the exact text sets the edge; either way the image loads and the dialog closes.
        EXPECT_EQ(commands.heightMapSize(), QString(text) == "16x16" ? 16 : 0);
        EXPECT_EQ(platform.fakePicture.loads, QStringList{kImage});
        EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull());
    }
    EXPECT_EQ(commands.heightMap()(15, 15), 16777215);
    EXPECT_EQ(commands.heightMap()(16, 0), 0);
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(SizeDialogTest, EnterInTheSizeFieldMeansOk) {
    auto* field = find<QComboBox>("cboSize");
    field->setEditText("64x64");
    QTest::keyClick(field, Qt::Key_Return);

    EXPECT_EQ(commands.heightMapSize(), 64);
    EXPECT_EQ(platform.fakePicture.loads, QStringList{kImage});
    EXPECT_EQ(field->count(), 3); // typing never grows the list
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
}

TEST_F(SizeDialogTest, AnInvalidImageStillSetsTheEdgeAndCloses) {
    platform.openAnswers.push_back("/images/broken.bmp");
    commands.importHeightmap();

    confirm("64x64");

    EXPECT_EQ(commands.heightMapSize(), 64);
    EXPECT_EQ(platform.errors, QStringList{"Error, invalid image"});
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
}

TEST_F(SizeDialogTest, ClosingByTheTitleBarDoesNothingElse) {
    find<QComboBox>("cboSize")->setEditText("64x64");
    dialog->close();

    EXPECT_EQ(commands.heightMapSize(), 0);
    EXPECT_TRUE(platform.fakePicture.loads.isEmpty());
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST(SizeDialogWindow, OneAtMostAndFreshAfterClosing) {
    QtPlatform platform;
    MainCommands commands(platform, "/opt/grondel/bin");
    MainWindow window(commands);
    connectWindows(platform, commands, window);

    platform.showWindow(Window::SizeDialog);
    QPointer<QWidget> first = platform.openWindow(Window::SizeDialog);
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    first->findChild<QComboBox*>("cboSize")->setEditText("16x16");

    // Shown again while open: the same dialog, text as the user left it.
    platform.showWindow(Window::SizeDialog);
    EXPECT_EQ(platform.openWindow(Window::SizeDialog), first.data());
    EXPECT_EQ(window.findChildren<SizeDialog*>().size(), 1);
    EXPECT_EQ(first->findChild<QComboBox*>("cboSize")->currentText(), "16x16");

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    platform.showWindow(Window::SizeDialog);
    QWidget* second = platform.openWindow(Window::SizeDialog);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->findChild<QComboBox*>("cboSize")->currentText(), "32x32");
}
