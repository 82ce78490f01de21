#pragma once

#include "render/scene.h"
#include "terrain/game_terrain.h"
#include "ui/terrain_view.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

namespace grondel {

// A game model built for the windows, with what they show of it.
struct BuiltTerrain {
    GameTerrainOptions options; // what it was built from
    GameTerrain terrain;
    std::string check; // the game's rules: "ok" or the first problem, with its line
    render::Scene scene;
};

// "Grid 64 x 64 · 16 meshes · 4,489 vertices · 7,938 faces · heights 0 to 8 · largest error 0
// · check ok · walkable: the game tests 7,938 faces a move", or the reason there is no model.
QString statusText(const BuiltTerrain& built);

// Builds game models off the interface thread, one at a time: a newer request replaces one
// still waiting and stops the one being built, whose result is dropped unseen. The windows
// keep showing the last finished model meanwhile, so they never freeze.
class TerrainBuilder : public QObject {
    Q_OBJECT
public:
    explicit TerrainBuilder(QObject* parent = nullptr);
    ~TerrainBuilder() override;

    // Asks for the model of picture with options; built() follows once it is made.
    void request(std::shared_ptr<const Picture> picture, const GameTerrainOptions& options);
    // Stops the build under way and forgets the one waiting; latest() stays. cancelled()
    // follows once the build has stopped.
    void cancel();
    // No request is waiting or being built.
    bool idle() const;
    // The last model finished for the newest request, when there is one.
    const std::optional<BuiltTerrain>& latest() const { return latest_; }

signals:
    void built(const BuiltTerrain& result);
    void cancelled();
    // While a build runs: its stage (a BuildStage, -1 before the first), and whether it has run
    // long enough to be shown with a Cancel (kProgressDelay). Not shown once it is over.
    void progress(int stage, bool shown);

private:
    void start();
    void finished();
    void poll();

    struct Request {
        std::shared_ptr<const Picture> picture;
        GameTerrainOptions options;
    };
    std::optional<Request> waiting_;
    bool running_ = false;
    bool stale_ = false; // a newer request came while the running one was being built
    std::shared_ptr<BuildProgress> building_; // the running build's, shared with its thread
    std::shared_ptr<std::atomic<int>> stage_; // its stage, -1 before the first
    QElapsedTimer since_;
    QTimer poll_;
    std::optional<BuiltTerrain> latest_;
    QFutureWatcher<BuiltTerrain> watcher_;
};

// Shows builder's progress in panel: the bar and its Cancel while a build takes long, the
// stage in the bar.
void followProgress(TerrainBuilder& builder, const ViewPanel& panel);

} // namespace grondel
