#include "app/main_commands.h"
#include "platform/qt_platform.h"
#include "support/fake_platform.h"
#include "support/files.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <functional>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::testing::FakePlatform;

namespace {

// A main window over a scripted platform, with an image loaded and a model saved once, so
// that every command leaves a trace that tells it from the others.
struct Rig {
    Rig() {
        platform.fakePicture.addFile("/images/hill.bmp", QImage(16, 16, QImage::Format_RGB32));
        platform.openAnswers.push_back("/images/hill.bmp");
        commands.importHeightmap();
        commands.setHeightMapSize(16);
        commands.generateHeightmap();
        platform.saveAnswers.push_back(dir.filePath("hill.3do"));
        commands.saveAs();
        QFile::remove(dir.filePath("hill.3do"));

        platform.openRequests.clear();
        platform.saveRequests.clear();
        platform.shownWindows.clear();
        platform.errors.clear();
    }

    template <typename T>
    T* find(const char* name) {
        T* found = window.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QTemporaryDir dir;
    FakePlatform platform;
    MainCommands commands{platform, "/opt/grondel/bin"};
    MainWindow window{commands};
};

enum class Command { Import, Save, SaveAs, Export, Scale, Exit, HowToUse, About };

// Runs trigger on a fresh rig and checks that exactly command ran.
void expectRuns(Command command, const std::function<void(Rig&)>& trigger) {
    Rig rig;
    FakePlatform& platform = rig.platform;
    const bool asks =
        command == Command::Import || command == Command::SaveAs || command == Command::Export;
    // Cancel whatever dialog the command asks; a dialog it should not show fails the test.
    if (command == Command::Import)
        platform.openAnswers.push_back(QString());
    else if (asks)
        platform.saveAnswers.push_back(QString());

    trigger(rig);

    EXPECT_EQ(platform.openRequests.size(), command == Command::Import ? 1u : 0u);
    EXPECT_EQ(platform.saveRequests.size(),
              command == Command::SaveAs || command == Command::Export ? 1 : 0);
    // Save As forgets the path it had; Export leaves it alone.
    EXPECT_EQ(rig.commands.savePath().isEmpty(), command == Command::SaveAs);
    EXPECT_EQ(QFile::exists(rig.dir.filePath("hill.3do")), command == Command::Save);
    EXPECT_EQ(platform.errors, command == Command::Scale
                                   ? QStringList{"Sorry this feature is currently unavailable"}
                                   : QStringList{});
    EXPECT_EQ(platform.quits, command == Command::Exit ? 1 : 0);
    std::vector<Window> windows;
    if (command == Command::HowToUse)
        windows.push_back(Window::HowToUse);
    if (command == Command::About)
        windows.push_back(Window::About);
    EXPECT_EQ(platform.shownWindows, windows);
}

QString geometryText(const QWidget* widget) {
    const QRect r = widget->geometry();
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

TEST(MainWindow, LayoutInFixedPixels) {
    Rig rig;
    MainWindow& window = rig.window;
    window.show();

    EXPECT_EQ(window.objectName(), "frmMain");
    EXPECT_EQ(window.windowTitle(), "Grondel - 3do Heightmap Generator");
    EXPECT_FALSE(window.windowIcon().isNull());

    // The client area is 130 x 194 right below the menu bar, and the window cannot be resized.
    QWidget* client = window.centralWidget();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), QSize(130, 194));
    EXPECT_EQ(client->y(), window.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.height(), window.menuBar()->height() + 194);

    auto* freLoad = rig.find<QGroupBox>("freLoad");
    EXPECT_EQ(freLoad->parentWidget(), client);
    EXPECT_EQ(geometryText(freLoad), "0,0 129x57");
    EXPECT_TRUE(freLoad->title().isEmpty());

    struct Button {
        const char* name;
        const char* geometry;
        const char* toolTip;
    };
    for (const Button& b :
         {Button{"cmdImport", "8,16 33x33", ""}, Button{"cmdSaveAs", "48,16 33x33", ""},
          Button{"cmdScale", "88,16 33x33", "Scale the terrain"}}) {
        auto* button = rig.find<QPushButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parentWidget(), freLoad) << b.name;
        EXPECT_EQ(geometryText(button), b.geometry) << b.name;
        EXPECT_EQ(button->iconSize(), QSize(16, 16)) << b.name;
        // A missing resource gives an icon with no picture at all.
        EXPECT_FALSE(button->icon().pixmap(16, 16).isNull()) << b.name;
        EXPECT_TRUE(button->text().isEmpty()) << b.name;
        EXPECT_EQ(button->toolTip(), b.toolTip) << b.name;
    }

    auto* picture = rig.find<PictureView>("Picture1");
    EXPECT_EQ(picture, window.preview());
    EXPECT_EQ(picture->parentWidget(), client);
    EXPECT_EQ(geometryText(picture), "0,64 129x129");
}

TEST(MainWindow, FocusRunsSaveAsImportScaleThenThePreview) {
    Rig rig;
    rig.window.show();
    rig.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));

    QStringList order;
    for (int i = 0; i < 4; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        order << focused->objectName();
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"cmdSaveAs", "cmdImport", "cmdScale", "Picture1"}));
}

TEST(MainWindow, MenusHoldTheirEntriesInOrder) {
    Rig rig;
    QStringList bar;
    for (QAction* menu : rig.window.menuBar()->actions())
        bar << menu->menu()->objectName() + "=" + menu->text();
    EXPECT_EQ(bar, (QStringList{"menuFile=File", "menuEdit=Edit", "menuHelp=Help"}));

    auto entries = [&](const char* menuName) {
        QStringList lines;
        for (QAction* entry : rig.find<QMenu>(menuName)->actions())
            lines << (entry->isSeparator() ? entry->objectName() + " ---"
                                           : QStringLiteral("%1 \"%2\" %3")
                                                 .arg(entry->objectName(), entry->text(),
                                                      entry->shortcut().toString()));
        return lines;
    };
    EXPECT_EQ(entries("menuFile"),
              (QStringList{"menuFileImport \"Import Heightmap\" Ctrl+I", "menuFileBreak2 ---",
                           "menuFileSave \"Save\" Ctrl+S", "menuFileSaveAs \"Save As...\" F12",
                           "menuFileExportGame \"Export Game Model...\" Ctrl+E",
                           "menuFileBreak ---", "menuFileExit \"Exit\" "}));
    EXPECT_EQ(entries("menuEdit"), QStringList{"menuEditScale \"Scale X Y Z\" "});
    EXPECT_EQ(entries("menuHelp"),
              (QStringList{"menuHelpUse \"How To Use\" ", "menuHelpAbout \"About...\" "}));
}

TEST(MainWindow, EveryButtonRunsItsCommand) {
    struct Case {
        const char* button;
        Command command;
    };
    for (const Case& c : {Case{"cmdImport", Command::Import}, Case{"cmdSaveAs", Command::SaveAs},
                          Case{"cmdScale", Command::Scale}}) {
        SCOPED_TRACE(c.button);
        expectRuns(c.command, [&](Rig& rig) {
            rig.window.show();
            QTest::mouseClick(rig.find<QPushButton>(c.button), Qt::LeftButton);
        });
    }
}

TEST(MainWindow, EveryMenuEntryRunsItsCommand) {
    struct Case {
        const char* entry;
        Command command;
    };
    for (const Case& c :
         {Case{"menuFileImport", Command::Import}, Case{"menuFileSave", Command::Save},
          Case{"menuFileSaveAs", Command::SaveAs}, Case{"menuFileExportGame", Command::Export},
          Case{"menuFileExit", Command::Exit}, Case{"menuEditScale", Command::Scale},
          Case{"menuHelpUse", Command::HowToUse}, Case{"menuHelpAbout", Command::About}}) {
        SCOPED_TRACE(c.entry);
        expectRuns(c.command, [&](Rig& rig) { rig.find<QAction>(c.entry)->trigger(); });
    }
}

TEST(MainWindow, ShortcutsOnTheWindowRunTheirCommands) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Command command;
    };
    for (const Case& c : {Case{Qt::Key_I, Qt::ControlModifier, Command::Import},
                          Case{Qt::Key_S, Qt::ControlModifier, Command::Save},
                          Case{Qt::Key_F12, Qt::NoModifier, Command::SaveAs},
                          Case{Qt::Key_E, Qt::ControlModifier, Command::Export}}) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        expectRuns(c.command, [&](Rig& rig) {
            rig.window.show();
            rig.window.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
            QTest::keyClick(&rig.window, c.key, c.modifiers);
        });
    }
}

TEST(MainWindow, ClosingByTheTitleBarEndsTheProgramLikeExit) {
    Rig rig;
    rig.window.show();
    rig.window.close();
    EXPECT_EQ(rig.platform.quits, 1);
    EXPECT_TRUE(rig.platform.errors.isEmpty());
}

TEST(MainWindow, ClosingByTheTitleBarClosesTheOtherWindows) {
    QtPlatform platform;
    MainCommands commands(platform, "/opt/grondel/bin");
    MainWindow window(commands);
    connectWindows(platform, commands, window);
    window.show();
    for (Window kind : {Window::SizeDialog, Window::HowToUse, Window::About})
        platform.showWindow(kind);
    const QPointer<QWidget> others[] = {platform.openWindow(Window::SizeDialog),
                                        platform.openWindow(Window::HowToUse),
                                        platform.openWindow(Window::About)};

    window.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_FALSE(window.isVisible());
    for (const QPointer<QWidget>& other : others)
        EXPECT_TRUE(other.isNull());
}
