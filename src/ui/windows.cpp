#include "ui/windows.h"

#include "model3do/limits.h"
#include "platform/qt_platform.h"
#include "ui/about_window.h"
#include "ui/export_options_dialog.h"
#include "ui/how_to_use_window.h"
#include "ui/main_window.h"
#include "ui/size_dialog.h"
#include "ui/terrain_view_window.h"

#include <algorithm>

#include <QAbstractButton>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QShortcut>

namespace grondel {

QIcon programIcon() {
    return QIcon(QStringLiteral(":/icons/grondel.svg"));
}

QString guideText() {
    QFile file(QStringLiteral(":/text/how_to_use.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The file keeps CR LF line ends; a lone CR would show as a box in the text view. The last
    // line's end would show as an empty line of its own.
    QString text =
        QString::fromUtf8(file.readAll()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith('\n'))
        text.chop(1);
    // The limits it names, from where they are kept.
    return text.replace(QStringLiteral("{most faces}"), QString::number(kGameMaxFaces))
        .replace(QStringLiteral("{longest grid}"), QString::number(kMaxSimplifiedEdge));
}

QFont classicFont() {
    QFont font;
    // Where the classic family is missing, a sans serif of similar width takes its place.
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans",
                      "Nimbus Sans", "DejaVu Sans", "Sans Serif"});
    font.setPointSize(8);
    return font;
}

QFont windowFont() {
    QFont font = classicFont();
    font.setPointSize(9);
    return font;
}

QFont versionFont() {
    QFont font = classicFont();
    font.setPointSize(12);
    font.setBold(true);
    return font;
}

void fitLabels(QWidget& window) {
    constexpr int kSmallestPoints = 6;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        const QString text = label->text();
        // The label may reach past the window's edge; only what the window shows counts.
        const int left = label->mapTo(&window, QPoint(0, 0)).x();
        const int room = std::min(left + label->width(), window.width()) - left;
        QFont font = label->font();
        const auto fits = [&](const QFont& f, const QString& shown) {
            return QFontMetrics(f).horizontalAdvance(shown) <= room;
        };
        if (fits(font, text))
            continue;
        while (!fits(font, text) && font.pointSize() > kSmallestPoints)
            font.setPointSize(font.pointSize() - 1);
        label->setFont(font);
        if (fits(font, text))
            continue;
        QString shown = text;
        while (!shown.isEmpty() && !fits(font, shown + "..."))
            shown.chop(1);
        label->setText(shown + "...");
        label->setToolTip(text);
    }
}

void closeOnEscape(QWidget& window) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    QObject::connect(escape, &QShortcut::activated, &window, &QWidget::close);
}

void pressOnEnter(QWidget& window, QAbstractButton& ok) {
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), &window);
        QObject::connect(enter, &QShortcut::activated, &ok, &QAbstractButton::click);
    }
}

void withoutMaximise(QWidget& window, bool minimise) {
    // Explicit hints replace the toolkit's defaults, which offer maximising.
    Qt::WindowFlags flags = (window.windowFlags() & Qt::WindowType_Mask) | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    if (minimise)
        flags |= Qt::WindowMinimizeButtonHint;
    window.setWindowFlags(flags);
}

void setUpWindow(QWidget& window, const char* name, const QString& caption, int width, int height) {
    window.setObjectName(name);
    window.setWindowTitle(caption);
    window.setWindowIcon(programIcon());
    window.setFixedSize(width, height);
    window.setFont(classicFont());
    withoutMaximise(window, false);
}

void connectWindows(QtPlatform& platform, MainCommands& commands, MainWindow& mainWindow) {
    platform.setMainWindow(&mainWindow, mainWindow.preview());
    MainWindow* owner = &mainWindow;
    platform.registerWindow(Window::SizeDialog,
                            [&commands, owner] { return new SizeDialog(commands, owner); });
    platform.registerWindow(Window::HowToUse, [owner] { return new HowToUseWindow(owner); });
    platform.registerWindow(Window::About, [owner] { return new AboutWindow(owner); });
    platform.registerWindow(Window::TerrainView,
                            [&commands, owner] { return new TerrainViewWindow(commands, owner); });
    platform.setTerrainRefresh([](QWidget* window) {
        if (auto* view = qobject_cast<TerrainViewWindow*>(window))
            view->refresh();
    });
    platform.setStateRefresh([owner] { owner->refresh(); });
    platform.setExportOptionsDialog(
        [&platform](QWidget* parent, std::shared_ptr<const Picture> picture,
                    GameTerrainOptions& options, ExportFocus focus) -> std::optional<GameTerrain> {
            ExportOptionsDialog dialog(platform, std::move(picture), options, focus, parent);
            if (dialog.exec() != QDialog::Accepted || !dialog.result())
                return std::nullopt;
            options = dialog.result()->options;
            return dialog.result()->terrain;
        });
}

} // namespace grondel
