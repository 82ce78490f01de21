#include "app/main_commands.h"
#include "platform/qt_platform.h"
#include "support/files.h"
#include "ui/about_window.h"
#include "ui/how_to_use_window.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

QByteArray guideBytes() {
    QFile file(":/text/how_to_use.txt");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The guide's lines, split at CR LF.
QStringList guideLines() {
    QStringList lines = QString::fromUtf8(guideBytes()).split("\r\n");
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

// What a reader of the window sees: the lines as written, with no stray CR.
std::string shownText(const QPlainTextEdit* text) {
    return text->toPlainText().toStdString();
}
std::string guideAsShown() {
    return guideLines().join('\n').toStdString();
}

template <typename T>
T* find(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The windows as the program makes them: through the platform, owned by the main window.
struct Program {
    Program() { connectWindows(platform, commands, window); }

    QWidget* show(Window kind) {
        platform.showWindow(kind);
        return platform.openWindow(kind);
    }

    QtPlatform platform;
    MainCommands commands{platform, "/opt/grondel/bin"};
    MainWindow window{commands};
};

} // namespace

TEST(Guide, IsPlainAsciiWithCrLfLineEndsAndTabIndents) {
    const QByteArray bytes = guideBytes();
    ASSERT_FALSE(bytes.isEmpty());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        ASSERT_TRUE(c == '\t' || c == '\r' || c == '\n' || (c >= ' ' && c <= '~')) << "byte " << i;
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n\t"));
}

TEST(Guide, FollowsTheOutline) {
    const QStringList lines = guideLines();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"===========", "How to Use", "==========="}));

    // Headings in order, each underlined with as many "-" and set off by two or three empty lines.
    const QStringList headings{"Loading your heightmap:", "Saving your 3do:",
                               "Preparing the terrain 3do:", "Texturing the terrain 3do:"};
    qsizetype last = 0;
    for (const QString& heading : headings) {
        const qsizetype at = lines.indexOf(heading);
        ASSERT_GT(at, last) << heading.toStdString();
        ASSERT_LT(at + 1, lines.size());
        EXPECT_EQ(lines[at + 1], QString(heading.size(), '-')) << heading.toStdString();
        EXPECT_TRUE(lines[at - 1].isEmpty() && lines[at - 2].isEmpty()) << heading.toStdString();
        EXPECT_FALSE(at >= 4 && lines[at - 4].isEmpty()) << heading.toStdString();
        last = at;
    }
    // Every underlined line is one of those headings.
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (lines[i].startsWith("--")) {
            EXPECT_TRUE(headings.contains(lines[i - 1])) << lines[i - 1].toStdString();
        }

    // What is needed comes before the first heading: the sizes one per line after a "#".
    const QStringList before = lines.mid(0, lines.indexOf(headings[0]));
    QStringList sizes;
    for (const QString& line : before)
        if (line.trimmed().startsWith('#'))
            sizes << line.trimmed();
    EXPECT_EQ(sizes, (QStringList{"# 16x16", "# 32x32", "# 64x64"}));
    const QString intro = before.join(' ');
    EXPECT_TRUE(intro.contains("BMP", Qt::CaseInsensitive) || intro.contains(".bmp"));
    for (const char* count : {"8000", "2000", "450"})
        EXPECT_TRUE(intro.contains(count)) << count;

    EXPECT_TRUE(lines.join(' ').contains("512"));
    EXPECT_TRUE(lines.back().contains("luck", Qt::CaseInsensitive) ||
                lines[lines.size() - 2].contains("luck", Qt::CaseInsensitive));
}

TEST(Guide, HasNoAddressOrLink) {
    const QString text = QString::fromUtf8(guideBytes());
    static const QRegularExpression address(
        R"(@|https?:|www\.|ftp:|mailto:|\.(com|net|org|de|uk)\b)",
        QRegularExpression::CaseInsensitiveOption);
    const auto match = address.match(text);
    EXPECT_FALSE(match.hasMatch()) << match.captured().toStdString();
}

TEST(HowToUseWindow, ShowsTheGuideReadOnlyWithAScrollBar) {
    HowToUseWindow window;
    window.show();

    EXPECT_EQ(window.objectName(), "frmHowUse");
    EXPECT_EQ(window.windowTitle(), "How To Use");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.size(), QSize(425, 337));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    auto* text = find<QPlainTextEdit>(&window, "txtHowToUse");
    EXPECT_EQ(text->geometry(), QRect(0, 0, 425, 297));
    EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(text->verticalScrollBar()->isVisible());
    EXPECT_FALSE(text->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(text->isReadOnly());
    // Shown line by line as written: no stray CR, tabs kept.
    EXPECT_EQ(shownText(text), guideAsShown());

    auto* ok = find<QPushButton>(&window, "cmdOk");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->geometry(), QRect(344, 304, 81, 33));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

TEST(AboutWindow, TextsLayoutAndVersionFont) {
    AboutWindow window;
    window.show();

    EXPECT_EQ(window.objectName(), "frmAbout");
    EXPECT_EQ(window.windowTitle(), "About");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.size(), QSize(187, 107));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    auto* frame = find<QGroupBox>(&window, "freAbout");
    EXPECT_EQ(frame->title(), "About");
    EXPECT_EQ(frame->geometry(), QRect(0, 0, 185, 65));

    struct Label {
        const char* name;
        const char* text;
        QPoint topLeft;
        int height;
    };
    for (const Label& l :
         {Label{"Label1", "Grondel", {8, 16}, 17}, Label{"Label2", "Jan. 2004", {8, 32}, 17},
          Label{"Label3", "Ver. 0.2", {112, 16}, 25},
          Label{"Label4", "Grondel team", {112, 40}, 17}}) {
        SCOPED_TRACE(l.name);
        auto* label = find<QLabel>(frame, l.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), l.text);
        EXPECT_EQ(label->geometry().topLeft(), l.topLeft);
        EXPECT_EQ(label->height(), l.height);
        // Each text fits its label, and each label its frame.
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
        EXPECT_TRUE(frame->rect().contains(label->geometry()));
    }
    EXPECT_EQ(find<QLabel>(frame, "Label1")->width(), 97);
    EXPECT_EQ(find<QLabel>(frame, "Label2")->width(), 153);
    EXPECT_EQ(find<QLabel>(frame, "Label3")->width(), 65);

    const QFont version = find<QLabel>(frame, "Label3")->font();
    EXPECT_TRUE(version.bold());
    EXPECT_EQ(version.pointSize(), 12);
    ASSERT_FALSE(version.families().isEmpty());
    EXPECT_EQ(version.families().front(), "MS Sans Serif");
    EXPECT_TRUE(QFontInfo(version).bold());

    auto* ok = find<QPushButton>(&window, "cmdOk");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->geometry(), QRect(88, 72, 97, 33));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

TEST(HelpAndAboutWindows, OneAtMostEachAndFreshAfterClosing) {
    Program program;
    // What the user sees first in each window, and a way to scribble over it.
    auto* guide = +[](QWidget* w) { return w->findChild<QPlainTextEdit*>("txtHowToUse"); };
    auto* name = +[](QWidget* w) { return w->findChild<QLabel*>("Label1"); };

    QPointer<QWidget> help = program.show(Window::HowToUse);
    QPointer<QWidget> about = program.show(Window::About);
    ASSERT_FALSE(help.isNull() || about.isNull());
    EXPECT_TRUE(help->isVisible() && about->isVisible());
    EXPECT_EQ(help->parentWidget(), &program.window);
    guide(help)->setPlainText("scribbled over");
    name(about)->setText("scribbled over");

    // Shown again while open: the same windows as they were.
    EXPECT_EQ(program.show(Window::HowToUse), help.data());
    EXPECT_EQ(program.show(Window::About), about.data());
    EXPECT_EQ(shownText(guide(help)), "scribbled over");
    EXPECT_EQ(name(about)->text(), "scribbled over");

    // OK for the guide, the title bar for About: either way the window is gone.
    QTest::mouseClick(help->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull());
    EXPECT_TRUE(about.isNull());
    EXPECT_EQ(program.platform.openWindow(Window::HowToUse), nullptr);
    EXPECT_EQ(program.platform.openWindow(Window::About), nullptr);

    // Made afresh on the next show.
    EXPECT_EQ(shownText(guide(program.show(Window::HowToUse))), guideAsShown());
    EXPECT_EQ(name(program.show(Window::About))->text(), "Grondel");
}
