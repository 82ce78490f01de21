#pragma once

#include <QMainWindow>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;

namespace grondel {

class MainCommands;
class PictureView;

// frmMain: the tool strip with its three picture buttons, the preview, the lines under it (the
// picture's name and size, the file Save writes to) and the menu bar. It holds no state of its
// own; every button and menu entry runs one of the commands, and those that need a grid wait
// for one. Its client area below the menu bar is a fixed 170 x 284 pixels.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainCommands& commands, QWidget* parent = nullptr);

    // Picture1, the preview the commands load images into and sample.
    PictureView* preview() const { return Picture1; }

public slots:
    // Shows what the commands hold now: which entries can run, the picture, the save target.
    void refresh();
    void cmdImport_Click();
    void cmdSaveAs_Click();
    void cmdScale_Click();
    void menuFileImport_Click();
    void menuFileSave_Click();
    void menuFileSaveAs_Click();
    void menuFileExportGame_Click();
    void menuFileExit_Click();
    void menuEditScale_Click();
    void menuHelpUse_Click();
    void menuHelpAbout_Click();
    void Picture1_DblClick();

protected:
    // The title-bar button ends the program like Exit, closing the other windows with it.
    void closeEvent(QCloseEvent* event) override;
    // A double click on the preview opens the terrain view.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A local picture file dragged over the window is taken as Import takes a chosen one; a
    // folder or anything not on this machine is refused.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The path a drop would import, or an empty text when it offers no local file.
    static QString droppedPicture(const QMimeData* data);
    QPushButton* makeButton(const char* name, const char* icon, int left, const QString& label);
    QLabel* makeLabel(const char* name, int top);
    // Shows before and text in label, text shortened in the middle where it does not fit.
    static void setShown(QLabel* label, const QString& text, const QString& before = {});
    QAction* addEntry(QMenu* menu, const char* name, const QString& text,
                      const QKeySequence& shortcut, void (MainWindow::*handler)());

    MainCommands& commands_;
    QGroupBox* freLoad;
    QPushButton* cmdImport;
    QPushButton* cmdSaveAs;
    QPushButton* cmdScale;
    PictureView* Picture1;
    QLabel* lblPictureName;
    QLabel* lblPictureSize;
    QLabel* lblSaveTarget;
    QAction* menuFileSave;
    QAction* menuFileSaveAs;
    QAction* menuFileExportGame;
    QAction* menuEditScale;
};

} // namespace grondel
