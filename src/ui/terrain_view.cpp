#include "ui/terrain_view.h"

#include <numbers>

#include <QBoxLayout>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QWheelEvent>

namespace grondel {
namespace {

constexpr double kKeyTurn = 5.0 * std::numbers::pi / 180.0;
constexpr double kKeyZoom = 1.25;
constexpr double kTurnPerPixel = 0.01; // radians

} // namespace

TerrainView::TerrainView(QWidget* parent)
    : QWidget(parent) {
    setObjectName("TerrainView");
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

void TerrainView::setScene(render::Scene scene, bool keepCamera) {
    scene_ = std::move(scene);
    if (keepCamera)
        fit(fit_);
    else
        fit(Fit::South);
}

void TerrainView::setFaceEdges(bool shown) {
    options_.faceEdges = shown;
    stale_ = true;
    update();
}

void TerrainView::setMeshBorders(bool shown) {
    options_.meshBorders = shown;
    stale_ = true;
    update();
}

void TerrainView::resetView() {
    fit(Fit::South);
}

void TerrainView::topView() {
    fit(Fit::Top);
}

void TerrainView::fit(Fit fit) {
    if (fit != Fit::None)
        camera_ = fit == Fit::South ? render::southView(scene_, aspect())
                                    : render::topView(scene_, aspect());
    fit_ = fit;
    stale_ = true;
    update();
}

void TerrainView::setCamera(const render::Camera& camera) {
    camera_ = camera;
    fit_ = Fit::None;
    stale_ = true;
    update();
}

double TerrainView::aspect() const {
    return height() > 0 ? static_cast<double>(width()) / height() : 1.0;
}

QImage TerrainView::picture() {
    const qreal ratio = devicePixelRatioF();
    const int w = qRound(width() * ratio), h = qRound(height() * ratio);
    if (stale_ || frame_.width != w || frame_.height != h) {
        frame_.resize(w, h);
        render::draw(scene_, camera_, options_, frame_);
        stale_ = false;
    }
    // The frame's memory, seen as a picture without a copy.
    QImage image(reinterpret_cast<const uchar*>(frame_.pixels.data()), w, h, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

void TerrainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture());
}

void TerrainView::resizeEvent(QResizeEvent*) {
    fit(fit_);
}

void TerrainView::mousePressEvent(QMouseEvent* event) {
    lastMouse_ = event->position().toPoint();
    setFocus();
}

void TerrainView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QPoint step = at - lastMouse_;
    lastMouse_ = at;
    if (event->buttons() & Qt::LeftButton)
        setCamera(render::turned(camera_, step.x() * kTurnPerPixel, step.y() * kTurnPerPixel));
    else if (event->buttons() & (Qt::RightButton | Qt::MiddleButton))
        setCamera(render::moved(camera_, step.x() / std::max(1.0, double(height())),
                                -step.y() / std::max(1.0, double(height()))));
}

void TerrainView::wheelEvent(QWheelEvent* event) {
    // One notch of a common wheel is 120; it zooms by a fifth.
    setCamera(render::zoomed(camera_, std::pow(1.2, event->angleDelta().y() / 120.0)));
}

void TerrainView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        setCamera(render::turned(camera_, -kKeyTurn, 0.0));
        break;
    case Qt::Key_Right:
        setCamera(render::turned(camera_, kKeyTurn, 0.0));
        break;
    case Qt::Key_Up:
        setCamera(render::turned(camera_, 0.0, kKeyTurn));
        break;
    case Qt::Key_Down:
        setCamera(render::turned(camera_, 0.0, -kKeyTurn));
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        setCamera(render::zoomed(camera_, kKeyZoom));
        break;
    case Qt::Key_Minus:
        setCamera(render::zoomed(camera_, 1.0 / kKeyZoom));
        break;
    case Qt::Key_T:
        topView();
        break;
    case Qt::Key_Home:
        resetView();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

ViewPanel addViewPanel(QWidget& owner, QBoxLayout& layout) {
    auto* view = new TerrainView(&owner);
    auto* faceEdges = new QCheckBox("Face e&dges", &owner);
    faceEdges->setObjectName("chkFaceEdges");
    faceEdges->setToolTip("Draw every face's edges (Alt+D)");
    auto* meshBorders = new QCheckBox("Mesh &borders", &owner);
    meshBorders->setObjectName("chkMeshBorders");
    meshBorders->setToolTip("Draw where one mesh meets the next (Alt+B)");
    for (QCheckBox* toggle : {faceEdges, meshBorders})
        toggle->setFocusPolicy(Qt::NoFocus);
    QObject::connect(faceEdges, &QCheckBox::toggled, view, &TerrainView::setFaceEdges);
    QObject::connect(meshBorders, &QCheckBox::toggled, view, &TerrainView::setMeshBorders);
    auto* status = new QLabel("Building...", &owner);
    status->setObjectName("lblStatus");
    status->setWordWrap(true);
    auto* progress = new QProgressBar(&owner);
    progress->setObjectName("prgBuild");
    progress->setTextVisible(true);
    progress->setMinimumWidth(180);
    progress->hide();
    auto* cancel = new QPushButton("Cancel build", &owner);
    cancel->setObjectName("cmdCancelBuild");
    cancel->setToolTip("Stop this build; the model shown stays");
    cancel->setAutoDefault(false);
    cancel->hide();

    auto* toggles = new QHBoxLayout;
    toggles->addWidget(faceEdges);
    toggles->addWidget(meshBorders);
    toggles->addStretch();
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(status, 1);
    statusRow->addWidget(progress);
    statusRow->addWidget(cancel);
    layout.addWidget(view, 1);
    layout.addLayout(toggles);
    layout.addLayout(statusRow);
    return {view, status, progress, cancel};
}

} // namespace grondel
