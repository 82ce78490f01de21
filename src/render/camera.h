#pragma once

#include "model3do/vec3.h"
#include "render/scene.h"

namespace grondel::render {

// An orbiting camera in the game's frame: x east, y north, z up.
struct Camera {
    Vec3 target;                 // the point looked at, the centre of turning and zooming
    double distance = 1.0;       // from the target, world units
    double yaw = 0.0;            // compass direction looked towards, radians: 0 north, pi / 2 east
    double pitch = 0.6109;       // how far it looks down, radians: 0 level, pi / 2 straight down
    double fieldOfView = 0.6981; // vertical, radians (40 degrees)
};

// Where the camera sits and how it sees: its position and right, up and forward directions.
struct View {
    Vec3 eye, right, up, forward;
};
View viewOf(const Camera& camera);

// From the south, 35 degrees above the horizon, north up the screen, the whole scene in a picture
// of the given width / height.
Camera southView(const Scene& scene, double aspect);
// Straight down, north up the screen, the whole scene in view.
Camera topView(const Scene& scene, double aspect);

// Turned round the target: yaw to the right, pitch further down (kept between the horizon seen
// from just below and straight down).
Camera turned(Camera camera, double yaw, double pitch);
// Moved across the screen by fractions of the picture's height (right, up).
Camera moved(Camera camera, double right, double up);
// Closer by factor (above 1) or further away (below 1).
Camera zoomed(Camera camera, double factor);

} // namespace grondel::render
