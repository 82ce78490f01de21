#pragma once

#include "platform/platform.h"
#include "terrain/game_terrain.h"
#include "ui/terrain_builder.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QDialog>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace grondel {

class TerrainView;

// frmExportOptions: the game model's options, with the model they make drawn below them and
// counted in a status line. Built off the interface thread as the options change. OK takes the
// options once their model is built; a field out of its range says so and keeps the dialog open.
// The texture's files are chosen through platform and read as they are chosen; one that cannot
// be read is named with the reason, and OK refuses it until another is chosen.
class ExportOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // focus: where the keyboard starts (the scale fields for Edit, Scale X Y Z).
    ExportOptionsDialog(Platform& platform, std::shared_ptr<const Picture> picture,
                        const GameTerrainOptions& options, ExportFocus focus = ExportFocus::First,
                        QWidget* parent = nullptr);

    // The options the fields hold, or the first field's refusal in error.
    std::optional<GameTerrainOptions> options(QString& error) const;
    // The model of the accepted options.
    const std::optional<BuiltTerrain>& result() const { return builder_.latest(); }
    TerrainView* view() const { return view_; }

public slots:
    void cmdOk_Click();
    void cmdTexturePicture_Click();
    void cmdColormap_Click();
    void cmdColormapNone_Click();

private:
    void fieldsChanged();
    void showBuilt(const BuiltTerrain& built);
    // The texture's controls as texture_ and the source chosen stand.
    void showTexture();
    // Reads a file off the interface thread with read: its reason, empty when it was read, or
    // nothing when the user cancelled.
    // A file the user chose, and what was wrong with it (empty when it was read).
    struct ChosenFile {
        std::filesystem::path path;
        QString name;
        QString problem;
    };
    // Asks for a file like pattern, in the folder of last, and reads it off the interface thread
    // with read(path), which returns what is wrong or an empty text. Nothing when none was
    // chosen or the reading was cancelled.
    std::optional<ChosenFile>
    chooseFile(const std::filesystem::path& last, const char* pattern,
               const std::function<std::string(const std::filesystem::path&)>& read);

    Platform& platform_;
    std::shared_ptr<const Picture> picture_;
    // The texture's files as last chosen, and what was wrong with each that was not read.
    TextureOptions texture_;
    QString pictureError_;
    QString colormapError_;
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
    QRadioButton* optTextureNone;
    QRadioButton* optTextureShaded;
    QRadioButton* optTexturePicture;
    QLabel* lblTexturePicture;
    QPushButton* cmdTexturePicture;
    QComboBox* cboTextureSize;
    QLabel* lblColormap;
    QPushButton* cmdColormap;
    QPushButton* cmdColormapNone;
    TerrainView* view_;
    QLabel* lblStatus;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
};

} // namespace grondel
