#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

class QAbstractButton;
class QWidget;

namespace grondel {

class MainCommands;
class MainWindow;
class QtPlatform;

// The program's badge, carried by every window.
QIcon programIcon();

// The user guide as the help window shows it (line breaks as "\n", tabs kept).
QString guideText();

// The font the windows' fixed pixel layouts are measured for: 8 point "MS Sans Serif", or the
// closest family there is.
QFont classicFont();

// The font of the resizable windows (export options, terrain view): the same families at the
// usual 9 point, so they read the same whichever of those families a machine has.
QFont windowFont();

// The About window's version font: the same family, bold, 12 point.
QFont versionFont();

// Makes every label's whole text fit the part of it the window shows. Where the font the window
// got runs wider than the one the layout was drawn for, the label's font shrinks a point at a
// time, down to 6 points; a text that still does not fit ends in "...". A text that fits keeps
// its font as it is. Call once the window's controls have their places and texts.
void fitLabels(QWidget& window);

// Esc closes window, as its title-bar button does.
void closeOnEscape(QWidget& window);
// Enter (either key) anywhere in window presses ok.
void pressOnEnter(QWidget& window, QAbstractButton& ok);

// Takes the maximise button from a window of fixed size; minimise keeps that one.
void withoutMaximise(QWidget& window, bool minimise);

// What every secondary window starts with: its name, caption and badge, a client area of a
// fixed size in device pixels with no maximise button, and the classic font its layout is
// measured for.
void setUpWindow(QWidget& window, const char* name, const QString& caption, int width, int height);

// Hands the main window and its preview to the platform and teaches it to make the size, help
// and About windows, each parented to the main window.
void connectWindows(QtPlatform& platform, MainCommands& commands, MainWindow& mainWindow);

} // namespace grondel
