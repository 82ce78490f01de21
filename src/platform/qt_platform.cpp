#include "platform/qt_platform.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace grondel {

PictureView::PictureView(QWidget* parent)
    : QWidget(parent) {
    // paintEvent covers every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::showPicture(std::shared_ptr<const Picture> picture, const QString& name,
                              int edge) {
    // The colours as the sampling reads them, 8 bits a channel, translucency over black.
    QImage image;
    if (picture) {
        image = QImage(picture->width(), picture->height(), QImage::Format_RGB888);
        for (int y = 0; y < picture->height(); ++y)
            picture->rgb8Row(
                y, std::span(image.scanLine(y), static_cast<std::size_t>(3 * picture->width())));
    }
    image_ = std::move(image);
    name_ = picture ? name : QString();
    edge_ = picture ? edge : 0;
    bitDepth_ = picture ? picture->bitDepth() : 0;
    grey_ = picture && picture->isGrey();
    alpha_ = picture && picture->hasAlpha();
    update();
    emit pictureChanged();
}

QString PictureView::details() const {
    if (image_.isNull())
        return {};
    return QStringLiteral("%1 x %2, %3-bit %4%5")
        .arg(image_.width())
        .arg(image_.height())
        .arg(bitDepth_)
        .arg(grey_ ? QStringLiteral("grey") : QStringLiteral("colour"),
             alpha_ ? QStringLiteral(" and alpha") : QString());
}

QRectF PictureView::shownRect(const QRectF& pixels) const {
    // What is fitted: the picture and the sampled square, which may reach beyond it.
    const double across = std::max(image_.width(), edge_);
    const double down = std::max(image_.height(), edge_);
    if (across <= 0 || down <= 0)
        return {};
    double scale = std::min(width() / across, height() / down);
    if (scale >= 1)
        scale = std::floor(scale);
    const QPointF origin((width() - across * scale) / 2, (height() - down * scale) / 2);
    return {origin + pixels.topLeft() * scale, pixels.size() * scale};
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (image_.isNull())
        return;
    const QRectF picture = shownRect(QRectF(0, 0, image_.width(), image_.height()));
    // Shrunk smoothly; enlarged as blocks, each pixel a height one can see.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, picture.width() < image_.width());
    painter.drawImage(picture, image_);
    if (edge_ > 0) {
        const QRectF square = shownRect(QRectF(0, 0, edge_, edge_));
        painter.setPen(QPen(QColor(255, 64, 64), 1));
        painter.drawRect(square.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

QStringList fileDialogFilters(const QString& pattern) {
    // How the dialogs name each kind of file the program reads or writes.
    static const std::pair<const char*, const char*> kinds[] = {
        {"BMP pictures", "*.bmp"},         {"PNG pictures", "*.png"},
        {"JPEG pictures", "*.jpg *.jpeg"}, {"PGM/PPM pictures", "*.pgm *.ppm"},
        {"3DO models", "*.3do"},
    };
    QStringList filters;
    const QStringList patterns = pattern.split(' ', Qt::SkipEmptyParts);
    if (patterns.size() > 1)
        filters << QStringLiteral("Pictures (%1)").arg(patterns.join(' '));
    for (const auto& [name, suffixes] : kinds) {
        const QStringList own = QString(suffixes).split(' ');
        if (std::ranges::any_of(own, [&](const QString& p) { return patterns.contains(p); }))
            filters << QStringLiteral("%1 (%2)").arg(name, suffixes);
    }
    if (filters.isEmpty() && !patterns.isEmpty() && pattern != QLatin1String("*"))
        filters << QStringLiteral("%1 files (%1)").arg(pattern);
    filters << QStringLiteral("All files (*)");
    return filters;
}

QString stageText(BuildStage stage) {
    QString text =
        QString::fromUtf8(stageName(stage).data(), static_cast<qsizetype>(stageName(stage).size()));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text + QStringLiteral("...");
}

JobWindow::JobWindow(const QString& title, QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmProgress");
    setWindowTitle(title);
    setWindowModality(Qt::ApplicationModal);
    lblStage = new QLabel(QStringLiteral("Working..."), this);
    lblStage->setObjectName("lblStage");
    prgStage = new QProgressBar(this);
    prgStage->setObjectName("prgStage");
    prgStage->setRange(0, 0); // how long each stage takes is not known: a busy bar
    prgStage->setMinimumWidth(260);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setToolTip(QStringLiteral("Stop and keep everything as it was"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStage);
    layout->addWidget(prgStage);
    layout->addWidget(cmdCancel, 0, Qt::AlignRight);
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        lblStage->setText(QStringLiteral("Cancelling..."));
        cmdCancel->setEnabled(false);
        emit cancelled();
    });
}

void JobWindow::setStage(const QString& text) {
    if (cmdCancel->isEnabled())
        lblStage->setText(text);
}

void JobWindow::reject() {
    // Esc and the title bar mean Cancel; the window goes once the job has stopped.
    if (cmdCancel->isEnabled())
        cmdCancel->click();
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

bool QtPlatform::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Grondel"), text,
                    QMessageBox::Yes | QMessageBox::No, mainWindow_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtPlatform::openFileName(const QString& folder, const QString& pattern) {
    const QStringList filters = fileDialogFilters(pattern);
    return QFileDialog::getOpenFileName(mainWindow_, QString(), folder,
                                        filters.join(QStringLiteral(";;")));
}

QString QtPlatform::saveFileName(const QString& pattern, const QString& title,
                                 const QString& suggested) {
    QFileDialog dialog(mainWindow_, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(fileDialogFilters(pattern));
    // A name typed without the suffix gets it before the dialog looks at what exists; the
    // commands ask before replacing, knowing the name the suffix rule makes.
    if (pattern.startsWith(QLatin1String("*.")) && !pattern.contains(' '))
        dialog.setDefaultSuffix(pattern.mid(2));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!suggested.isEmpty()) {
        const QFileInfo start(suggested);
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

namespace {

// Holds back the user's input to every window but one while a job runs: clicks, keys,
// shortcuts and closing, so no command starts inside another.
class InputHold : public QObject {
public:
    explicit InputHold(QWidget* allowed)
        : allowed_(allowed) {
        qApp->installEventFilter(this);
    }
    ~InputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Drop:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || (allowed_ && (widget == allowed_ || allowed_->isAncestorOf(widget))))
            return false;
        event->ignore();
        return true;
    }

private:
    QPointer<QWidget> allowed_;
};

} // namespace

bool QtPlatform::runJob(const QString& title, const std::function<void(BuildProgress&)>& work) {
    // Shared with the worker: when cancelled, this returns at once and the worker finishes on
    // its own, its result unread.
    auto progress = std::make_shared<BuildProgress>();
    auto stage = std::make_shared<std::atomic<int>>(-1);
    progress->onStage = [stage](BuildStage s) { stage->store(static_cast<int>(s)); };

    QEventLoop loop;
    JobWindow window(title, mainWindow_);
    QObject::connect(&window, &JobWindow::cancelled, &loop, [&] {
        progress->cancel = true;
        loop.quit();
    });
    QTimer show;
    show.setSingleShot(true);
    QObject::connect(&show, &QTimer::timeout, &window, &QWidget::show);
    show.start(kProgressDelay);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (const int s = stage->load(); s >= 0)
            window.setStage(stageText(static_cast<BuildStage>(s)));
    });
    poll.start(50);

    const InputHold hold(&window);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([work, progress] { work(*progress); }));
    loop.exec();
    QApplication::restoreOverrideCursor();
    watcher.disconnect(&loop);
    return !progress->cancelled();
}

void QtPlatform::stateChanged() {
    if (stateRefresh_)
        stateRefresh_();
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
                                                        GameTerrainOptions& options,
                                                        ExportFocus focus) {
    if (!exportOptions_)
        return std::nullopt;
    return exportOptions_(mainWindow_, std::move(picture), options, focus);
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
