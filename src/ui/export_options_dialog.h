#pragma once

#include "platform/platform.h"
#include "terrain/game_terrain.h"
#include "ui/terrain_builder.h"

#include <memory>
#include <optional>

#include <QDialog>
#include <QTimer>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace grondel {

class TerrainView;

// frmExportOptions: the game model's options, with the model they make drawn below them and
// counted in a status line. Built off the interface thread as the options change. OK takes the
// options once their model is built; a field out of its range says so and keeps the dialog open.
class ExportOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // focus: where the keyboard starts (the scale fields for Edit, Scale X Y Z).
    ExportOptionsDialog(std::shared_ptr<const Picture> picture, const GameTerrainOptions& options,
                        ExportFocus focus = ExportFocus::First, QWidget* parent = nullptr);

    // The options the fields hold, or the first field's refusal in error.
    std::optional<GameTerrainOptions> options(QString& error) const;
    // The model of the accepted options.
    const std::optional<BuiltTerrain>& result() const { return builder_.latest(); }
    TerrainView* view() const { return view_; }

public slots:
    void cmdOk_Click();

private:
    void fieldsChanged();
    void showBuilt(const BuiltTerrain& built);

    std::shared_ptr<const Picture> picture_;
    TerrainBuilder builder_;
    QTimer settle_;          // waits for typing to pause before building
    bool okWaiting_ = false; // OK was pressed while its model was being built

    QRadioButton* optTopLeft;
    QRadioButton* optFit;
    QRadioButton* optColour;
    QRadioButton* optGrey;
    QRadioButton* optWalkable;
    QRadioButton* optScenery;
    QLineEdit* txtEdge;
    QLineEdit* txtScaleX;
    QLineEdit* txtScaleY;
    QLineEdit* txtScaleZ;
    QLineEdit* txtMaterial;
    QLineEdit* txtTexelsPerUnit;
    QLineEdit* txtMaxError;
    QLineEdit* txtMaxFaces;
    TerrainView* view_;
    QLabel* lblStatus;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
};

} // namespace grondel
