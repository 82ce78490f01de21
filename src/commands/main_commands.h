#pragma once

#include "heightmap/heightmap.h"
#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include <QString>

namespace grondel {

// What the user is told. Every one goes out through Platform::showError; those about a file
// are followed by its name.
inline constexpr char kInvalidImage[] = "Error, invalid image";
inline constexpr char kNoHeightmap[] = "Error, no heightmap loaded";
inline constexpr char kSaveFailed[] = "Error, could not save the model";

// The file dialogs' patterns for pictures (heightmaps, texture pictures) and colormaps.
inline constexpr char kPicturePattern[] = "*.bmp *.png *.jpg *.jpeg *.pgm *.ppm";
inline constexpr char kColormapPattern[] = "*.cmp";

// How the size dialog names an offered edge: "16x16", "32x32", "64x64".
QString sizeText(int edge);
// The edge a size text chooses, matched exactly and case-sensitively; anything else chooses
// nothing.
std::optional<std::int16_t> edgeForSizeText(const QString& text);
// What a size text that chooses nothing is told: "Choose 16x16, 32x32 or 64x64".
QString chooseSizeText();

// The model files' suffix rule (see grondel::withModelSuffix) for a path as the dialogs give it.
QString withModelSuffix(const QString& path);
// A path as the dialogs give it, as the file system takes it, and back.
std::filesystem::path pathOf(const QString& path);
QString pathText(const std::filesystem::path& path);
// A reason from the core as messages show it: starting with a capital, long whole numbers
// grouped by thousands ("400,000,000 texels").
QString readableReason(const std::string& reason);

// The state of one run and the commands the main window's buttons and menu entries trigger.
// Every dialog, message and window goes through the platform, so the commands run the same
// against the real windows and against a scripted stand-in.
//
// State at start: empty paths, edge 0, an all-zero grid and an empty preview. Nothing is kept
// between runs.
class MainCommands {
public:
    // programFolder is where the first file dialog starts: the folder holding the executable.
    MainCommands(Platform& platform, QString programFolder);

    const QString& importPath() const { return importPath_; }
    // Where Save writes without asking; empty until a Save As, and again after a picture other
    // than the saved one is sampled.
    const QString& savePath() const { return savePath_; }
    const HeightMap& heightMap() const { return heightMap_; }
    // The grid edge: 0 at start, then the edge of the last sampling that succeeded.
    std::int16_t heightMapSize() const { return heightMapSize_; }
    // A heightmap is loaded once a sampling has filled a grid: the preview holds a picture and
    // the edge is not 0.
    bool heightmapLoaded() const;
    // Where the file dialogs start: the folder of the file last chosen in one, at first the
    // program's.
    const QString& dialogFolder() const { return dialogFolder_; }

    // The edge the size dialog starts with: the chosen picture's own when it is a square of an
    // offered edge, else the largest offered.
    int suggestedEdge() const;
    // The size dialog's OK: copies the top-left edge x edge colours of the picture Import read
    // into the grid and shows it in the preview. A picture other than the one sampled before
    // forgets the save path. With no edge chosen it says which to choose and returns false:
    // the dialog stays. With no picture read (a later Import was cancelled) it says so.
    // Returns whether the dialog is done.
    bool generateHeightmap(std::optional<std::int16_t> chosenEdge);

    // Asks for an image (starting in the dialog folder) and, when one is chosen, reads it off
    // the interface thread, then opens the size dialog. A picture that does not load shows
    // "Error, invalid image" with its name and the reason, and changes nothing else.
    // Cancelling leaves importPath empty.
    void importHeightmap();
    // The same as choosing path in Import's dialog: a picture dropped on the main window.
    void importDropped(const QString& path);
    // Writes the editor model to savePath, or runs Save As when there is none yet. Needs a
    // loaded heightmap.
    void save();
    // Asks for a path, suggesting the picture's name with ".3do", applies the suffix rule, asks
    // before replacing a file that exists, and writes the editor model there. Needs a loaded
    // heightmap. Cancelled or refused, it leaves savePath empty so the next Save asks again.
    void saveAs();
    // Asks for the game model's options, showing the model they make, then for a path as Save
    // As does, and writes that model there off the interface thread. Needs a loaded heightmap;
    // leaves savePath alone. The options accepted stay for the rest of the run. focus: the
    // fields the options dialog opens in.
    void exportGameModel(ExportFocus focus = ExportFocus::First);
    // Opens the terrain view: the game model of the current options in 3D. Needs a loaded
    // heightmap.
    void viewTerrain();
    // The game model's options as the export dialog and the terrain view start with them: as
    // last accepted, the grid edge following the size dialog's whenever a sampling chose
    // another since.
    GameTerrainOptions exportOptions() const;
    // The loaded picture at its full depth, or null.
    std::shared_ptr<const Picture> picture() const;
    // The export options with the scale fields first.
    void scale();
    // Ends the program at once, asking nothing and saving nothing.
    void exit();
    void howToUse();
    void about();

private:
    void chooseImage(const QString& path);
    // Says so and returns false when no heightmap is loaded.
    bool needHeightmap();
    // Asks for a model path; the suffix rule applied, or empty when cancelled or not to be
    // replaced.
    QString askModelPath(const QString& title);
    // True when path may be written: it does not exist, or the user agrees to replace it.
    bool mayReplace(const QString& path);
    void writeModel();

    Platform& platform_;
    QString dialogFolder_;
    QString importPath_;
    std::shared_ptr<const Picture> chosen_; // read by Import, waiting for the size dialog
    QString loadedPath_;                    // the picture the grid was sampled from
    QString savePath_;
    std::int16_t heightMapSize_ = 0;
    HeightMap heightMap_;
    std::shared_ptr<const Picture> picture_; // the picture the grid was sampled from
    GameTerrainOptions exportOptions_;
    std::int16_t exportEdgeFrom_ = 0; // the edge exportOptions_ took the size dialog's from
};

} // namespace grondel
