#pragma once

#include "model3do/game_model.h"
#include "model3do/vec3.h"

#include <array>
#include <vector>

namespace grondel::render {

// A mesh placed in the world: positions as the game places them (its vertices on top of its
// node), the model's own vertex normals, and faces counter-clockwise seen from their front.
struct SceneMesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<std::array<int, 3>> faces;
};

// What the view draws, and the box and sphere that hold it.
struct Scene {
    std::vector<SceneMesh> meshes;
    Vec3 low, high; // corners of the box
    Vec3 centre;
    double radius = 0.0;
};

// The game model as the game would place it, mesh by mesh.
Scene sceneOf(const GameModel& model);

} // namespace grondel::render
