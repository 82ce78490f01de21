#pragma once

#include "render/camera.h"
#include "render/rasterizer.h"
#include "render/scene.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

class QBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace grondel {

// The game model drawn in 3D, shaded, turning under the mouse. Drawn by our own rasterizer into a
// picture, so it looks the same on every machine and platform, GPU or none.
//
// Left button turns, right or middle button moves, the wheel zooms; arrow keys turn, + and -
// zoom; T looks straight down (north up), Home goes back to the view from the south.
class TerrainView : public QWidget {
    Q_OBJECT
public:
    explicit TerrainView(QWidget* parent = nullptr);

    // Shows scene. With keepCamera the view stays where the user put it (a new build of the same
    // terrain); otherwise it starts from the south with the whole scene in view.
    void setScene(render::Scene scene, bool keepCamera = false);
    const render::Scene& scene() const { return scene_; }
    const render::Camera& camera() const { return camera_; }

    void setFaceEdges(bool shown);
    void setMeshBorders(bool shown);
    void resetView();
    void topView();

    // The picture as it is drawn now, at the widget's size.
    QImage picture();

    QSize sizeHint() const override { return {480, 360}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Which fitted view the camera holds, kept fitted when the widget's shape changes.
    enum class Fit { South, Top, None };
    double aspect() const;
    void fit(Fit fit);
    void setCamera(const render::Camera& camera);

    render::Scene scene_;
    render::Camera camera_;
    render::RenderOptions options_;
    render::Frame frame_;
    Fit fit_ = Fit::South;
    bool stale_ = true; // the frame does not show the scene as it is now
    QPoint lastMouse_;
};

// The view, its two toggles (chkFaceEdges, chkMeshBorders) under it and a status line
// (lblStatus) with a build's progress (prgBuild) and its Cancel (cmdCancelBuild), hidden until
// a build takes long, as the export options and the terrain view window show them: added to
// layout of owner, the view taking the spare room. The toggles take no focus, so the view keeps
// its keys when one is clicked.
struct ViewPanel {
    TerrainView* view;
    QLabel* status;
    QProgressBar* progress;
    QPushButton* cancel;
};
ViewPanel addViewPanel(QWidget& owner, QBoxLayout& layout);

} // namespace grondel
