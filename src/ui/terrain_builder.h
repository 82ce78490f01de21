#pragma once

#include "render/scene.h"
#include "terrain/game_terrain.h"

#include <memory>
#include <optional>
#include <string>

#include <QFutureWatcher>
#include <QObject>

namespace grondel {

// A game model built for the windows, with what they show of it.
struct BuiltTerrain {
    GameTerrainOptions options; // what it was built from
    GameTerrain terrain;
    std::string check; // the game's rules: "ok" or the first problem, with its line
    render::Scene scene;
};

// "Grid 64 x 64 · 16 meshes · 4489 vertices · 7938 faces · heights 0 to 8 · largest error 0 ·
// check ok", or the reason there is no model.
QString statusText(const BuiltTerrain& built);

// Builds game models off the interface thread, one at a time: a newer request replaces one
// still waiting, and a result made stale by a newer request is dropped unseen. The windows
// keep showing the last finished model meanwhile, so they never freeze.
class TerrainBuilder : public QObject {
    Q_OBJECT
public:
    explicit TerrainBuilder(QObject* parent = nullptr);
    ~TerrainBuilder() override;

    // Asks for the model of picture with options; built() follows once it is made.
    void request(std::shared_ptr<const Picture> picture, const GameTerrainOptions& options);
    // No request is waiting or being built.
    bool idle() const;
    // The last model finished for the newest request, when there is one.
    const std::optional<BuiltTerrain>& latest() const { return latest_; }

signals:
    void built(const BuiltTerrain& result);

private:
    void start();
    void finished();

    struct Request {
        std::shared_ptr<const Picture> picture;
        GameTerrainOptions options;
    };
    std::optional<Request> waiting_;
    bool running_ = false;
    bool stale_ = false; // a newer request came while the running one was being built
    std::optional<BuiltTerrain> latest_;
    QFutureWatcher<BuiltTerrain> watcher_;
};

} // namespace grondel
