#pragma once

#include "picture/picture.h"
#include "terrain/game_terrain.h"

#include <memory>
#include <optional>

#include <QString>

namespace grondel {

// The windows other than the main one. Each exists at most once.
enum class Window { SizeDialog, HowToUse, About, TerrainView };

// The preview area: shows the picture it is given, unscaled from its top-left corner.
class PictureArea {
public:
    virtual ~PictureArea() = default;

    // Shows picture, replacing what was shown; null shows none.
    virtual void showPicture(std::shared_ptr<const Picture> picture) = 0;
};

// Everything the commands need from the windowing system. The Qt implementation lives beside
// this header; tests script the answers.
class Platform {
public:
    virtual ~Platform() = default;

    // A modal box with the title "Error", the critical icon and one OK button. reason, when
    // given, is shown under text in smaller print: what the file system or the loader said.
    virtual void showError(const QString& text, const QString& reason = {}) = 0;
    // A modal open-file dialog starting in folder and filtered by pattern ("*.bmp").
    // Returns the chosen path, or an empty text when the user cancels.
    virtual QString openFileName(const QString& folder, const QString& pattern) = 0;
    // A modal save-file dialog filtered by pattern ("*.3do"); the file need not exist. title
    // replaces the toolkit's own caption and suggested is the path it starts with, when given.
    // Returns the chosen path, or an empty text when the user cancels.
    virtual QString saveFileName(const QString& pattern, const QString& title = {},
                                 const QString& suggested = {}) = 0;
    // Shows the window modeless and returns at once: creates it when it is not open, otherwise
    // brings the open one forward unchanged.
    virtual void showWindow(Window window) = 0;
    // The terrain the game model is made from has changed (a new sampling, new options): an
    // open terrain view builds it again.
    virtual void terrainChanged() = 0;
    // A modal dialog of the game model's options for picture, starting from options, showing
    // the model they make as they change. Returns that model for the options accepted, which
    // it leaves in options; nothing when the user cancels.
    virtual std::optional<GameTerrain> askExportOptions(std::shared_ptr<const Picture> picture,
                                                        GameTerrainOptions& options) = 0;
    // Closes every window and ends the program, asking nothing.
    virtual void quit() = 0;
    // The main window's preview.
    virtual PictureArea& preview() = 0;
};

} // namespace grondel
