#pragma once

#include "platform/platform.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

namespace grondel {

// The preview: shows one decoded image at natural size from its top-left corner, clipped, on
// a fixed background colour (see pixel()).
class PictureView : public QWidget, public PictureArea {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);

    bool load(const QString& path, QString* error = nullptr) override;
    bool hasPicture() const override;
    Cell pixel(int x, int y) const override;

    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// The Qt Widgets platform: real dialogs and message boxes, windows made by registered factories.
class QtPlatform : public Platform {
public:
    using WindowFactory = std::function<QWidget*()>;

    QtPlatform();
    ~QtPlatform() override;

    // The main window parents the dialogs and message boxes and holds the preview.
    void setMainWindow(QWidget* mainWindow, PictureView* preview);
    // How to make a window kind; the window is deleted when it closes and made afresh next time.
    void registerWindow(Window window, WindowFactory factory);
    // The open window of that kind, or null.
    QWidget* openWindow(Window window) const;

    void showError(const QString& text) override;
    QString openFileName(const QString& folder, const QString& pattern) override;
    QString saveFileName(const QString& pattern) override;
    void showWindow(Window window) override;
    void quit() override;
    PictureArea& picture() override;

private:
    QPointer<QWidget> mainWindow_;
    PictureView* preview_ = nullptr;
    std::map<Window, WindowFactory> factories_;
    std::map<Window, QPointer<QWidget>> open_;
};

} // namespace grondel
