#pragma once

#include "platform/platform.h"

#include <functional>
#include <map>
#include <memory>

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace grondel {

// The preview: shows one decoded picture at natural size from its top-left corner, clipped, on
// black, the colour every pixel beyond the picture reads as.
class PictureView : public QWidget, public PictureArea {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    void showPicture(std::shared_ptr<const Picture> picture) override;

    // What the preview draws: the picture's colours as the sampling reads them.
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// The file dialog filters for a pattern such as "*.bmp": the pattern's own filter first (the one
// selected), then, when opening, every picture format the program reads, then all files.
QStringList fileDialogFilters(const QString& pattern, bool opening);

// The Qt Widgets platform: real dialogs and message boxes, windows made by registered factories.
class QtPlatform : public Platform {
public:
    using WindowFactory = std::function<QWidget*()>;
    // Runs the export options dialog (see Platform::askExportOptions).
    using ExportOptionsDialog = std::function<std::optional<GameTerrain>(
        QWidget* parent, std::shared_ptr<const Picture>, GameTerrainOptions&)>;
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

    void showError(const QString& text, const QString& reason = {}) override;
    QString openFileName(const QString& folder, const QString& pattern) override;
    QString saveFileName(const QString& pattern, const QString& title = {},
                         const QString& suggested = {}) override;
    void showWindow(Window window) override;
    void terrainChanged() override;
    std::optional<GameTerrain> askExportOptions(std::shared_ptr<const Picture> picture,
                                                GameTerrainOptions& options) override;
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
    bool quitting_ = false; // closing the main window may call quit() again
};

} // namespace grondel
