#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace grondel::render {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kLowest = -30.0 * kDegree; // a look at the terrain from below
constexpr double kHighest = 90.0 * kDegree;

// Looking at the scene's centre from pitch, just far enough back that every corner of its box
// is in the picture, with a small margin.
Camera fitted(const Scene& scene, double aspect, double pitch) {
    Camera camera;
    camera.target = scene.centre;
    camera.pitch = pitch;
    const View view = viewOf(camera);
    const double tanUp = std::tan(camera.fieldOfView / 2.0);
    const double tanAcross = tanUp * std::max(aspect, 1e-3);
    double distance = 1e-6;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 p{corner & 1 ? scene.high.x : scene.low.x,
                     corner & 2 ? scene.high.y : scene.low.y,
                     corner & 4 ? scene.high.z : scene.low.z};
        const Vec3 offset = p - scene.centre;
        const double along = dot(offset, view.forward);
        distance = std::max({distance, std::abs(dot(offset, view.right)) / tanAcross - along,
                             std::abs(dot(offset, view.up)) / tanUp - along});
    }
    camera.distance = distance * 1.08;
    return camera;
}

} // namespace

View viewOf(const Camera& camera) {
    const double cp = std::cos(camera.pitch), sp = std::sin(camera.pitch);
    const double cy = std::cos(camera.yaw), sy = std::sin(camera.yaw);
    View view;
    view.forward = {sy * cp, cy * cp, -sp};
    // Level whatever the pitch, so that straight down still has north up the screen.
    view.right = {cy, -sy, 0.0};
    view.up = cross(view.right, view.forward);
    view.eye = camera.target - view.forward * camera.distance;
    return view;
}

Camera southView(const Scene& scene, double aspect) {
    return fitted(scene, aspect, 35.0 * kDegree);
}

Camera topView(const Scene& scene, double aspect) {
    return fitted(scene, aspect, kHighest);
}

Camera turned(Camera camera, double yaw, double pitch) {
    camera.yaw = std::remainder(camera.yaw + yaw, 2.0 * std::numbers::pi);
    camera.pitch = std::clamp(camera.pitch + pitch, kLowest, kHighest);
    return camera;
}

Camera moved(Camera camera, double right, double up) {
    const View view = viewOf(camera);
    // One picture height at the target's distance.
    const double height = 2.0 * camera.distance * std::tan(camera.fieldOfView / 2.0);
    camera.target = camera.target - view.right * (right * height) - view.up * (up * height);
    return camera;
}

Camera zoomed(Camera camera, double factor) {
    if (factor > 0.0 && std::isfinite(factor))
        camera.distance = std::clamp(camera.distance / factor, 1e-6, 1e9);
    return camera;
}

} // namespace grondel::render
