#pragma once

#include "heightmap/heightmap.h"
#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include <QString>

namespace grondel {

// What the user is told. Every one goes out through Platform::showError.
inline constexpr char kInvalidImage[] = "Error, invalid image";
inline constexpr char kNoHeightmap[] = "Error, no heightmap loaded";
inline constexpr char kUnavailable[] = "Sorry this feature is currently unavailable";
inline constexpr char kSaveFailed[] = "Error, could not save the model";

// How the size dialog names an offered edge: "16x16", "32x32", "64x64".
QString sizeText(int edge);
// The edge a size text chooses, matched exactly and case-sensitively; anything else chooses
// nothing.
std::optional<std::int16_t> edgeForSizeText(const QString& text);

// The model files' suffix rule (see grondel::withModelSuffix) for a path as the dialogs give it.
QString withModelSuffix(const QString& path);
// A path as the dialogs give it, as the file system takes it, and back.
std::filesystem::path pathOf(const QString& path);
QString pathText(const std::filesystem::path& path);

// The state of one run and the commands the main window's buttons and menu entries trigger.
// Every dialog, message and window goes through the platform, so the commands run the same
// against the real windows and against a scripted stand-in.
//
// State at start: empty paths, edge 0, an all-zero grid and an empty preview. Nothing is kept
// between runs.
class MainCommands {
public:
    // programFolder is where the open-file dialog starts: the folder holding the executable.
    MainCommands(Platform& platform, QString programFolder);

    const QString& importPath() const { return importPath_; }
    const QString& savePath() const { return savePath_; }
    const HeightMap& heightMap() const { return heightMap_; }
    // The grid edge: 0 at start, then the edge of the last sampling that succeeded.
    std::int16_t heightMapSize() const { return heightMapSize_; }
    // A heightmap is loaded once a sampling has filled a grid: the preview holds a picture and
    // the edge is not 0.
    bool heightmapLoaded() const;

    // The size dialog's OK: loads the image at importPath, shows it in the preview and copies
    // its top-left edge x edge colours into the grid, edge being the chosen one or, when the
    // dialog's text chose none, the edge as it was. A picture that does not load changes
    // nothing, neither preview nor edge nor grid, and shows "Error, invalid image" with the
    // reason.
    void generateHeightmap(std::optional<std::int16_t> chosenEdge);

    // Asks for an image (starting in the program's folder) and, when one is chosen, opens the
    // size dialog. Sampling waits for that dialog's OK. Cancelling leaves importPath empty.
    void importHeightmap();
    // The same as choosing path in Import's dialog: a picture dropped on the main window.
    void importDropped(const QString& path);
    // Writes the editor model to savePath, or runs Save As when there is none yet. Needs a
    // loaded heightmap.
    void save();
    // Asks for a path (suffix rule applied) and writes the editor model there. Needs a loaded
    // heightmap. Cancelled or refused, it leaves savePath empty so the next Save asks again.
    void saveAs();
    // Asks for the game model's options, showing the model they make, then for a path (suffix
    // rule applied), suggesting the picture's name with ".3do" in its folder, and writes that
    // model there. Needs a loaded heightmap; leaves savePath alone. The options accepted stay
    // for the rest of the run.
    void exportGameModel();
    // Opens the terrain view: the game model of the current options in 3D. Needs a loaded
    // heightmap.
    void viewTerrain();
    // The game model's options as the export dialog and the terrain view start with them: as
    // last accepted, the grid edge following the size dialog's whenever a sampling chose
    // another since.
    GameTerrainOptions exportOptions() const;
    // The loaded picture at its full depth, or null.
    std::shared_ptr<const Picture> picture() const;
    // Not there yet: says so and does nothing else.
    void scale();
    // Ends the program at once, asking nothing and saving nothing.
    void exit();
    void howToUse();
    void about();

private:
    void chooseImage(const QString& path);
    // Says so and returns false when no heightmap is loaded.
    bool needHeightmap();
    void writeModel();

    Platform& platform_;
    QString programFolder_;
    QString importPath_;
    QString loadedPath_; // the picture the grid was sampled from
    QString savePath_;
    std::int16_t heightMapSize_ = 0;
    HeightMap heightMap_;
    std::shared_ptr<const Picture> picture_; // the picture the grid was sampled from
    GameTerrainOptions exportOptions_;
    std::int16_t exportEdgeFrom_ = 0; // the edge exportOptions_ took the size dialog's from
};

} // namespace grondel
