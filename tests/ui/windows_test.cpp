#include "commands/main_commands.h"
#include "model3do/limits.h"
#include "platform/qt_platform.h"
#include "support/fake_platform.h"
#include "support/files.h"
#include "ui/about_window.h"
#include "ui/how_to_use_window.h"
#include "ui/main_window.h"
#include "ui/program.h"
#include "ui/size_dialog.h"
#include "ui/windows.h"

#include <algorithm>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// A window as the user meets it: name, caption, client size and whether it can be resized,
// then per named control its geometry in its parent, text, items, tooltip and picture size, and
// CLIPPED where a text overruns its control or the window.
std::string describe(QWidget* window, QWidget* client, std::initializer_list<const char*> names) {
    QString text = QString::asprintf(
        "%s \"%s\" %dx%d%s%s%s", qPrintable(window->objectName()),
        qPrintable(window->windowTitle()), client->width(), client->height(),
        window->minimumSize() == window->maximumSize() ? " fixed" : "",
        window->isModal() ? " modal" : "", window->windowIcon().pixmap(32).isNull() ? " bare" : "");
    for (const char* name : names) {
        auto* w = window->findChild<QWidget*>(name);
        if (!w)
            return text.toStdString() + " | " + name + " missing";
        const QString shown = w->property("text").toString() + w->property("title").toString() +
                              w->property("currentText").toString();
        text += QString::asprintf(" | %s %d,%d %dx%d \"%s\"", name, w->x(), w->y(), w->width(),
                                  w->height(), qPrintable(shown));
        if (auto* box = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < box->count(); ++i)
                text += " " + box->itemText(i);
        if (!w->toolTip().isEmpty())
            text += " tip \"" + w->toolTip() + "\"";
        if (auto* b = qobject_cast<QPushButton*>(w); b && !b->icon().pixmap(16).isNull())
            text +=
                QString::asprintf(" picture %dx%d", b->iconSize().width(), b->iconSize().height());
        const int advance = w->fontMetrics().horizontalAdvance(shown);
        if (advance > w->width() || w->mapTo(window, QPoint(advance, 0)).x() > window->width())
            text += " CLIPPED";
    }
    return text.toStdString();
}

// The main window over a scripted platform, and one picture to import: hill.
struct Rig {
    Rig() {
        QFile::copy(GRONDEL_SOURCE_DIR "/examples/hill.bmp", hill);
        platform.onStateChanged = [this] { window.refresh(); };
    }
    // Import and the size dialog's OK at edge, as a user does it.
    void load(int edge) {
        QPointer<SizeDialog> dialog = sizeDialog(hill);
        dialog->findChild<QComboBox*>("cboSize")->setEditText(sizeText(edge));
        QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
        platform.log.clear();
    }
    // Import has chosen image: the size dialog comes next, made as the program makes it.
    QPointer<SizeDialog> sizeDialog(const QString& image) {
        platform.answers << image;
        commands.importHeightmap();
        platform.log.clear();
        auto* dialog = new SizeDialog(commands, &window);
        dialog->show();
        return dialog;
    }

    QTemporaryDir dir;
    QString hill = dir.filePath("hill.bmp");
    grondel::testing::FakePlatform platform;
    MainCommands commands{platform, "/opt/grondel/bin"};
    MainWindow window{commands};
};

QString guideAsWritten() {
    return QString::fromLatin1(grondel::testing::readAll(":/text/how_to_use.txt"));
}

} // namespace

TEST(Windows, NamesTextsAndFixedPixelLayouts) {
    Rig rig;
    MainWindow& main = rig.window;
    main.show();
    EXPECT_EQ(
        describe(&main, main.centralWidget(),
                 {"freLoad", "cmdImport", "cmdSaveAs", "cmdScale", "Picture1"}),
        "frmMain \"Grondel\" 170x284 fixed | freLoad 0,0 169x57 \"\" | cmdImport 16,16 33x33 "
        "\"\" tip \"Import a heightmap picture (Ctrl+I)\" picture 16x16 | cmdSaveAs 68,16 33x33 "
        "\"\" tip \"Save the editor model under a new name (F12)\" picture 16x16 | cmdScale "
        "120,16 33x33 \"\" tip \"Scale the terrain: the game model's options, scale first\" "
        "picture 16x16 | Picture1 0,64 169x169 \"\" tip \"Import a heightmap, or drop a picture "
        "here\"");
    EXPECT_EQ(main.centralWidget()->y(), main.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(main.height(), main.menuBar()->height() + main.centralWidget()->height());

    const QPointer<SizeDialog> size = rig.sizeDialog(rig.hill);
    EXPECT_EQ(describe(size, size, {"Label1", "cboSize", "cmdOk"}),
              "frmHMSize \"Heightmap Size\" 210x82 fixed | Label1 8,8 193x17 \"What size would "
              "you like the heightmap:\" | cboSize 8,24 193x21 \"64x64\" 16x16 32x32 64x64 tip "
              "\"The grid edge: the editor model takes the top-left square this big\" | cmdOk "
              "136,48 65x25 \"OK\" tip \"Sample the picture at this size\"");

    HowToUseWindow help;
    help.show();
    EXPECT_EQ(describe(&help, &help, {"txtHowToUse", "cmdOk"}),
              "frmHowUse \"How To Use\" 425x337 fixed | txtHowToUse 8,8 409x280 \"\" | cmdOk "
              "336,296 81x33 \"OK\" tip \"Close the guide\"");
    auto* guide = help.findChild<QPlainTextEdit*>("txtHowToUse");
    EXPECT_TRUE(guide->isReadOnly() && guide->verticalScrollBar()->isVisible());
    EXPECT_FALSE(guide->horizontalScrollBar()->isVisible());
    // Line by line as written: no stray CR, tabs kept.
    EXPECT_EQ(guide->toPlainText().toStdString(),
              guideAsWritten()
                  .replace("\r\n", "\n")
                  .replace("{most faces}", QString::number(kGameMaxFaces))
                  .replace("{longest grid}", QString::number(kMaxSimplifiedEdge))
                  .trimmed()
                  .toStdString());

    AboutWindow about;
    about.show();
    EXPECT_EQ(
        describe(&about, &about, {"freAbout", "Label1", "Label2", "Label3", "Label4", "cmdOk"}),
        "frmAbout \"About\" 201x121 fixed | freAbout 8,8 185x65 \"About\" | Label1 8,16 "
        "97x17 \"Grondel\" | Label2 8,32 153x17 \"Jan. 2004\" | Label3 112,16 65x25 \"Ver. "
        "0.2\" | Label4 112,40 70x17 \"Grondel team\" | cmdOk 96,80 97x33 \"OK\" tip \"Close "
        "this window\"");
    // Fixed windows offer no maximise button, and none of their controls touches an edge.
    for (QWidget* window : std::initializer_list<QWidget*>{&main, size, &help, &about}) {
        SCOPED_TRACE(window->objectName().toStdString());
        EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(window->windowFlags() & Qt::CustomizeWindowHint);
        if (window == &main)
            continue; // the tool strip and the preview sit at its edge by design
        for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (control->isVisible()) {
                EXPECT_TRUE(window->rect().adjusted(1, 1, -1, -1).contains(control->geometry()))
                    << control->objectName().toStdString();
            }
        }
    }
    // Bold 12 point whenever "Ver. 0.2" fits at that size in the font the window got; a point
    // smaller at a time where it does not.
    const auto* label = about.findChild<QLabel*>("Label3");
    const QFont version = label->font();
    EXPECT_TRUE(version.bold() && QFontInfo(version).bold());
    EXPECT_EQ(version.families().value(0).toStdString(), "MS Sans Serif");
    const auto fitsAt = [&](int points) {
        QFont font = version;
        font.setPointSize(points);
        return QFontMetrics(font).horizontalAdvance(label->text()) <= label->width();
    };
    EXPECT_TRUE(fitsAt(version.pointSize()) &&
                (version.pointSize() == 12 || !fitsAt(version.pointSize() + 1)))
        << version.pointSize();
}

TEST(MainWindow, MenusEntriesShortcutsAndFocusOrder) {
    Rig rig;
    QString menus;
    for (QAction* menu : rig.window.menuBar()->actions()) {
        menus += menu->menu()->objectName() + " " + menu->text() + ":";
        // The menus open with Alt and their first letter; their captions read as before.
        for (QAction* entry : menu->menu()->actions())
            menus += entry->isSeparator() ? " " + entry->objectName()
                                          : QStringLiteral(" %1 \"%2\" %3;")
                                                .arg(entry->objectName(), entry->text(),
                                                     entry->shortcut().toString());
    }
    EXPECT_EQ(
        menus.toStdString(),
        "menuFile &File: menuFileImport \"Import Heightmap\" Ctrl+I; menuFileBreak2 "
        "menuFileSave \"Save\" Ctrl+S; menuFileSaveAs \"Save As...\" F12; menuFileExportGame "
        "\"Export Game Model...\" Ctrl+E; menuFileBreak menuFileExit \"Exit\" ;menuEdit &Edit: "
        "menuEditScale \"Scale X Y Z\" ;menuHelp &Help: menuHelpUse \"How To Use\" ; "
        "menuHelpAbout \"About...\" ;");

    rig.load(32);
    rig.window.show();
    rig.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
    rig.window.findChild<QWidget*>("cmdSaveAs")->setFocus();
    QString order;
    for (int i = 0; i < 4 && QApplication::focusWidget(); ++i) {
        order += QApplication::focusWidget()->objectName() + " ";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order.toStdString(), "cmdSaveAs cmdImport cmdScale Picture1 ");
}

TEST(MainWindow, EveryEntryButtonAndShortcutRunsItsCommand) {
    // What each command leaves in the log with an image loaded and saved once, its file dialog
    // cancelled; "wrote" when the saved file came back, "forgot" when the save path went.
    const std::pair<const char*, std::vector<const char*>> commands[] = {
        {"open . *.bmp *.png *.jpg *.jpeg *.pgm *.ppm", {"menuFileImport", "cmdImport", "Ctrl+I"}},
        {"wrote", {"menuFileSave", "Ctrl+S"}},
        {"save *.3do at hill.3do; forgot", {"menuFileSaveAs", "cmdSaveAs", "F12"}},
        {"options; save *.3do \"Export Game Model\" at hill.3do", {"menuFileExportGame", "Ctrl+E"}},
        {"options at scale; save *.3do \"Export Game Model\" at hill.3do",
         {"menuEditScale", "cmdScale"}},
        {"quit", {"menuFileExit"}},
        {"show help", {"menuHelpUse"}},
        {"show about", {"menuHelpAbout"}}};
    for (const auto& [log, controls] : commands)
        for (const char* control : controls) {
            SCOPED_TRACE(control);
            Rig rig;
            const QString saved = rig.dir.filePath("hill.3do");
            QTest::mouseClick(rig.sizeDialog(rig.hill)->findChild<QPushButton*>("cmdOk"),
                              Qt::LeftButton);
            rig.platform.answers << saved;
            rig.commands.saveAs();
            QFile::remove(saved);
            rig.platform.log.clear();

            rig.window.show();
            if (auto* entry = rig.window.findChild<QAction*>(control)) {
                entry->trigger();
            } else if (auto* button = rig.window.findChild<QPushButton*>(control)) {
                QTest::mouseClick(button, Qt::LeftButton);
            } else {
                rig.window.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
                QTest::keySequence(&rig.window, QKeySequence(control));
            }
            if (QFile::exists(saved))
                rig.platform.log << "wrote";
            if (rig.commands.savePath().isEmpty())
                rig.platform.log << "forgot";
            EXPECT_EQ(QString::fromStdString(rig.platform.takeLog())
                          .remove(rig.dir.path() + '/')
                          .replace(rig.dir.path(), ".")
                          .toStdString(),
                      log);
        }
}

TEST(MainWindow, WhatNeedsAGridWaitsForOneAndTheLinesUnderThePreviewSayWhatIsLoaded) {
    QTemporaryDir dir;
    Program program;
    const auto enabled = [&] {
        QString shown;
        for (const char* name : {"cmdSaveAs", "cmdScale"})
            shown += program.window.findChild<QWidget*>(name)->isEnabled() ? "1" : "0";
        for (const char* name : {"menuFileImport", "menuFileSave", "menuFileSaveAs",
                                 "menuFileExportGame", "menuEditScale"})
            shown += program.window.findChild<QAction*>(name)->isEnabled() ? "1" : "0";
        for (const char* name : {"lblPictureName", "lblPictureSize", "lblSaveTarget"})
            shown += " " + program.window.findChild<QLabel*>(name)->text();
        return shown.toStdString();
    };
    EXPECT_EQ(enabled(), "0010000   ");

    const QString crater = dir.filePath("crater.bmp");
    ASSERT_TRUE(QFile::copy(GRONDEL_SOURCE_DIR "/examples/crater.bmp", crater));
    program.answers << crater;
    program.commands.importHeightmap();
    program.commands.generateHeightmap(32);
    EXPECT_EQ(enabled(), "1111111 crater.bmp 64 x 64, 8-bit grey Not saved yet");
    program.answers << dir.filePath("c64");
    program.commands.saveAs();
    EXPECT_EQ(enabled(), "1111111 crater.bmp 64 x 64, 8-bit grey Saves to c64.3do");
}

TEST(MainWindow, APictureDroppedIsImportedAndAnythingElseRefused) {
    QTemporaryDir dir;
    const QString first = dir.filePath("first.bmp"), second = dir.filePath("second.png");
    for (const QString& file : {first, second})
        ASSERT_TRUE(QFile::copy(GRONDEL_SOURCE_DIR "/examples/hill.bmp", file));
    struct Case {
        const char* what;
        QList<QUrl> urls;
        const char* log; // empty: refused
    };
    const Case cases[] = {
        {"one file", {QUrl::fromLocalFile(first)}, "show size"},
        {"two files", {QUrl::fromLocalFile(second), QUrl::fromLocalFile(first)}, "show size"},
        {"no file", {}, ""},
        {"a folder", {QUrl::fromLocalFile(dir.path())}, ""},
        {"a web address", {QUrl("https://example.org/hill.bmp")}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        QMimeData data;
        if (c.urls.isEmpty())
            data.setText("a hill");
        else
            data.setUrls(c.urls);
        const QPoint at = rig.window.preview()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&rig.window, &enter);
        EXPECT_EQ(enter.isAccepted(), *c.log != '\0');
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&rig.window, &drop);
        EXPECT_EQ(rig.platform.takeLog(), c.log);
        EXPECT_EQ(rig.commands.importPath(),
                  *c.log ? c.urls.constFirst().toLocalFile() : QString());
    }
}

TEST(Keyboard, EscClosesTheOtherWindowsAndEnterPressesTheirOk) {
    const auto press = [](QWidget* window, Qt::Key key) {
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, key);
        flushDeletes();
    };
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        QPointer<QWidget> help = new HowToUseWindow, about = new AboutWindow;
        help->setAttribute(Qt::WA_DeleteOnClose);
        about->setAttribute(Qt::WA_DeleteOnClose);
        press(help, key);
        press(about, key);
        EXPECT_TRUE(help.isNull() && about.isNull());
    }

    // Esc in the size dialog closes it like its title bar: no size set, nothing sampled.
    Rig rig;
    const QPointer<SizeDialog> dialog = rig.sizeDialog(rig.hill);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->findChild<QComboBox*>("cboSize")->setEditText("64x64");
    press(dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(rig.commands.heightMapSize(), 0);
    EXPECT_EQ(rig.platform.takeLog(), "");

    // Alt and a menu's first letter opens it.
    rig.window.show();
    rig.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window));
    for (const auto& [key, menu] :
         {std::pair{Qt::Key_F, "menuFile"}, {Qt::Key_E, "menuEdit"}, {Qt::Key_H, "menuHelp"}}) {
        QTest::keyClick(&rig.window, key, Qt::AltModifier);
        auto* opened = rig.window.findChild<QMenu*>(menu);
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened->isVisible(); }, 1000)) << menu;
        opened->close();
    }
}

TEST(SizeDialog, OkSamplesAtAnExactOfferedTextAndOtherwiseSaysWhichToChoose) {
    struct Case {
        const char* text;   // typed over the starting "64x64"; null leaves it
        int edge;           // 0: nothing sampled, the dialog stays
        bool enter = false; // Enter in the field instead of OK
    };
    const Case cases[] = {{nullptr, 64}, {"16x16", 16}, {"32x32", 32, true}, {"32X32", 0},
                          {" 32x32", 0}, {"32x32 ", 0}, {"32", 0},           {"128x128", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "as it starts");
        Rig rig;
        const QPointer<SizeDialog> dialog = rig.sizeDialog(rig.hill);
        auto* size = dialog->findChild<QComboBox*>("cboSize");
        if (c.text)
            size->setEditText(c.text);
        if (c.enter)
            QTest::keyClick(size, Qt::Key_Return);
        else
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);

        EXPECT_EQ(rig.commands.heightMapSize(), c.edge);
        EXPECT_EQ(rig.platform.takeLog(),
                  c.edge ? "preview 64x64" : "error Choose 16x16, 32x32 or 64x64");
        EXPECT_EQ(!dialog.isNull() && dialog->isVisible(), c.edge == 0);
    }

    // Its title bar closes it and does nothing else.
    Rig rig;
    const QPointer<SizeDialog> dialog = rig.sizeDialog(rig.hill);
    dialog->findChild<QComboBox*>("cboSize")->setEditText("64x64");
    dialog->close();
    EXPECT_EQ(rig.commands.heightMapSize(), 0);
    EXPECT_EQ(rig.platform.takeLog(), "");
}

TEST(Guide, CrLfTabIndentsAndTheOutlineInOrder) {
    const QString guide = guideAsWritten();
    EXPECT_TRUE(guide.endsWith("\r\n") && guide.contains("\r\n\t"));
    EXPECT_EQ(guide.count('\r') + guide.count('\n'), 2 * guide.count("\r\n")); // no bare CR or LF

    const QStringList lines = guide.split("\r\n");
    EXPECT_EQ(lines.mid(0, 3).join('|').toStdString(), "===========|How to Use|===========");
    qsizetype last = 0;
    for (const QString heading :
         {"Loading your heightmap:", "Saving your 3do:", "Preparing the terrain 3do:",
          "In a level:", "Texturing the terrain 3do:"}) {
        EXPECT_GT(lines.indexOf(heading), last) << heading.toStdString();
        last = std::max(last, lines.indexOf(heading));
        EXPECT_EQ(lines.value(last + 1).toStdString(), std::string(heading.size(), '-'));
    }
    // What is needed comes first: a bitmap in one of the sizes, and how many triangles each makes.
    const QStringList intro = lines.mid(0, lines.indexOf("Loading your heightmap:"));
    EXPECT_EQ(intro.filter(QRegularExpression(R"(^\s*#)")).join('|').remove('\t').toStdString(),
              "# 16x16|# 32x32|# 64x64");
    for (const char* needed : {"BMP", "PNG", "8000", "2000", "450", "editor model", "game model"})
        EXPECT_TRUE(intro.join(' ').contains(needed)) << needed;
    // It asks for no square of one size: any picture makes a model.
    EXPECT_FALSE(intro.join(' ').contains("square\r\nbitmap") || guide.contains("has to be a"));
    // Each control it names is there under that name; the level part gives the template line.
    for (const char* named :
         {"File\\Import Heightmap (Ctrl+I", "File\\Save As... (F12", "File\\Save (Ctrl+S)",
          "File\\Export Game Model... (Ctrl+E)", "Edit\\Scale X Y Z",
          "terrain_name _walkstruct model3d=NAME.3do", "0x400048", "0x800048", "Save the level"})
        EXPECT_TRUE(guide.simplified().contains(named)) << named;
    EXPECT_TRUE(lines.mid(last).join(' ').contains("Good luck"));
    static const QRegularExpression address(R"(@|https?:|www\.|ftp:|\.(com|net|org)\b)",
                                            QRegularExpression::CaseInsensitiveOption);
    EXPECT_EQ(address.match(guide).captured().toStdString(), "");
}

TEST(Program, ImportPick64AndSaveAsWriteWhatTheConverterWrites) {
    QTemporaryDir dir;
    // Larger than the grid and not square: only the top-left 64 x 64 pixels make the model.
    QImage hill(80, 70, QImage::Format_RGB32);
    for (int y = 0; y < hill.height(); ++y)
        for (int x = 0; x < hill.width(); ++x)
            hill.setPixel(x, y, qRgb(255 - x * 3, 200 - y * 2, (x * y) & 0xff));
    const QString image = dir.filePath("hill.bmp");
    ASSERT_TRUE(hill.save(image, "BMP"));

    Program program;
    program.answers << image << dir.filePath("terrain");
    QTest::mouseClick(program.window.findChild<QPushButton*>("cmdImport"), Qt::LeftButton);
    const QPointer<QWidget> dialog = program.openWindow(Window::SizeDialog);
    ASSERT_FALSE(dialog.isNull());
    auto* size = dialog->findChild<QComboBox*>("cboSize");
    size->setCurrentIndex(size->findText("64x64"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QTest::mouseClick(program.window.findChild<QPushButton*>("cmdSaveAs"), Qt::LeftButton);
    flushDeletes();

    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(program.window.preview()->image().size(), QSize(80, 70));
    EXPECT_EQ(program.errors.join("; ").toStdString(), "");
    EXPECT_EQ(grondel::testing::readAll(dir.filePath("terrain.3do")),
              convert({"--size", "64", "--output", "-", image}));
}

TEST(Program, OneWindowOfEachAtMostMadeAfreshAfterClosingAndAllGoWithTheMainWindow) {
    Program program;
    // Each window and the button that closes it (none: the title bar).
    const std::pair<Window, const char*> windows[] = {
        {Window::SizeDialog, nullptr}, {Window::HowToUse, "cmdOk"}, {Window::About, "cmdOk"}};
    for (const auto& [kind, closer] : windows) {
        SCOPED_TRACE(int(kind));
        program.showWindow(kind);
        const QPointer<QWidget> first = program.openWindow(kind);
        ASSERT_FALSE(first.isNull());
        EXPECT_TRUE(first->isVisible() && first->parentWidget() == &program.window);
        program.showWindow(kind); // again while open: brought forward, not made anew
        EXPECT_EQ(program.openWindow(kind), first.data());

        if (closer)
            QTest::mouseClick(first->findChild<QPushButton*>(closer), Qt::LeftButton);
        else
            first->close();
        flushDeletes();
        EXPECT_TRUE(first.isNull()); // gone, so the next show makes it afresh
        program.showWindow(kind);
        ASSERT_NE(program.openWindow(kind), nullptr);
    }

    // The main window's title bar ends the program like Exit, closing the others with it.
    const QPointer<QWidget> others[] = {program.openWindow(Window::SizeDialog),
                                        program.openWindow(Window::HowToUse),
                                        program.openWindow(Window::About)};
    program.window.close();
    flushDeletes();
    EXPECT_FALSE(program.window.isVisible());
    EXPECT_TRUE(std::ranges::all_of(others, [](const auto& other) { return other.isNull(); }));
}

TEST(Program, AboutShowsTheConvertersVersion) {
    const QString shown = AboutWindow().findChild<QLabel*>("Label3")->text();
    const QString line = QString::fromUtf8(convert({"--version"})).trimmed();
    EXPECT_TRUE(shown.startsWith("Ver. ") && line.endsWith(" " + shown.mid(5)))
        << shown.toStdString() << " / " << line.toStdString();
}
