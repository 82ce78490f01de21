#pragma once

#include "picture/picture.h"
#include "terrain/game_terrain.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

namespace grondel {

// A job that runs longer than this shows its progress and a Cancel.
inline constexpr std::chrono::milliseconds kProgressDelay{500};

// The windows other than the main one. Each exists at most once.
enum class Window { SizeDialog, HowToUse, About, TerrainView };

// The preview area: shows the picture it is given scaled to fit, the square the editor model
// samples outlined, and what the picture is under it.
class PictureArea {
public:
    virtual ~PictureArea() = default;

    // Shows picture, named name, with its top-left edge x edge square outlined (0: none),
    // replacing what was shown; null shows none.
    virtual void showPicture(std::shared_ptr<const Picture> picture, const QString& name = {},
                             int edge = 0) = 0;
};

// Where the export options dialog puts the keyboard first.
enum class ExportFocus { First, Scale };

// Everything the commands need from the windowing system. The Qt implementation lives beside
// this header; tests script the answers.
class Platform {
public:
    virtual ~Platform() = default;

    // A modal box with the title "Error", the critical icon and one OK button. reason, when
    // given, is shown under text in smaller print: what the file system or the loader said.
    virtual void showError(const QString& text, const QString& reason = {}) = 0;
    // A modal question with Yes and No, No the default. True for Yes.
    virtual bool confirm(const QString& text) = 0;
    // A modal open-file dialog starting in folder and filtered by pattern ("*.bmp", or several
    // separated by spaces: offered together first, then each kind).
    // Returns the chosen path, or an empty text when the user cancels.
    virtual QString openFileName(const QString& folder, const QString& pattern) = 0;
    // A modal save-file dialog filtered by pattern ("*.3do"), whose suffix a name typed without
    // one gets; the file need not exist, and replacing one is not asked about here. title
    // replaces the toolkit's own caption and suggested is the path it starts with, when given.
    // Returns the chosen path, or an empty text when the user cancels.
    virtual QString saveFileName(const QString& pattern, const QString& title = {},
                                 const QString& suggested = {}) = 0;
    // Runs work off the interface thread and returns once it is done, the windows drawn
    // meanwhile but taking no input: a busy cursor at once and, should it take longer than
    // kProgressDelay, a progress window named title showing the stage work reports, with a
    // Cancel that sets progress.cancel. Returns false when cancelled.
    virtual bool runJob(const QString& title, const std::function<void(BuildProgress&)>& work) = 0;
    // The run's state changed (a grid sampled, a save path set or forgotten): the main window
    // shows what the commands hold now.
    virtual void stateChanged() = 0;
    // Shows the window modeless and returns at once: creates it when it is not open, otherwise
    // brings the open one forward unchanged.
    virtual void showWindow(Window window) = 0;
    // The terrain the game model is made from has changed (a new sampling, new options): an
    // open terrain view builds it again.
    virtual void terrainChanged() = 0;
    // A modal dialog of the game model's options for picture, starting from options, showing
    // the model they make as they change. Returns that model for the options accepted, which
    // it leaves in options; nothing when the user cancels.
    // focus: the fields the keyboard starts in.
    virtual std::optional<GameTerrain> askExportOptions(std::shared_ptr<const Picture> picture,
                                                        GameTerrainOptions& options,
                                                        ExportFocus focus = ExportFocus::First) = 0;
    // Closes every window and ends the program, asking nothing.
    virtual void quit() = 0;
    // The main window's preview.
    virtual PictureArea& preview() = 0;
};

} // namespace grondel
