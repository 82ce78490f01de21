#pragma once

#include "platform/platform.h"

#include <functional>
#include <map>
#include <memory>

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace grondel {

// The preview: the picture scaled to fit, its proportions kept, over black, the colour every
// pixel beyond the picture reads as; the square the editor model samples outlined. Enlarged by
// whole pixels, so a small heightmap shows each pixel as a block.
class PictureView : public QWidget, public PictureArea {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    void showPicture(std::shared_ptr<const Picture> picture, const QString& name = {},
                     int edge = 0) override;

    // What the preview draws from: the picture's colours as the sampling reads them.
    const QImage& image() const { return image_; }
    // What is shown, for the lines under the preview: the name, and "64 x 64, 8-bit grey".
    const QString& name() const { return name_; }
    QString details() const;
    // Where the picture's pixel rectangle (x, y, w, h) is drawn.
    QRectF shownRect(const QRectF& pixels) const;

signals:
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QString name_;
    int edge_ = 0;
    int bitDepth_ = 0;
    bool grey_ = false;
    bool alpha_ = false;
};

// The file dialog filters for a pattern such as "*.3do": its own filter first (the one
// selected), then all files. Several patterns ("*.bmp *.png ...") are offered together first,
// then each kind of picture alone.
QStringList fileDialogFilters(const QString& pattern);

// "Simplifying...": a build's stage as the windows show it.
QString stageText(BuildStage stage);

// frmProgress: a long job's stage (lblStage) over a busy bar (prgStage), and cmdCancel.
class JobWindow : public QDialog {
    Q_OBJECT
public:
    explicit JobWindow(const QString& title, QWidget* parent = nullptr);
    void setStage(const QString& text);
    void reject() override;

signals:
    void cancelled();

private:
    QLabel* lblStage;
    QProgressBar* prgStage;
    QPushButton* cmdCancel;
};

// The Qt Widgets platform: real dialogs and message boxes, windows made by registered factories.
class QtPlatform : public Platform {
public:
    using WindowFactory = std::function<QWidget*()>;
    // Runs the export options dialog (see Platform::askExportOptions).
    using ExportOptionsDialog = std::function<std::optional<GameTerrain>(
        QWidget* parent, std::shared_ptr<const Picture>, GameTerrainOptions&, ExportFocus)>;
    // Makes an open window build its terrain again.
    using TerrainRefresh = std::function<void(QWidget* window)>;

    QtPlatform();
    ~QtPlatform() override;

    // The main window parents the dialogs and message boxes and holds the preview.
    void setMainWindow(QWidget* mainWindow, PictureView* preview);
    // How to make a window kind; the window is deleted when it closes and made afresh next time.
    void registerWindow(Window window, WindowFactory factory);
    // The open window of that kind, or null.
    QWidget* openWindow(Window window) const;
    void setExportOptionsDialog(ExportOptionsDialog dialog) { exportOptions_ = std::move(dialog); }
    void setTerrainRefresh(TerrainRefresh refresh) { terrainRefresh_ = std::move(refresh); }
    void setStateRefresh(std::function<void()> refresh) { stateRefresh_ = std::move(refresh); }

    void showError(const QString& text, const QString& reason = {}) override;
    bool confirm(const QString& text) override;
    QString openFileName(const QString& folder, const QString& pattern) override;
    QString saveFileName(const QString& pattern, const QString& title = {},
                         const QString& suggested = {}) override;
    bool runJob(const QString& title, const std::function<void(BuildProgress&)>& work) override;
    void stateChanged() override;
    void showWindow(Window window) override;
    void terrainChanged() override;
    std::optional<GameTerrain> askExportOptions(std::shared_ptr<const Picture> picture,
                                                GameTerrainOptions& options,
                                                ExportFocus focus = ExportFocus::First) override;
    void quit() override;
    PictureArea& preview() override;

private:
    QPointer<QWidget> mainWindow_;
    QPointer<PictureView> preview_;
    std::unique_ptr<PictureView> standIn_; // the preview until a main window gives one
    std::map<Window, WindowFactory> factories_;
    std::map<Window, QPointer<QWidget>> open_;
    ExportOptionsDialog exportOptions_;
    TerrainRefresh terrainRefresh_;
    std::function<void()> stateRefresh_;
    bool quitting_ = false; // closing the main window may call quit() again
};

} // namespace grondel
