#include "commands/main_commands.h"
#include "platform/qt_platform.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grondel"));
    QApplication::setApplicationVersion(QStringLiteral(GRONDEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("grondel"));
    QApplication::setWindowIcon(grondel::programIcon());
    // Dialogs and message boxes read like the program's own windows.
    QApplication::setFont(grondel::windowFont());

    grondel::QtPlatform platform;
    // The open-file dialog starts where the program lives.
    grondel::MainCommands commands(platform, QCoreApplication::applicationDirPath());
    grondel::MainWindow window(commands);
    grondel::connectWindows(platform, commands, window);
    window.show();
    return QApplication::exec();
}
