#include "ui/terrain_builder.h"

#include "model3do/game_model.h"
#include "model3do/model_check.h"
#include "model3do/number_text.h"

#include <QtConcurrent/QtConcurrentRun>

namespace grondel {
namespace {

// Everything about one model, made on a worker thread.
BuiltTerrain build(std::shared_ptr<const Picture> picture, GameTerrainOptions options) {
    BuiltTerrain made;
    made.options = options;
    made.terrain = buildGameTerrain(*picture, options);
    if (!made.terrain.ok())
        return made;
    const ModelCheck check = checkModel(printGameModel(made.terrain.model), {true});
    made.check = check.ok() ? "ok"
                            : "line " + std::to_string(check.problems.front().line) + ": " +
                                  check.problems.front().text;
    made.scene = render::sceneOf(made.terrain.model);
    return made;
}

QString shortNumber(double value) {
    return QString::fromStdString(messageNumber(value));
}

} // namespace

QString statusText(const BuiltTerrain& built) {
    const GameTerrain& t = built.terrain;
    if (!t.ok())
        return QString::fromStdString(t.error);
    QString text =
        QStringLiteral("Grid %1 x %2 · %3 meshes · %4 vertices · %5 faces · heights %6 "
                       "to %7 · largest error %8")
            .arg(t.columns)
            .arg(t.rows)
            .arg(t.model.meshes.size())
            .arg(t.vertices)
            .arg(t.faces)
            .arg(shortNumber(t.lowest), shortNumber(t.highest), shortNumber(t.largestError));
    if (!t.errorMet)
        text += QStringLiteral(" (the face budget stopped it)");
    return text + QStringLiteral(" · check ") + QString::fromStdString(built.check);
}

TerrainBuilder::TerrainBuilder(QObject* parent)
    : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<BuiltTerrain>::finished, this, &TerrainBuilder::finished);
}

TerrainBuilder::~TerrainBuilder() {
    // A build still running finishes on its own; nothing waits for it or reads it.
    watcher_.disconnect(this);
    watcher_.waitForFinished();
}

void TerrainBuilder::request(std::shared_ptr<const Picture> picture,
                             const GameTerrainOptions& options) {
    waiting_ = Request{std::move(picture), options};
    stale_ = running_;
    if (!running_)
        start();
}

bool TerrainBuilder::idle() const {
    return !running_ && !waiting_;
}

void TerrainBuilder::start() {
    Request next = std::move(*waiting_);
    waiting_.reset();
    running_ = true;
    stale_ = false;
    watcher_.setFuture(QtConcurrent::run(build, std::move(next.picture), std::move(next.options)));
}

void TerrainBuilder::finished() {
    running_ = false;
    if (stale_ || waiting_) {
        if (waiting_)
            start();
        return;
    }
    latest_ = watcher_.result();
    emit built(*latest_);
}

} // namespace grondel
