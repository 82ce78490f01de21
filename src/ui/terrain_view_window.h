#pragma once

#include "ui/terrain_builder.h"

#include <QWidget>

class QLabel;

namespace grondel {

class MainCommands;
class TerrainView;

// frmTerrainView: the game model of the current export options, drawn in 3D, with the export
// dialog's status line. At most one; Esc closes it. It follows the commands: refresh() builds
// again from the picture and options they hold now.
class TerrainViewWindow : public QWidget {
    Q_OBJECT
public:
    explicit TerrainViewWindow(MainCommands& commands, QWidget* parent = nullptr);

    void refresh();
    TerrainView* view() const { return view_; }

private:
    MainCommands& commands_;
    TerrainBuilder builder_;
    TerrainView* view_;
    QLabel* lblStatus;
    bool shown_ = false; // a model has been shown: keep the camera for the next
};

} // namespace grondel
