#include "commands/main_commands.h"

#include "files/save_file.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/file_names.h"
#include "model3do/game_model.h"
#include "model3do/material.h"
#include "picture/decode.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace grondel {
namespace {

// A job that runs out of memory says so, and leaves nothing behind.
constexpr const char* kOutOfMemoryReading = "out of memory while reading the picture";
constexpr const char* kOutOfMemoryPrinting = "out of memory while printing the model";

const QString kModelPattern = QStringLiteral("*.3do");

// Saves bytes safely to a path as the dialogs give it.
files::SaveResult saveTo(const QString& path, std::string_view bytes) {
    return files::saveFileAtomically(pathOf(path), bytes);
}

// How messages name a file: by its name alone, the folder being the one the user just chose.
QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

// A message about the file at path.
QString aboutFile(const char* text, const QString& path) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(text), nameOf(path));
}

// The same file, as far as the file system can tell.
bool sameFile(const QString& a, const QString& b) {
    const QFileInfo first(a), second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

// Marked read-only by its owner, as file managers show it; whoever may still write it.
bool readOnly(const QString& path) {
    const QFileInfo file(path);
    return file.exists() && !(file.permissions() & QFileDevice::WriteOwner);
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

QString readableReason(const std::string& reason) {
    QString text = QString::fromStdString(reason);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    // Runs of four digits or more before any point, not part of a name or a hex number.
    static const QRegularExpression whole(QStringLiteral(R"((?<![\w.])\d{4,}(?!\w))"));
    for (qsizetype at = 0;;) {
        const QRegularExpressionMatch match = whole.match(text, at);
        if (!match.hasMatch())
            break;
        QString digits = match.captured();
        for (qsizetype k = digits.size() - 3; k > 0; k -= 3)
            digits.insert(k, ',');
        text.replace(match.capturedStart(), match.capturedLength(), digits);
        at = match.capturedStart() + digits.size();
    }
    return text;
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

QString chooseSizeText() {
    QStringList sizes;
    for (const int edge : kOfferedEdges)
        sizes << sizeText(edge);
    const QString last = sizes.takeLast();
    return QStringLiteral("Choose %1 or %2").arg(sizes.join(QStringLiteral(", ")), last);
}

QString withModelSuffix(const QString& path) {
    return QString::fromStdString(grondel::withModelSuffix(path.toStdString()));
}

MainCommands::MainCommands(Platform& platform, QString programFolder)
    : platform_(platform)
    , dialogFolder_(std::move(programFolder)) {}

bool MainCommands::heightmapLoaded() const {
    return heightMapSize_ > 0 && picture_;
}

int MainCommands::suggestedEdge() const {
    if (chosen_ && chosen_->width() == chosen_->height() && isOfferedEdge(chosen_->width()))
        return chosen_->width();
    return *std::max_element(std::begin(kOfferedEdges), std::end(kOfferedEdges));
}

bool MainCommands::generateHeightmap(std::optional<std::int16_t> chosenEdge) {
    if (!chosenEdge) {
        platform_.showError(chooseSizeText());
        return false;
    }
    // The size dialog can be confirmed after a cancelled second Import emptied the path.
    if (importPath_.isEmpty() || !chosen_) {
        platform_.showError(kInvalidImage, QStringLiteral("No picture was chosen."));
        return true;
    }
    HeightMap sampled = heightMap_;
    const auto& picture = *chosen_;
    if (!sampleSquare(*chosenEdge, sampled,
                      [&picture](int x, int y) { return picture.packedColour(x, y); })) {
        platform_.showError(aboutFile(kInvalidImage, importPath_));
        return true;
    }
    // Save writes without asking: never one picture's model over another's.
    if (!loadedPath_.isEmpty() && !sameFile(loadedPath_, importPath_))
        savePath_.clear();
    picture_ = chosen_;
    heightMapSize_ = *chosenEdge;
    heightMap_ = sampled;
    loadedPath_ = importPath_;
    platform_.preview().showPicture(picture_, nameOf(loadedPath_), heightMapSize_);
    platform_.terrainChanged();
    platform_.stateChanged();
    return true;
}

void MainCommands::importHeightmap() {
    importPath_.clear();
    const QString path =
        platform_.openFileName(dialogFolder_, QString::fromLatin1(kPicturePattern));
    if (!path.isEmpty())
        dialogFolder_ = QFileInfo(path).absolutePath();
    chooseImage(path);
}

void MainCommands::importDropped(const QString& path) {
    chooseImage(path);
}

void MainCommands::chooseImage(const QString& path) {
    importPath_ = path;
    chosen_.reset();
    if (importPath_.isEmpty())
        return;
    // Shared with the reading thread, which may outlive a cancelled wait.
    auto read = std::make_shared<PictureResult>();
    const std::filesystem::path file = pathOf(path);
    const bool done = platform_.runJob(QStringLiteral("Importing %1").arg(nameOf(path)),
                                       [read, file](BuildProgress& progress) {
                                           progress.stage(BuildStage::Reading);
                                           try {
                                               *read = loadPicture(file);
                                           } catch (const std::bad_alloc&) {
                                               *read = {};
                                               read->error = kOutOfMemoryReading;
                                           }
                                       });
    if (!done) {
        importPath_.clear();
        return;
    }
    if (!read->ok()) {
        importPath_.clear();
        platform_.showError(aboutFile(kInvalidImage, path), readableReason(read->error));
        return;
    }
    chosen_ = std::make_shared<const Picture>(std::move(read->picture));
    platform_.showWindow(Window::SizeDialog);
}

bool MainCommands::needHeightmap() {
    if (heightmapLoaded())
        return true;
    platform_.showError(kNoHeightmap);
    return false;
}

bool MainCommands::mayReplace(const QString& path) {
    if (!QFileInfo::exists(path))
        return true;
    if (readOnly(path))
        return platform_.confirm(
            QStringLiteral("%1 is read-only. Replace it anyway?").arg(nameOf(path)));
    return platform_.confirm(QStringLiteral("%1 already exists. Replace it?").arg(nameOf(path)));
}

QString MainCommands::askModelPath(const QString& title) {
    const QString suggested =
        pathText(modelPathBeside(pathOf(QDir(dialogFolder_).filePath(nameOf(loadedPath_)))));
    const QString chosen = platform_.saveFileName(kModelPattern, title, suggested);
    if (chosen.isEmpty())
        return {};
    if (QFileInfo(chosen).absoluteDir().exists())
        dialogFolder_ = QFileInfo(chosen).absolutePath();
    const QString path = withModelSuffix(chosen);
    return mayReplace(path) ? path : QString();
}

void MainCommands::save() {
    if (savePath_.isEmpty()) {
        saveAs();
        return;
    }
    // Written before, but someone made it read-only since: that is worth a question.
    if (needHeightmap() && (!readOnly(savePath_) || mayReplace(savePath_)))
        writeModel();
}

void MainCommands::saveAs() {
    savePath_.clear();
    platform_.stateChanged();
    if (!needHeightmap())
        return;
    savePath_ = askModelPath({});
    if (savePath_.isEmpty())
        return;
    writeModel();
    platform_.stateChanged();
}

void MainCommands::writeModel() {
    // A failed save keeps savePath: the next Save tries the same file again.
    const auto model = formatEditorModel(heightMap_, heightMapSize_);
    const files::SaveResult saved = model ? saveTo(savePath_, *model) : files::SaveResult{};
    if (!model || !saved.ok())
        platform_.showError(aboutFile(kSaveFailed, savePath_), readableReason(saved.error));
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

void MainCommands::exportGameModel(ExportFocus focus) {
    if (!needHeightmap())
        return;
    GameTerrainOptions options = exportOptions();
    std::optional<GameTerrain> built = platform_.askExportOptions(picture(), options, focus);
    if (!built)
        return;
    exportOptions_ = options;
    exportEdgeFrom_ = heightMapSize_;
    platform_.terrainChanged();
    if (!built->ok()) {
        platform_.showError(kSaveFailed, readableReason(built->error));
        return;
    }
    const QString path = askModelPath(QStringLiteral("Export Game Model"));
    if (path.isEmpty())
        return;
    // With its own texture the model names its material, written to mat/ beside it: both or
    // neither.
    std::string material;
    QString materialPath;
    if (built->material) {
        const std::string name = materialNameFor(pathOf(path));
        materialPath = QFileInfo(path).dir().filePath(
            QStringLiteral("%1/%2").arg(kMaterialFolder, QString::fromStdString(name)));
        std::string error;
        material = writeMaterial(*built->material, error);
        if (!error.empty()) {
            platform_.showError(aboutFile(kSaveFailed, path), readableReason(error));
            return;
        }
        // Replacing the model was asked about; a material left by another model is asked too.
        if (!QFileInfo::exists(path) && QFileInfo::exists(materialPath) &&
            !mayReplace(materialPath))
            return;
        built->model.material = name;
    }
    // A large model takes seconds to print; the thread owns what it prints and reports.
    const auto model = std::make_shared<const GameModel>(std::move(built->model));
    const auto saved = std::make_shared<std::vector<files::SaveResult>>();
    const bool done = platform_.runJob(
        QStringLiteral("Exporting %1").arg(nameOf(path)),
        [model, saved, path, materialPath,
         material = std::move(material)](BuildProgress& progress) {
            progress.stage(BuildStage::Printing);
            try {
                const std::string text = printGameModel(*model);
                if (progress.cancelled())
                    return;
                if (materialPath.isEmpty()) {
                    *saved = {saveTo(path, text)};
                    return;
                }
                const std::filesystem::path target = pathOf(materialPath);
                *saved = files::saveFilesIntoFolder(target.parent_path(),
                                                    {{target, material}, {pathOf(path), text}});
            } catch (const std::bad_alloc&) {
                *saved = {files::SaveResult{kOutOfMemoryPrinting}};
            }
        });
    if (!done)
        return;
    for (std::size_t k = 0; k < saved->size(); ++k)
        if (!(*saved)[k].ok()) {
            const QString failed = saved->size() == 1 || k == 1 ? path : materialPath;
            platform_.showError(aboutFile(kSaveFailed, failed), readableReason((*saved)[k].error));
            return;
        }
}

void MainCommands::viewTerrain() {
    if (needHeightmap())
        platform_.showWindow(Window::TerrainView);
}

void MainCommands::scale() {
    exportGameModel(ExportFocus::Scale);
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
