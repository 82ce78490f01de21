#pragma once

#include "model3do/colormap.h"
#include "model3do/game_model.h"
#include "model3do/material.h"
#include "model3do/vec3.h"

#include <array>
#include <cstdint>
#include <vector>

namespace grondel::render {

// A mesh placed in the world: positions as the game places them (its vertices on top of its
// node), the model's own vertex normals and texture coordinates (texels, vertex k's at k), and
// faces counter-clockwise seen from their front.
struct SceneMesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<std::array<double, 2>> uvs;
    std::vector<std::array<int, 3>> faces;
};

// The colours the game draws a material with: its top mip level, 0xffRRGGBB row after row from
// texel (0, 0). Empty (size 0): the view's own sandy ground.
struct SceneTexture {
    int size = 0;
    std::vector<std::uint32_t> texels;
};

// A material's top level as colours: 565 texels widened by repeating their top bits, palette
// indices through colormap's palette (black without one). Empty for a material materialProblem
// refuses.
SceneTexture sceneTexture(const Material& material, const Colormap* colormap);

// What the view draws, and the box and sphere that hold it.
struct Scene {
    std::vector<SceneMesh> meshes;
    SceneTexture texture; // laid on the meshes by their texture coordinates
    Vec3 low, high;       // corners of the box
    Vec3 centre;
    double radius = 0.0;
};

// The game model as the game would place it, mesh by mesh, painted with texture when it has one.
Scene sceneOf(const GameModel& model, SceneTexture texture = {});

} // namespace grondel::render
