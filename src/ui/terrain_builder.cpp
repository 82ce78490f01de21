#include "ui/terrain_builder.h"

#include "commands/main_commands.h"
#include "model3do/game_model.h"
#include "model3do/model_check.h"
#include "model3do/number_text.h"
#include "platform/qt_platform.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

namespace grondel {
namespace {

// Errors below this share of the largest |height| are the simplifier's rounding, not shape.
constexpr double kRoundingShare = 0x1p-36;

// Everything about one model, made on a worker thread.
BuiltTerrain buildOrFail(std::shared_ptr<const Picture> picture, GameTerrainOptions options,
                         std::shared_ptr<BuildProgress> progress) {
    BuiltTerrain made;
    made.options = options;
    made.terrain = buildGameTerrain(*picture, options, progress.get());
    if (!made.terrain.ok())
        return made;
    // The check reads the model as printed, as the game will.
    progress->stage(BuildStage::Printing);
    const ModelCheck check = checkModel(printGameModel(made.terrain.model), {true});
    made.check = check.ok() ? "ok"
                            : "line " + std::to_string(check.problems.front().line) + ": " +
                                  check.problems.front().text;
    // The texture as the game draws it: the material's own texels, after their rounding.
    made.scene =
        render::sceneOf(made.terrain.model,
                        made.terrain.material ? render::sceneTexture(*made.terrain.material,
                                                                     options.texture.colormap.get())
                                              : render::SceneTexture{});
    if (progress->cancelled())
        made.terrain.cancelled = true;
    return made;
}

// The same; running out of memory is one reason more, never an exception in the window's
// event loop.
BuiltTerrain build(std::shared_ptr<const Picture> picture, GameTerrainOptions options,
                   std::shared_ptr<BuildProgress> progress) {
    try {
        return buildOrFail(std::move(picture), std::move(options), std::move(progress));
    } catch (const std::bad_alloc&) {
        BuiltTerrain failed;
        failed.terrain.error = "out of memory while building the model";
        return failed;
    }
}

QString shortNumber(double value) {
    return QString::fromStdString(messageNumber(value));
}

// "1 mesh", "4,489 vertices": a count as people write it.
QString counted(std::size_t count, const char* one, const char* many) {
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(static_cast<qulonglong>(count)) + ' ' + (count == 1 ? one : many);
}

} // namespace

QString statusText(const BuiltTerrain& built) {
    const GameTerrain& t = built.terrain;
    if (!t.ok())
        return readableReason(t.error);
    const double rounding = std::max(std::abs(t.lowest), std::abs(t.highest)) * kRoundingShare;
    QString text =
        QStringLiteral("Grid %1 x %2 · %3 · %4 · %5 · heights %6 to %7 · largest error %8")
            .arg(t.columns)
            .arg(t.rows)
            .arg(counted(t.model.meshes.size(), "mesh", "meshes"),
                 counted(t.vertices, "vertex", "vertices"), counted(t.faces, "face", "faces"),
                 shortNumber(t.lowest), shortNumber(t.highest),
                 shortNumber(t.largestError <= rounding ? 0.0 : t.largestError));
    if (!t.errorMet)
        text += QStringLiteral(" (the face budget stopped it)");
    text += QStringLiteral(" · check ") + QString::fromStdString(built.check);
    // Walkable, the game tests every face of the model on each move near it.
    if (built.options.model.layout == MeshLayout::Walkable)
        return text + QStringLiteral(" · walkable: the game tests %1 a move")
                          .arg(counted(t.faces, "face", "faces"));
    return text + QStringLiteral(" · scenery: not collided with");
}

TerrainBuilder::TerrainBuilder(QObject* parent)
    : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<BuiltTerrain>::finished, this, &TerrainBuilder::finished);
    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, &TerrainBuilder::poll);
}

TerrainBuilder::~TerrainBuilder() {
    // A build still running is told to stop; nothing reads it.
    watcher_.disconnect(this);
    if (building_)
        building_->cancel = true;
    watcher_.waitForFinished();
}

void TerrainBuilder::request(std::shared_ptr<const Picture> picture,
                             const GameTerrainOptions& options) {
    waiting_ = Request{std::move(picture), options};
    stale_ = running_;
    if (running_)
        building_->cancel = true;
    else
        start();
}

void TerrainBuilder::cancel() {
    waiting_.reset();
    stale_ = false;
    if (running_)
        building_->cancel = true;
}

bool TerrainBuilder::idle() const {
    return !running_ && !waiting_;
}

void TerrainBuilder::start() {
    Request next = std::move(*waiting_);
    waiting_.reset();
    running_ = true;
    stale_ = false;
    building_ = std::make_shared<BuildProgress>();
    stage_ = std::make_shared<std::atomic<int>>(-1);
    building_->onStage = [stage = stage_](BuildStage s) { stage->store(static_cast<int>(s)); };
    since_.start();
    poll_.start();
    watcher_.setFuture(
        QtConcurrent::run(build, std::move(next.picture), std::move(next.options), building_));
}

void TerrainBuilder::poll() {
    emit progress(stage_ ? stage_->load() : -1, since_.elapsed() >= kProgressDelay.count());
}

void TerrainBuilder::finished() {
    running_ = false;
    if (waiting_) {
        start();
        return;
    }
    poll_.stop();
    emit progress(-1, false);
    BuiltTerrain result = watcher_.result();
    if (stale_)
        return;
    if (result.terrain.cancelled) {
        emit cancelled();
        return;
    }
    latest_ = std::move(result);
    emit built(*latest_);
}

void followProgress(TerrainBuilder& builder, const ViewPanel& panel) {
    // The bar counts the stages, named in it.
    panel.progress->setRange(0, static_cast<int>(BuildStage::Printing) + 1);
    QObject::connect(&builder, &TerrainBuilder::progress, panel.progress,
                     [bar = panel.progress, cancel = panel.cancel](int stage, bool shown) {
                         if (stage >= 0) {
                             bar->setValue(stage + 1);
                             bar->setFormat(stageText(static_cast<BuildStage>(stage)));
                         }
                         bar->setVisible(shown);
                         cancel->setVisible(shown);
                     });
    QObject::connect(panel.cancel, &QPushButton::clicked, &builder, &TerrainBuilder::cancel);
}

} // namespace grondel
