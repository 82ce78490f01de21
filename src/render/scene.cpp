#include "render/scene.h"

#include <algorithm>
#include <utility>

namespace grondel::render {

SceneTexture sceneTexture(const Material& material, const Colormap* colormap) {
    if (!materialProblem(material).empty())
        return {};
    SceneTexture texture;
    texture.size = material.size;
    texture.texels.reserve(material.levels.front().size());
    for (const std::uint16_t texel : material.levels.front()) {
        std::uint32_t r = 0, g = 0, b = 0;
        if (material.format == TexelFormat::Rgb565) {
            r = texel >> 11 & 0x1f;
            g = texel >> 5 & 0x3f;
            b = texel & 0x1f;
            r = r << 3 | r >> 2;
            g = g << 2 | g >> 4;
            b = b << 3 | b >> 2;
        } else if (colormap) {
            const Rgb colour = colormap->colours[texel];
            r = colour.r;
            g = colour.g;
            b = colour.b;
        }
        texture.texels.push_back(0xff000000u | r << 16 | g << 8 | b);
    }
    return texture;
}

Scene sceneOf(const GameModel& model, SceneTexture texture) {
    Scene scene;
    scene.texture = std::move(texture);
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
        placed.uvs = mesh.textureVertices;
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
