#include "render/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace grondel::render {
namespace {

constexpr std::uint32_t kBackground = 0xff2b3440;
constexpr std::uint32_t kEdgeColour = 0xff202020;
constexpr std::uint32_t kBorderColour = 0xffff8c1a;
constexpr double kNear = 1e-4; // of the camera's distance: closer corners are left out
// How far past a triangle's box, relative to the coordinate, a pixel centre may still be taken
// in by the float weights' rounding: far more than their few roundings reach.
constexpr double kRoundingReach = 1e-5;

// A corner on the screen: position in pixels, 1 / depth, brightness 0..1, texture coordinates
// over depth (so that they interpolate in perspective).
struct Corner {
    float x, y, inverseDepth, light;
    bool visible;
    float uOverDepth = 0.0f, vOverDepth = 0.0f;
};

// The ground's colour lit from the light's side; from below, one dim shade.
std::uint32_t shade(float light, bool front, float red, float green, float blue) {
    const float k = front ? 0.22f + 0.78f * light : 0.12f;
    const auto channel = [k](float base) {
        return static_cast<std::uint32_t>(std::clamp(base * k, 0.0f, 255.0f));
    };
    return 0xff000000u | channel(red) << 16 | channel(green) << 8 | channel(blue);
}

std::uint32_t shade(float light, bool front) {
    return shade(light, front, 222.0f, 208.0f, 170.0f); // a sandy ground
}

// The texture at (u, v) texels, bilinear between the four nearest texel centres (texel i spans
// i to i + 1), repeating as the game's textures do; into red, green and blue.
void sample(const SceneTexture& texture, float u, float v, float rgb[3]) {
    const int n = texture.size;
    const auto wrap = [n](float at) {
        const int k =
            std::isfinite(at) ? static_cast<int>(std::fmod(at, static_cast<float>(n))) : 0;
        return k < 0 ? k + n : k;
    };
    const float x = u - 0.5f, y = v - 0.5f;
    const float left = std::floor(x), top = std::floor(y);
    const float fx = std::isfinite(x) ? x - left : 0.0f, fy = std::isfinite(y) ? y - top : 0.0f;
    const int x0 = wrap(left), y0 = wrap(top), x1 = (x0 + 1) % n, y1 = (y0 + 1) % n;
    const auto at = [&](int i, int j) {
        return texture.texels[static_cast<std::size_t>(j) * static_cast<std::size_t>(n) + i];
    };
    const std::uint32_t corners[4] = {at(x0, y0), at(x1, y0), at(x0, y1), at(x1, y1)};
    const float weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
    for (int c = 0; c < 3; ++c) {
        const int bits = 16 - 8 * c;
        rgb[c] = 0.0f;
        for (int k = 0; k < 4; ++k)
            rgb[c] += weights[k] * static_cast<float>(corners[k] >> bits & 0xffu);
    }
}

class Rasterizer {
public:
    Rasterizer(const Camera& camera, const SceneTexture& texture, Frame& frame)
        : view_(viewOf(camera))
        , texture_(texture)
        , frame_(frame)
        , focal_(static_cast<float>(frame.height / 2.0 / std::tan(camera.fieldOfView / 2.0)))
        , near_(static_cast<float>(camera.distance * kNear)) {}

    void project(const SceneMesh& mesh, std::vector<Corner>& corners) const {
        corners.resize(mesh.positions.size());
        for (std::size_t k = 0; k < corners.size(); ++k) {
            const Vec3 d = mesh.positions[k] - view_.eye;
            const auto x = static_cast<float>(dot(d, view_.right));
            const auto y = static_cast<float>(dot(d, view_.up));
            const auto z = static_cast<float>(dot(d, view_.forward));
            const Vec3 n = k < mesh.normals.size() ? mesh.normals[k] : Vec3{0, 0, 1};
            corners[k] = {frame_.width / 2.0f + focal_ * x / z,
                          frame_.height / 2.0f - focal_ * y / z,
                          1.0f / z,
                          static_cast<float>(std::max(0.0, dot(n, kTowardsLight))),
                          z > near_,
                          0.0f,
                          0.0f};
            if (k < mesh.uvs.size()) {
                corners[k].uOverDepth = static_cast<float>(mesh.uvs[k][0] / z);
                corners[k].vOverDepth = static_cast<float>(mesh.uvs[k][1] / z);
            }
        }
    }

    // textured: painted with the scene's texture, else the sandy ground.
    void fill(const Corner& a, const Corner& b, const Corner& c, bool textured) {
        const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (area == 0.0f || !std::isfinite(area))
            return;
        // Counter-clockwise in the world is clockwise on a screen whose y runs down.
        const bool front = area < 0.0f;
        // The pixels whose centres (x + 0.5) may lie in the triangle: those within its box, and
        // a hair beyond, where rounding may yet take a centre in.
        const auto first = [](float low, int limit) {
            const double at = std::ceil(low - 0.5 - kRoundingReach * (1.0 + std::abs(low)));
            return static_cast<int>(std::clamp(at, 0.0, static_cast<double>(limit)));
        };
        const auto last = [](float high, int limit) {
            const double at = std::floor(high - 0.5 + kRoundingReach * (1.0 + std::abs(high)));
            return static_cast<int>(std::clamp(at, -1.0, static_cast<double>(limit - 1)));
        };
        const int x0 = first(std::min({a.x, b.x, c.x}), frame_.width);
        const int x1 = last(std::max({a.x, b.x, c.x}), frame_.width);
        const int y0 = first(std::min({a.y, b.y, c.y}), frame_.height);
        const int y1 = last(std::max({a.y, b.y, c.y}), frame_.height);
        const float inverseArea = 1.0f / area;
        // The corners' places in locals: the frame's floats written below could otherwise be
        // them, and each pixel would read them again.
        const float ax = a.x, ay = a.y, bx = b.x, by = b.y, cx = c.x, cy = c.y;
        for (int y = y0; y <= y1; ++y) {
            const float py = static_cast<float>(y) + 0.5f;
            std::uint32_t* row = frame_.pixels.data() + static_cast<std::size_t>(y) * frame_.width;
            float* depthRow = frame_.depth.data() + static_cast<std::size_t>(y) * frame_.width;
            const float ayRow = ay - py, byRow = by - py, cyRow = cy - py;
            for (int x = x0; x <= x1; ++x) {
                const float px = static_cast<float>(x) + 0.5f;
                // Barycentric weights; all of one sign inside the triangle.
                const float wa = ((bx - px) * cyRow - byRow * (cx - px)) * inverseArea;
                if (wa < 0.0f)
                    continue;
                const float wb = ((cx - px) * ayRow - cyRow * (ax - px)) * inverseArea;
                const float wc = 1.0f - wa - wb;
                if (wb < 0.0f || wc < 0.0f)
                    continue;
                const float inverseDepth =
                    wa * a.inverseDepth + wb * b.inverseDepth + wc * c.inverseDepth;
                if (inverseDepth <= depthRow[x])
                    continue;
                depthRow[x] = inverseDepth;
                const float light = wa * a.light + wb * b.light + wc * c.light;
                if (!textured) {
                    row[x] = shade(light, front);
                    continue;
                }
                const float u =
                    (wa * a.uOverDepth + wb * b.uOverDepth + wc * c.uOverDepth) / inverseDepth;
                const float v =
                    (wa * a.vOverDepth + wb * b.vOverDepth + wc * c.vOverDepth) / inverseDepth;
                float rgb[3];
                sample(texture_, u, v, rgb);
                row[x] = shade(light, front, rgb[0], rgb[1], rgb[2]);
            }
        }
    }

    // A line over what is drawn, hidden where a nearer surface covers it.
    void line(const Corner& a, const Corner& b, std::uint32_t colour) {
        const float steps = std::ceil(std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)));
        if (!std::isfinite(steps) || steps > 1e5f)
            return;
        for (float s = 0.0f; s <= steps; s += 1.0f) {
            const float t = steps > 0.0f ? s / steps : 0.0f;
            const int x = static_cast<int>(a.x + (b.x - a.x) * t);
            const int y = static_cast<int>(a.y + (b.y - a.y) * t);
            if (x < 0 || y < 0 || x >= frame_.width || y >= frame_.height)
                continue;
            const std::size_t at = static_cast<std::size_t>(y) * frame_.width + x;
            const float inverseDepth = a.inverseDepth + (b.inverseDepth - a.inverseDepth) * t;
            // A little in front of the faces it lies on.
            if (inverseDepth * 1.002f >= frame_.depth[at])
                frame_.pixels[at] = colour;
        }
    }

private:
    View view_;
    const SceneTexture& texture_;
    Frame& frame_;
    float focal_;
    float near_;
};

// The edges of a mesh that only one of its faces uses: its outline.
std::vector<std::pair<int, int>> outline(const SceneMesh& mesh) {
    std::map<std::pair<int, int>, int> uses;
    for (const auto& face : mesh.faces)
        for (int k = 0; k < 3; ++k)
            ++uses[std::minmax(face[k], face[(k + 1) % 3])];
    std::vector<std::pair<int, int>> edges;
    for (const auto& [edge, count] : uses)
        if (count == 1)
            edges.push_back(edge);
    return edges;
}

} // namespace

void Frame::resize(int newWidth, int newHeight) {
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels.resize(size);
    depth.resize(size);
}

void draw(const Scene& scene, const Camera& camera, const RenderOptions& options, Frame& frame) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), kBackground);
    std::fill(frame.depth.begin(), frame.depth.end(), 0.0f);
    if (frame.width == 0 || frame.height == 0)
        return;
    Rasterizer raster(camera, scene.texture, frame);
    const bool painted =
        scene.texture.size > 0 &&
        scene.texture.texels.size() == static_cast<std::size_t>(scene.texture.size) *
                                           static_cast<std::size_t>(scene.texture.size);
    std::vector<std::vector<Corner>> corners(scene.meshes.size());
    const auto visible = [](const std::vector<Corner>& at, const std::array<int, 3>& face) {
        return at[face[0]].visible && at[face[1]].visible && at[face[2]].visible;
    };
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        const SceneMesh& mesh = scene.meshes[m];
        raster.project(mesh, corners[m]);
        const bool textured = painted && mesh.uvs.size() == mesh.positions.size();
        for (const auto& face : mesh.faces)
            if (visible(corners[m], face))
                raster.fill(corners[m][face[0]], corners[m][face[1]], corners[m][face[2]],
                            textured);
    }
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        const std::vector<Corner>& at = corners[m];
        if (options.faceEdges)
            for (const auto& face : scene.meshes[m].faces)
                if (visible(at, face))
                    for (int k = 0; k < 3; ++k)
                        raster.line(at[face[k]], at[face[(k + 1) % 3]], kEdgeColour);
        if (options.meshBorders)
            for (const auto& [a, b] : outline(scene.meshes[m]))
                if (at[a].visible && at[b].visible)
                    raster.line(at[a], at[b], kBorderColour);
    }
}

} // namespace grondel::render
