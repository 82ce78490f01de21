// The game collides with a mesh's vertices as written, in the thing's space, and ignores the
// hierarchy nodes; it draws them where the nodes place them. Vertical rays through both views
// of the model show where a player would stand and where the ground is seen.
#include "terrain/game_terrain.h"
#include "terrains.h"

#include <cmath>
#include <optional>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::terrain::testing::makeTerrain;
using grondel::terrain::testing::Terrain;

namespace {

// The highest face a vertical ray at (x, y) meets, its vertices as written (the collision's
// view) or placed by their nodes (the drawing's).
std::optional<double> rayHit(const GameModel& model, double x, double y, bool placed) {
    std::optional<double> highest;
    for (const GameMesh& mesh : model.meshes) {
        const Vec3 offset = placed ? mesh.node : Vec3{};
        for (const auto& face : mesh.faces) {
            const Vec3 a = mesh.vertices[face[0]] + offset, b = mesh.vertices[face[1]] + offset,
                       c = mesh.vertices[face[2]] + offset;
            const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            const double wb = ((x - a.x) * (c.y - a.y) - (y - a.y) * (c.x - a.x)) / area;
            const double wc = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / area;
            constexpr double kEdge = -1e-12; // a ray on a shared edge meets both faces
            if (wb < kEdge || wc < kEdge || wb + wc > 1 - kEdge)
                continue;
            const double z = a.z + wb * (b.z - a.z) + wc * (c.z - a.z);
            highest = std::max(highest.value_or(z), z);
        }
    }
    return highest;
}

} // namespace

TEST(Walkable, TheGameCollidesWithAWalkableTerrainWhereItIsDrawnAndNotWithScenery) {
    struct Case {
        Terrain kind;
        std::optional<double> maxError;
    };
    for (const Case& c : {Case{Terrain::Flat, {}}, Case{Terrain::Tilted, {}},
                          Case{Terrain::Noisy, {}}, Case{Terrain::Noisy, 1.0}}) {
        const TerrainGrid grid{49, 33, 0.5, makeTerrain(c.kind, 49, 33)};
        for (const MeshLayout layout : {MeshLayout::Walkable, MeshLayout::Scenery}) {
            GameTerrainOptions options;
            options.model.layout = layout;
            options.model.scaleX = 2;
            options.maxError = c.maxError;
            const GameTerrain made = buildGameTerrain(grid, options);
            ASSERT_TRUE(made.ok()) << made.error;
            SCOPED_TRACE(::testing::Message()
                         << "terrain " << static_cast<int>(c.kind)
                         << (layout == MeshLayout::Walkable ? " walkable" : " scenery"));
            ASSERT_GT(made.model.meshes.size(), 1u);
            // Rays across the whole terrain, a little inside its border: x runs over
            // +-24 x 0.5 x 2 and y over +-16 x 0.5.
            int landed = 0, rays = 0;
            for (int i = 0; i <= 20; ++i) {
                for (int j = 0; j <= 20; ++j, ++rays) {
                    const double x = (i / 20.0 - 0.5) * 23.9 * 2, y = (j / 20.0 - 0.5) * 15.9;
                    const auto drawn = rayHit(made.model, x, y, true);
                    const auto collided = rayHit(made.model, x, y, false);
                    ASSERT_TRUE(drawn) << x << ", " << y;
                    landed += collided && std::abs(*collided - *drawn) <= 1e-9;
                }
            }
            if (layout == MeshLayout::Walkable)
                EXPECT_EQ(landed, rays);
            else
                EXPECT_LT(landed, rays / 2);
        }
    }
}
