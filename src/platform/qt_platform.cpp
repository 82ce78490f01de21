#include "platform/qt_platform.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>

namespace grondel {

PictureView::PictureView(QWidget* parent)
    : QWidget(parent) {
    // paintEvent covers every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::showPicture(std::shared_ptr<const Picture> picture) {
    // The colours as the sampling reads them, 8 bits a channel, translucency over black.
    QImage image;
    if (picture) {
        image = QImage(picture->width(), picture->height(), QImage::Format_RGB888);
        for (int y = 0; y < picture->height(); ++y)
            picture->rgb8Row(
                y, std::span(image.scanLine(y), static_cast<std::size_t>(3 * picture->width())));
    }
    image_ = std::move(image);
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    // Unscaled from the top-left corner; the painter clips what lies beyond the widget.
    if (!image_.isNull())
        painter.drawImage(QPoint(0, 0), image_);
}

QStringList fileDialogFilters(const QString& pattern, bool opening) {
    QStringList filters;
    if (pattern == QLatin1String("*.bmp"))
        filters << QStringLiteral("Bitmaps (*.bmp)");
    else if (pattern == QLatin1String("*.3do"))
        filters << QStringLiteral("3DO models (*.3do)");
    else if (!pattern.isEmpty() && pattern != QLatin1String("*"))
        filters << QStringLiteral("%1 files (%1)").arg(pattern);

    if (opening)
        filters << QStringLiteral("Pictures: BMP, PNG, JPEG, PGM/PPM (*.bmp *.png *.jpg *.jpeg "
                                  "*.pgm *.ppm *.pnm)");
    filters << QStringLiteral("All files (*)");
    return filters;
}

QtPlatform::QtPlatform() = default;

QtPlatform::~QtPlatform() = default;

void QtPlatform::setMainWindow(QWidget* mainWindow, PictureView* preview) {
    mainWindow_ = mainWindow;
    preview_ = preview;
}

void QtPlatform::registerWindow(Window window, WindowFactory factory) {
    factories_[window] = std::move(factory);
}

QWidget* QtPlatform::openWindow(Window window) const {
    const auto open = open_.find(window);
    return open == open_.end() ? nullptr : open->second.data();
}

void QtPlatform::showError(const QString& text, const QString& reason) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
                    mainWindow_);
    box.setInformativeText(reason);
    box.exec();
}

QString QtPlatform::openFileName(const QString& folder, const QString& pattern) {
    const QStringList filters = fileDialogFilters(pattern, true);
    return QFileDialog::getOpenFileName(mainWindow_, QString(), folder,
                                        filters.join(QStringLiteral(";;")));
}

QString QtPlatform::saveFileName(const QString& pattern, const QString& title,
                                 const QString& suggested) {
    const QStringList filters = fileDialogFilters(pattern, false);
    return QFileDialog::getSaveFileName(mainWindow_, title, suggested,
                                        filters.join(QStringLiteral(";;")));
}

void QtPlatform::showWindow(Window window) {
    if (QWidget* open = openWindow(window)) {
        // Forward means visible and not minimised, whatever the user did to it meanwhile.
        open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    const auto factory = factories_.find(window);
    if (factory == factories_.end() || !factory->second)
        return;
    QWidget* made = factory->second();
    if (!made)
        return;
    made->setAttribute(Qt::WA_DeleteOnClose);
    open_[window] = made;
    made->show();
}

void QtPlatform::terrainChanged() {
    if (QWidget* view = openWindow(Window::TerrainView); view && terrainRefresh_)
        terrainRefresh_(view);
}

std::optional<GameTerrain> QtPlatform::askExportOptions(std::shared_ptr<const Picture> picture,
                                                        GameTerrainOptions& options) {
    if (!exportOptions_)
        return std::nullopt;
    return exportOptions_(mainWindow_, std::move(picture), options);
}

void QtPlatform::quit() {
    if (quitting_)
        return;
    quitting_ = true;
    for (auto& [kind, window] : open_)
        if (window)
            window->close();
    if (mainWindow_)
        mainWindow_->close();
    // Leaves every running event loop, nested ones included; from inside a handler the program
    // ends once that handler returns.
    QCoreApplication::quit();
    quitting_ = false;
}

PictureArea& QtPlatform::preview() {
    if (preview_)
        return *preview_;
    if (!standIn_)
        standIn_ = std::make_unique<PictureView>();
    return *standIn_;
}

} // namespace grondel
