#pragma once

#include "heightmap/heightmap.h"
#include "platform/platform.h"

#include <cstdint>
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
    // An image counts as loaded once the preview holds a picture.
    bool imageLoaded() const;

    // The grid edge: 0 at start, set by the size dialog before it asks for a sampling.
    std::int16_t heightMapSize() const { return heightMapSize_; }
    void setHeightMapSize(std::int16_t edge) { heightMapSize_ = edge; }

    // Loads the image at importPath into the preview and copies its top-left
    // heightMapSize x heightMapSize colours into the grid. A path that does not load leaves
    // preview and grid as they were; either failure shows "Error, invalid image".
    void generateHeightmap();

    // Asks for an image (starting in the program's folder) and, when one is chosen, opens the
    // size dialog. Sampling waits for that dialog's OK. Cancelling leaves importPath empty.
    void importHeightmap();
    // Writes the editor model to savePath, or runs Save As when there is none yet.
    void save();
    // Asks for a path (suffix rule applied) and writes the editor model there. Needs a loaded
    // image. Cancelled or refused, it leaves savePath empty so the next Save asks again.
    void saveAs();
    // Asks for a path (suffix rule applied) and writes the game model there. Needs a loaded
    // image; leaves savePath alone.
    void exportGameModel();
    // Not there yet: says so and does nothing else.
    void scale();
    // Ends the program at once, asking nothing and saving nothing.
    void exit();
    void howToUse();
    void about();

private:
    void writeModel();

    Platform& platform_;
    QString programFolder_;
    QString importPath_;
    QString savePath_;
    std::int16_t heightMapSize_ = 0;
    HeightMap heightMap_;
};

} // namespace grondel
