#include "ui/terrain_view_window.h"

#include "commands/main_commands.h"
#include "ui/terrain_view.h"
#include "ui/windows.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace grondel {

TerrainViewWindow::TerrainViewWindow(MainCommands& commands, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , commands_(commands) {
    setObjectName("frmTerrainView");
    setWindowTitle("Terrain View");
    setWindowIcon(programIcon());
    setFont(windowFont());

    view_ = new TerrainView(this);
    chkFaceEdges = new QCheckBox("Face e&dges", this);
    chkFaceEdges->setObjectName("chkFaceEdges");
    chkMeshBorders = new QCheckBox("Mesh &borders", this);
    chkMeshBorders->setObjectName("chkMeshBorders");
    connect(chkFaceEdges, &QCheckBox::toggled, view_, &TerrainView::setFaceEdges);
    connect(chkMeshBorders, &QCheckBox::toggled, view_, &TerrainView::setMeshBorders);
    lblStatus = new QLabel("Building...", this);
    lblStatus->setObjectName("lblStatus");
    lblStatus->setWordWrap(true);

    auto* toggles = new QHBoxLayout;
    toggles->addWidget(chkFaceEdges);
    toggles->addWidget(chkMeshBorders);
    toggles->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(toggles);
    layout->addWidget(lblStatus);
    closeOnEscape(*this);

    connect(&builder_, &TerrainBuilder::built, this, [this](const BuiltTerrain& built) {
        // The first model is seen from the south; later ones keep the camera where it is.
        view_->setScene(built.scene, shown_);
        shown_ = true;
        lblStatus->setText(statusText(built));
    });
    resize(800, 600);
    view_->setFocus();
    refresh();
}

void TerrainViewWindow::refresh() {
    if (const auto picture = commands_.picture())
        builder_.request(picture, commands_.exportOptions());
}

} // namespace grondel
