#include "ui/main_window.h"

#include "commands/main_commands.h"
#include "platform/qt_platform.h"
#include "ui/windows.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>

namespace grondel {

MainWindow::MainWindow(MainCommands& commands, QWidget* parent)
    : QMainWindow(parent)
    , commands_(commands) {
    setObjectName("frmMain");
    // Short, and the window wide enough, for the whole title to show in the title bar with its
    // buttons; the file Save writes to is shown below the preview.
    setWindowTitle("Grondel");
    setWindowIcon(programIcon());
    withoutMaximise(*this, true);

    // Everything sits at fixed pixel positions; the window neither grows nor shrinks.
    auto* client = new QWidget(this);
    client->setFixedSize(170, 284);
    client->setFont(classicFont());
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    freLoad = new QGroupBox(client);
    freLoad->setObjectName("freLoad");
    freLoad->setGeometry(0, 0, 169, 57);

    cmdImport = makeButton("cmdImport", ":/icons/import.svg", 16, "Import Heightmap");
    cmdSaveAs = makeButton("cmdSaveAs", ":/icons/save.svg", 68, "Save As");
    cmdScale = makeButton("cmdScale", ":/icons/scale.svg", 120, "Scale");
    cmdImport->setToolTip("Import a heightmap picture (Ctrl+I)");
    cmdSaveAs->setToolTip("Save the editor model under a new name (F12)");
    cmdScale->setToolTip("Scale the terrain: the game model's options, scale first");
    connect(cmdImport, &QPushButton::clicked, this, &MainWindow::cmdImport_Click);
    connect(cmdSaveAs, &QPushButton::clicked, this, &MainWindow::cmdSaveAs_Click);
    connect(cmdScale, &QPushButton::clicked, this, &MainWindow::cmdScale_Click);

    Picture1 = new PictureView(client);
    Picture1->setObjectName("Picture1");
    Picture1->setGeometry(0, 64, 169, 169);
    Picture1->setFocusPolicy(Qt::TabFocus);
    Picture1->installEventFilter(this);
    connect(Picture1, &PictureView::pictureChanged, this, &MainWindow::refresh);
    // Under the preview: what the picture is, and where Save writes.
    lblPictureName = makeLabel("lblPictureName", 236);
    lblPictureSize = makeLabel("lblPictureSize", 251);
    lblSaveTarget = makeLabel("lblSaveTarget", 266);
    // A picture dropped anywhere on the window imports it.
    setAcceptDrops(true);

    setTabOrder(cmdSaveAs, cmdImport);
    setTabOrder(cmdImport, cmdScale);
    setTabOrder(cmdScale, Picture1);
    cmdSaveAs->setFocus();

    QMenu* menuFile = menuBar()->addMenu("&File");
    menuFile->setObjectName("menuFile");
    addEntry(menuFile, "menuFileImport", "Import Heightmap", QKeySequence("Ctrl+I"),
             &MainWindow::menuFileImport_Click);
    menuFile->addSeparator()->setObjectName("menuFileBreak2");
    menuFileSave = addEntry(menuFile, "menuFileSave", "Save", QKeySequence("Ctrl+S"),
                            &MainWindow::menuFileSave_Click);
    menuFileSaveAs = addEntry(menuFile, "menuFileSaveAs", "Save As...", QKeySequence("F12"),
                              &MainWindow::menuFileSaveAs_Click);
    menuFileExportGame = addEntry(menuFile, "menuFileExportGame", "Export Game Model...",
                                  QKeySequence("Ctrl+E"), &MainWindow::menuFileExportGame_Click);
    menuFile->addSeparator()->setObjectName("menuFileBreak");
    addEntry(menuFile, "menuFileExit", "Exit", QKeySequence(), &MainWindow::menuFileExit_Click);

    QMenu* menuEdit = menuBar()->addMenu("&Edit");
    menuEdit->setObjectName("menuEdit");
    menuEditScale = addEntry(menuEdit, "menuEditScale", "Scale X Y Z", QKeySequence(),
                             &MainWindow::menuEditScale_Click);

    QMenu* menuHelp = menuBar()->addMenu("&Help");
    menuHelp->setObjectName("menuHelp");
    addEntry(menuHelp, "menuHelpUse", "How To Use", QKeySequence(), &MainWindow::menuHelpUse_Click);
    addEntry(menuHelp, "menuHelpAbout", "About...", QKeySequence(),
             &MainWindow::menuHelpAbout_Click);
    refresh();
}

QLabel* MainWindow::makeLabel(const char* name, int top) {
    auto* label = new QLabel(centralWidget());
    label->setObjectName(name);
    label->setGeometry(4, top, 162, 15);
    return label;
}

void MainWindow::refresh() {
    // What needs a grid waits for one.
    const bool loaded = commands_.heightmapLoaded();
    for (QWidget* button : std::initializer_list<QWidget*>{cmdSaveAs, cmdScale})
        button->setEnabled(loaded);
    for (QAction* entry : {menuFileSave, menuFileSaveAs, menuFileExportGame, menuEditScale})
        entry->setEnabled(loaded);
    Picture1->setToolTip(loaded ? "Double-click to see the game model in 3D"
                                : "Import a heightmap, or drop a picture here");
    const QString target = QFileInfo(commands_.savePath()).fileName();
    setShown(lblPictureName, Picture1->name());
    setShown(lblPictureSize, Picture1->details());
    setShown(lblSaveTarget,
             !loaded            ? QString()
             : target.isEmpty() ? "Not saved yet"
                                : target,
             target.isEmpty() ? QString() : QStringLiteral("Saves to "));
}

void MainWindow::setShown(QLabel* label, const QString& text, const QString& before) {
    // A long name keeps its start and end; the whole of it is a hover away.
    const int room = label->width() - label->fontMetrics().horizontalAdvance(before);
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, room);
    label->setText(before + shown);
    label->setToolTip(shown == text ? QString() : before + text);
}

QPushButton* MainWindow::makeButton(const char* name, const char* icon, int left,
                                    const QString& label) {
    auto* button = new QPushButton(freLoad);
    button->setObjectName(name);
    button->setGeometry(left, 16, 33, 33);
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(16, 16));
    // The buttons show only a picture; screen readers still get a name.
    button->setAccessibleName(label);
    return button;
}

QAction* MainWindow::addEntry(QMenu* menu, const char* name, const QString& text,
                              const QKeySequence& shortcut, void (MainWindow::*handler)()) {
    QAction* entry = menu->addAction(text);
    entry->setObjectName(name);
    entry->setShortcut(shortcut);
    connect(entry, &QAction::triggered, this, handler);
    return entry;
}

void MainWindow::cmdImport_Click() {
    commands_.importHeightmap();
}
void MainWindow::cmdSaveAs_Click() {
    commands_.saveAs();
}
void MainWindow::cmdScale_Click() {
    commands_.scale();
}
void MainWindow::menuFileImport_Click() {
    commands_.importHeightmap();
}
void MainWindow::menuFileSave_Click() {
    commands_.save();
}
void MainWindow::menuFileSaveAs_Click() {
    commands_.saveAs();
}
void MainWindow::menuFileExportGame_Click() {
    commands_.exportGameModel();
}
void MainWindow::menuFileExit_Click() {
    commands_.exit();
}
void MainWindow::menuEditScale_Click() {
    commands_.scale();
}
void MainWindow::menuHelpUse_Click() {
    commands_.howToUse();
}
void MainWindow::menuHelpAbout_Click() {
    commands_.about();
}

QString MainWindow::droppedPicture(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    // Several files: the first is taken. Only a file on this machine can be read.
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile() || QFileInfo(first.toLocalFile()).isDir())
        return {};
    return first.toLocalFile();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    // Refused, the cursor shows that nothing would happen.
    if (droppedPicture(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedPicture(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    commands_.importDropped(path);
}

void MainWindow::Picture1_DblClick() {
    // Without a grid there is nothing to view; the tooltip says what to do instead.
    if (commands_.heightmapLoaded())
        commands_.viewTerrain();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picture1 && event->type() == QEvent::MouseButtonDblClick) {
        Picture1_DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    commands_.exit();
    event->accept();
}

} // namespace grondel
