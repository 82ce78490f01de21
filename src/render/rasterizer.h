#pragma once

#include "render/camera.h"
#include "render/scene.h"

#include <cstdint>
#include <vector>

namespace grondel::render {

// A picture the rasterizer draws into, with its depth buffer. Pixels are 0xffRRGGBB, row after
// row from the top-left corner. Keep one frame and draw into it again: its memory is reused.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::vector<float> depth; // 1 / distance along the view, 0 where nothing was drawn

    void resize(int newWidth, int newHeight);
};

struct RenderOptions {
    bool faceEdges = false;   // every face's outline
    bool meshBorders = false; // where one mesh meets another, and the terrain's outline
};

// The light comes from the north-west, 45 degrees above the horizon.
inline const Vec3 kTowardsLight = unit({-1.0, 1.0, 1.4142135623730951});

// Draws scene as camera sees it into frame (sized beforehand), in perspective with a depth
// buffer: each face shaded by the model's vertex normals against kTowardsLight, faces seen from
// behind in a dark shade, faces with a corner behind the camera left out. With a texture, the
// ground's colour is the texture's at the point's texture coordinates (perspective-correct,
// bilinear, repeating), lit the same way; without one, a sandy colour.
void draw(const Scene& scene, const Camera& camera, const RenderOptions& options, Frame& frame);

} // namespace grondel::render
