#include "render/scene.h"

#include <algorithm>
#include <limits>

namespace grondel::render {

Scene sceneOf(const GameModel& model) {
    Scene scene;
    constexpr double kHuge = std::numeric_limits<double>::max();
    Vec3 low{kHuge, kHuge, kHuge}, high{-kHuge, -kHuge, -kHuge};
    for (const GameMesh& mesh : model.meshes) {
        SceneMesh& placed = scene.meshes.emplace_back();
        placed.positions.reserve(mesh.vertices.size());
        for (const Vec3& v : mesh.vertices) {
            const Vec3 p = v + mesh.node;
            placed.positions.push_back(p);
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
        placed.normals = mesh.vertexNormals;
        placed.faces = mesh.faces;
    }
    if (low.x > high.x)
        return scene;
    scene.low = low;
    scene.high = high;
    scene.centre = (low + high) * 0.5;
    scene.radius = std::max(distance(scene.centre, high), 1e-9);
    return scene;
}

} // namespace grondel::render
