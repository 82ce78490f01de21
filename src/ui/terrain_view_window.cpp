#include "ui/terrain_view_window.h"

#include "commands/main_commands.h"
#include "ui/terrain_view.h"
#include "ui/windows.h"

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

    auto* layout = new QVBoxLayout(this);
    const ViewPanel panel = addViewPanel(*this, *layout);
    view_ = panel.view;
    lblStatus = panel.status;
    closeOnEscape(*this);

    connect(&builder_, &TerrainBuilder::built, this, [this](const BuiltTerrain& built) {
        // The first model is seen from the south; later ones keep the camera where it is.
        view_->setScene(built.scene, shown_);
        shown_ = true;
        lblStatus->setText(statusText(built));
    });
    followProgress(builder_, panel);
    connect(&builder_, &TerrainBuilder::cancelled, this, [this] {
        lblStatus->setText(builder_.latest() ? statusText(*builder_.latest()) + " · build cancelled"
                                             : QStringLiteral("Build cancelled"));
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
