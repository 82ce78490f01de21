#include "commands/main_commands.h"

#include "files/save_file.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/file_names.h"
#include "model3do/game_model.h"

#include <utility>

namespace grondel {
namespace {

const QString kImagePattern = QStringLiteral("*.bmp");
const QString kModelPattern = QStringLiteral("*.3do");

} // namespace

QString sizeText(int edge) {
    return QStringLiteral("%1x%1").arg(edge);
}

std::optional<std::int16_t> edgeForSizeText(const QString& text) {
    for (const int edge : kOfferedEdges)
        if (text == sizeText(edge))
            return static_cast<std::int16_t>(edge);
    return std::nullopt;
}

QString withModelSuffix(const QString& path) {
    return QString::fromStdString(grondel::withModelSuffix(path.toStdString()));
}

MainCommands::MainCommands(Platform& platform, QString programFolder)
    : platform_(platform)
    , programFolder_(std::move(programFolder)) {}

bool MainCommands::imageLoaded() const {
    return platform_.picture().hasPicture();
}

void MainCommands::generateHeightmap() {
    PictureArea& preview = platform_.picture();
    // The size dialog can be confirmed after a cancelled second Import emptied the path.
    if (importPath_.isEmpty() || !preview.load(importPath_)) {
        platform_.showError(kInvalidImage);
        return;
    }
    if (!sampleSquare(heightMapSize_, heightMap_,
                      [&preview](int x, int y) { return preview.pixel(x, y); }))
        platform_.showError(kInvalidImage);
}

void MainCommands::importHeightmap() {
    importPath_.clear();
    importPath_ = platform_.openFileName(programFolder_, kImagePattern);
    if (!importPath_.isEmpty())
        platform_.showWindow(Window::SizeDialog);
}

void MainCommands::save() {
    if (savePath_.isEmpty()) {
        saveAs();
        return;
    }
    writeModel();
}

void MainCommands::saveAs() {
    savePath_.clear();
    if (!imageLoaded()) {
        platform_.showError(kNoHeightmap);
        return;
    }
    savePath_ = platform_.saveFileName(kModelPattern);
    if (savePath_.isEmpty())
        return;
    savePath_ = withModelSuffix(savePath_);
    writeModel();
}

void MainCommands::writeModel() {
    // A failed save keeps savePath: the next Save tries the same file again.
    const auto model = formatEditorModel(heightMap_, heightMapSize_);
    if (!model || !saveFileAtomically(savePath_, *model).ok())
        platform_.showError(kSaveFailed);
}

void MainCommands::exportGameModel() {
    if (!imageLoaded()) {
        platform_.showError(kNoHeightmap);
        return;
    }
    const QString path = platform_.saveFileName(kModelPattern);
    if (path.isEmpty())
        return;
    // model.error says why a model was refused; the window shows its one message for now.
    const GameModelText model = formatGameModel(heightMap_, heightMapSize_);
    if (!model.ok() || !saveFileAtomically(withModelSuffix(path), model.text).ok())
        platform_.showError(kSaveFailed);
}

void MainCommands::scale() {
    platform_.showError(kUnavailable);
}

void MainCommands::exit() {
    platform_.quit();
}

void MainCommands::howToUse() {
    platform_.showWindow(Window::HowToUse);
}

void MainCommands::about() {
    platform_.showWindow(Window::About);
}

} // namespace grondel
