#include "render/scene.h"

#include <algorithm>

namespace grondel::render {

Scene sceneOf(const GameModel& model) {
    Scene scene;
    Box box;
    for (const GameMesh& mesh : model.meshes) {
        SceneMesh& placed = scene.meshes.emplace_back();
        placed.positions.reserve(mesh.vertices.size());
        for (const Vec3& v : mesh.vertices) {
            const Vec3 p = v + mesh.node;
            placed.positions.push_back(p);
            box.add(p);
        }
        placed.normals = mesh.vertexNormals;
        placed.faces = mesh.faces;
    }
    if (box.empty())
        return scene;
    scene.low = box.low;
    scene.high = box.high;
    scene.centre = box.middle();
    scene.radius = std::max(distance(scene.centre, box.high), 1e-9);
    return scene;
}

} // namespace grondel::render
