#include "commands/main_commands.h"

#include "files/save_file.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/file_names.h"
#include "model3do/game_model.h"
#include "picture/decode.h"

#include <utility>

#include <QFile>

namespace grondel {
namespace {

const QString kImagePattern = QStringLiteral("*.bmp");
const QString kModelPattern = QStringLiteral("*.3do");

// Saves bytes safely to a path as the dialogs give it.
files::SaveResult saveTo(const QString& path, std::string_view bytes) {
    return files::saveFileAtomically(pathOf(path), bytes);
}

} // namespace

std::filesystem::path pathOf(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString pathText(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

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

bool MainCommands::heightmapLoaded() const {
    return heightMapSize_ > 0 && picture_;
}

void MainCommands::generateHeightmap(std::optional<std::int16_t> chosenEdge) {
    // The size dialog can be confirmed after a cancelled second Import emptied the path.
    if (importPath_.isEmpty()) {
        platform_.showError(kInvalidImage, QStringLiteral("No picture was chosen."));
        return;
    }
    PictureResult loaded = loadPicture(pathOf(importPath_));
    if (!loaded.ok()) {
        platform_.showError(kInvalidImage, QString::fromStdString(loaded.error));
        return;
    }
    auto picture = std::make_shared<const Picture>(std::move(loaded.picture));
    const std::int16_t edge = chosenEdge.value_or(heightMapSize_);
    HeightMap sampled = heightMap_;
    if (!sampleSquare(edge, sampled,
                      [&picture](int x, int y) { return picture->packedColour(x, y); })) {
        platform_.showError(kInvalidImage);
        return;
    }
    picture_ = std::move(picture);
    platform_.preview().showPicture(picture_);
    heightMapSize_ = edge;
    heightMap_ = sampled;
    loadedPath_ = importPath_;
    platform_.terrainChanged();
}

void MainCommands::importHeightmap() {
    importPath_.clear();
    chooseImage(platform_.openFileName(programFolder_, kImagePattern));
}

void MainCommands::importDropped(const QString& path) {
    chooseImage(path);
}

void MainCommands::chooseImage(const QString& path) {
    importPath_ = path;
    if (!importPath_.isEmpty())
        platform_.showWindow(Window::SizeDialog);
}

bool MainCommands::needHeightmap() {
    if (heightmapLoaded())
        return true;
    platform_.showError(kNoHeightmap);
    return false;
}

void MainCommands::save() {
    if (savePath_.isEmpty()) {
        saveAs();
        return;
    }
    if (needHeightmap())
        writeModel();
}

void MainCommands::saveAs() {
    savePath_.clear();
    if (!needHeightmap())
        return;
    savePath_ = platform_.saveFileName(kModelPattern);
    if (savePath_.isEmpty())
        return;
    savePath_ = withModelSuffix(savePath_);
    writeModel();
}

void MainCommands::writeModel() {
    // A failed save keeps savePath: the next Save tries the same file again.
    const auto model = formatEditorModel(heightMap_, heightMapSize_);
    const files::SaveResult saved = model ? saveTo(savePath_, *model) : files::SaveResult{};
    if (!model || !saved.ok())
        platform_.showError(kSaveFailed, QString::fromStdString(saved.error));
}

GameTerrainOptions MainCommands::exportOptions() const {
    GameTerrainOptions options = exportOptions_;
    if (heightMapSize_ != exportEdgeFrom_)
        options.terrain.edge = heightMapSize_;
    return options;
}

std::shared_ptr<const Picture> MainCommands::picture() const {
    return picture_;
}

void MainCommands::exportGameModel() {
    if (!needHeightmap())
        return;
    GameTerrainOptions options = exportOptions();
    const std::optional<GameTerrain> built = platform_.askExportOptions(picture(), options);
    if (!built)
        return;
    exportOptions_ = options;
    exportEdgeFrom_ = heightMapSize_;
    platform_.terrainChanged();
    if (!built->ok()) {
        platform_.showError(kSaveFailed, QString::fromStdString(built->error));
        return;
    }
    const QString suggested = pathText(modelPathBeside(pathOf(loadedPath_)));
    const QString path =
        platform_.saveFileName(kModelPattern, QStringLiteral("Export Game Model"), suggested);
    if (path.isEmpty())
        return;
    const files::SaveResult saved = saveTo(withModelSuffix(path), printGameModel(built->model));
    if (!saved.ok())
        platform_.showError(kSaveFailed, QString::fromStdString(saved.error));
}

void MainCommands::viewTerrain() {
    if (needHeightmap())
        platform_.showWindow(Window::TerrainView);
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
