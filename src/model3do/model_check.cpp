#include "model3do/model_check.h"

#include "model3do/model_hierarchy.h"
#include "model3do/model_reader.h"
#include "model3do/vec3.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace grondel {
namespace {

constexpr double kNormalLengthSlack = 1e-3;
constexpr double kOffPlaneCosine = 0.999;

struct Mesh {
    long long radiusLine = 0;
    double radius = 0.0;
    std::vector<Vec3> vertices;
};

// A face kept for the zero-area check, which needs the whole model's extent.
struct FaceArea {
    long long line = 0;
    long long face = 0;
    long long mesh = 0;
    double area = 0.0;
};

class Checker : private ModelReader {
public:
    Checker(std::string_view text, CheckOptions options)
        : ModelReader(text)
        , options_(options) {}

    ModelCheck run() {
        try {
            read();
        } catch (const Stop&) {
        }
        std::stable_sort(
            result_.problems.begin(), result_.problems.end(),
            [](const ModelProblem& a, const ModelProblem& b) { return a.line < b.line; });
        if (cut_)
            result_.problems.push_back(
                {line_, "more problems follow; the check stops after " +
                            number(static_cast<long long>(kMaxReportedProblems))});
        return std::move(result_);
    }

private:
    void read() {
        expect({"section:", "header"}, "\"SECTION: HEADER\"");
        expect({"3do", "2.1"}, "\"3DO 2.1\"");
        expect({"section:", "modelresource"}, "\"SECTION: MODELRESOURCE\"");
        expect({"materials", "%d"}, "\"MATERIALS count\"");
        materials_ = count("MATERIALS");
        for (long long k = 0; k < materials_; ++k) {
            expect({"%i", "%s"}, [k] { return "material " + number(k) + " (\"n: name.mat\")"; });
            numbered("material", k);
            checkMaterialName(k);
        }

        expect({"section:", "geometrydef"}, "\"SECTION: GEOMETRYDEF\"");
        expect({"radius", "%f"}, "\"RADIUS r\"");
        const long long radiusLine = line_;
        const double radius = reals_[0];
        expect({"insert", "offset", "%f", "%f", "%f"}, "\"INSERT OFFSET x y z\"");
        expect({"geosets", "%d"}, "\"GEOSETS count\"");
        const long long geosets = count("GEOSETS");
        if (geosets == 0)
            problem(line_, "the model has no geoset");
        limit("GEOSETS", geosets, kGameMaxGeosets);
        for (long long g = 0; g < geosets; ++g)
            readGeoset(g);

        expect({"section:", "hierarchydef"}, "\"SECTION: HIERARCHYDEF\"");
        readHierarchy();
        checkPlacedModel(radiusLine, radius);
    }

    // The game keeps a material's name in 32 bytes and looks for a .mat file by it.
    void checkMaterialName(long long k) {
        const std::string which = "material " + number(k) + " " + quoted(name_);
        if (!name_.ends_with(".mat"))
            problem(line_, which + " does not end in \".mat\"");
        if (name_.size() > kGameMaxMaterialNameLength)
            problem(line_, which + " has " + number(static_cast<long long>(name_.size())) +
                               " characters; the game keeps at most " +
                               number(static_cast<long long>(kGameMaxMaterialNameLength)));
    }

    void readGeoset(long long g) {
        expect({"geoset", "%d"}, "\"GEOSET " + number(g) + "\"");
        if (integers_[0] != g)
            problem(line_, "GEOSET " + number(integers_[0]) + " where " + number(g) + " belongs");
        expect({"meshes", "%d"}, "\"MESHES count\"");
        const long long meshes = count("MESHES");
        geosets_.emplace_back();
        for (long long m = 0; m < meshes; ++m)
            geosets_.back().push_back(readMesh(m));
    }

    Mesh readMesh(long long m) {
        Mesh mesh;
        const std::string which = "mesh " + number(m);
        expect({"mesh", "%d"}, "\"MESH " + number(m) + "\"");
        if (integers_[0] != m)
            problem(line_, "MESH " + number(integers_[0]) + " where " + number(m) + " belongs");
        ++result_.meshes;
        expect({"name", "%s"}, "\"NAME name\" (one word)");
        if (name_.size() > kGameMaxNameLength)
            problem(line_, which + " name " + quoted(name_) + " has " +
                               number(static_cast<long long>(name_.size())) +
                               " characters; the game cuts it at " +
                               number(static_cast<long long>(kGameMaxNameLength)));
        expect({"radius", "%f"}, "\"RADIUS r\"");
        mesh.radiusLine = line_;
        mesh.radius = reals_[0];
        expect({"geometrymode", "%d"}, "\"GEOMETRYMODE mode\"");
        if (integers_[0] == 0)
            problem(line_, which + " has GEOMETRYMODE 0, so the game never draws it");
        expect({"lightingmode", "%d"}, "\"LIGHTINGMODE mode\"");
        expect({"texturemode", "%d"}, "\"TEXTUREMODE mode\"");

        expect({"vertices", "%d"}, "\"VERTICES count\"");
        const long long vertices = count("VERTICES");
        limit(which + " has VERTICES", vertices, kGameMaxVertices);
        for (long long k = 0; k < vertices; ++k) {
            expect({"%i", "%f", "%f", "%f", "%f"}, [&] {
                return "vertex " + number(k) + " of " + which + " (\"n: x y z intensity\")";
            });
            numbered("vertex", k);
            mesh.vertices.push_back({reals_[0], reals_[1], reals_[2]});
            ++result_.vertices;
        }
        checkMeshRadius(which, mesh);

        expect({"texture", "vertices", "%d"}, "\"TEXTURE VERTICES count\"");
        const long long textureVertices = count("TEXTURE VERTICES");
        limit(which + " has TEXTURE VERTICES", textureVertices, kGameMaxTextureVertices);
        for (long long k = 0; k < textureVertices; ++k) {
            expect({"%i", "%f", "%f"}, [&] {
                return "texture vertex " + number(k) + " of " + which + " (\"n: u v\")";
            });
            numbered("texture vertex", k);
            const double far = std::max(std::abs(reals_[0]), std::abs(reals_[1]));
            if (far > kGameMaxSteadyTexel)
                problem(line_, "texture vertex " + number(k) + " of " + which + " lies " +
                                   number(far) + " texels from 0, beyond " +
                                   number(kGameMaxSteadyTexel) +
                                   ", where float32 steps by more than 1/8 texel");
        }

        expect({"vertex", "normals"}, "\"VERTEX NORMALS\"");
        readNormals(which, "vertex", vertices, " (\"n: x y z\", one line per vertex)");

        expect({"faces", "%d"}, "\"FACES count\"");
        const long long faces = count("FACES");
        limit(which + " has FACES", faces, kGameMaxFaces);
        windings_.clear();
        for (long long k = 0; k < faces; ++k)
            readFace(which, m, k, mesh, textureVertices);

        expect({"face", "normals"}, "\"FACE NORMALS\"");
        readNormals(which, "face", faces,
                    " (\"n: x y z\"): the game needs one face normal per face");
        return mesh;
    }

    // One "n: x y z" line for each of count vertices or faces (of: "vertex" or "face") of a
    // mesh; hint ends the message when a line is missing or malformed. The game takes normals
    // as written: each should be of length 1, and a face's should agree with its winding.
    void readNormals(const std::string& which, const std::string& of, long long count,
                     std::string_view hint) {
        for (long long k = 0; k < count; ++k) {
            const auto normalOf = [&] {
                return "the normal of " + of + " " + number(k) + " of " + which;
            };
            expect({"%i", "%f", "%f", "%f"}, [&] { return normalOf() + std::string(hint); });
            numbered(of + " normal", k);
            const Vec3 n{reals_[0], reals_[1], reals_[2]};
            const double size = length(n);
            if (!(std::abs(size - 1.0) <= kNormalLengthSlack))
                problem(line_, normalOf() + " has length " + number(size) +
                                   "; the game takes it as written, and it should be 1");
            if (options_.terrain && !(n.z > 0.0))
                problem(line_, normalOf() + " has z " + number(n.z) +
                                   ", not above 0: on a terrain every face should face up");
            if (of != "face" || static_cast<std::size_t>(k) >= windings_.size())
                continue;
            const Vec3 winding = windings_[static_cast<std::size_t>(k)];
            const double scale = length(winding) * size;
            if (!(scale > 0.0) || !std::isfinite(scale))
                continue; // a face of zero area, or one with corners the mesh lacks
            const double cosine = dot(winding, n) / scale;
            if (cosine < 0.0)
                problem(line_, normalOf() + " points against its winding (cosine " +
                                   number(cosine) +
                                   "), so the game culls the face from the side it shows");
            else if (cosine < kOffPlaneCosine)
                problem(line_, normalOf() + " lies off its face's plane: cosine " + number(cosine) +
                                   " with its winding's normal, below " + number(kOffPlaneCosine));
        }
    }

    void readFace(const std::string& which, long long m, long long k, const Mesh& mesh,
                  long long textureVertices) {
        const auto face = [&] { return "face " + number(k) + " of " + which; };
        expect(
            {"%i", "%d", "%x", "%d", "%d", "%d", "%f", "%d"},
            [&] {
                return face() + " (\"n: material type geo light tex extralight count v, t ...\")";
            },
            true);
        numbered("face", k);
        ++result_.faces;
        const long long material = integers_[1];
        const long long count = integers_[5];
        const auto vertices = static_cast<long long>(mesh.vertices.size());
        if (material < 0 || material >= materials_)
            problem(line_, face() + " uses material " + number(material) + "; the model has " +
                               number(materials_));
        if (count < 1 || count > kGameMaxFaceVertices)
            problem(line_, face() + " has " + number(count) + " vertices; the game takes 1 to " +
                               number(kGameMaxFaceVertices));

        long long listed = 0;
        long long vertex = 0;
        long long texture = 0;
        bool placed = true;
        corners_.clear();
        for (std::size_t w = 8; w < words_.size(); w += 3, ++listed) {
            if (w + 2 >= words_.size() || !readNumber(words_[w], vertex) || words_[w + 1] != "," ||
                !readNumber(words_[w + 2], texture))
                fail(line_, face() + " lists its vertices other than as \"v, t\" pairs: " +
                                quoted(lower_));
            if (vertex < 0 || vertex >= vertices) {
                problem(line_, face() + " uses vertex " + number(vertex) + "; the mesh has " +
                                   number(vertices));
                placed = false;
            } else {
                corners_.push_back(mesh.vertices[static_cast<std::size_t>(vertex)]);
            }
            if (texture < 0 || texture >= textureVertices)
                problem(line_, face() + " uses texture vertex " + number(texture) +
                                   "; the mesh has " + number(textureVertices));
        }
        if (listed != count)
            problem(line_,
                    face() + " lists " + number(listed) + " vertices but says " + number(count));

        // The winding's normal: (v1 - v0) x (v2 - v0) for a triangle, summed over the fan from
        // v0 for more corners; half its length is the face's area.
        Vec3 winding;
        for (std::size_t c = 2; placed && c < corners_.size(); ++c)
            winding += cross(corners_[c - 1] - corners_[0], corners_[c] - corners_[0]);
        windings_.push_back(placed ? winding : Vec3{});
        if (placed)
            areas_.push_back({line_, k, m, length(winding) / 2.0});
    }

    // A mesh's culling sphere is centred where its node carries the mesh's (0, 0, 0); node
    // placements are rigid, so a vertex lies as far from it as the mesh writes it.
    void checkMeshRadius(const std::string& which, const Mesh& mesh) {
        double farthest = 0.0;
        for (const Vec3& v : mesh.vertices)
            farthest = std::max(farthest, length(v));
        if (mesh.radius < farthest)
            problem(mesh.radiusLine, which + " RADIUS " + number(mesh.radius) +
                                         " is less than its farthest vertex, " + number(farthest) +
                                         " from its node");
    }

    void readHierarchy() {
        expect({"hierarchy", "nodes", "%d"}, "\"HIERARCHY NODES count\"");
        const long long declared = count("HIERARCHY NODES");
        if (declared == 0)
            problem(line_, "the model has no hierarchy node, so nothing is drawn");
        for (long long k = 0; k < declared; ++k) {
            expect({"%i", "%x", "%x", "%d", "%d", "%d", "%d", "%d", "%f", "%f", "%f", "%f", "%f",
                    "%f", "%f", "%f", "%f", "%s"},
                   [k] {
                       return "node " + number(k) +
                              " (\"n: flags type mesh parent child sibling numChildren x y z "
                              "pitch yaw roll pivotx pivoty pivotz name\", the name one word)";
                   });
            numbered("hierarchy node", k);
            HierarchyNode& node = nodes_.emplace_back();
            node.line = line_;
            node.mesh = integers_[1];
            node.parent = integers_[2];
            node.child = integers_[3];
            node.sibling = integers_[4];
            node.children = integers_[5];
            node.position = {reals_[0], reals_[1], reals_[2]};
            node.angles = {reals_[3], reals_[4], reals_[5]};
            node.pivot = {reals_[6], reals_[7], reals_[8]};
            node.name = name_;
        }
        for (std::size_t k = 0; k < nodes_.size(); ++k) {
            HierarchyNode& node = nodes_[k];
            const std::string which = "node " + number(static_cast<long long>(k));
            if (node.name.size() > kGameMaxNameLength)
                problem(node.line, which + " name " + quoted(node.name) + " has " +
                                       number(static_cast<long long>(node.name.size())) +
                                       " characters; the game takes at most " +
                                       number(static_cast<long long>(kGameMaxNameLength)));
            for (std::size_t g = 0; g < geosets_.size(); ++g) {
                const auto meshes = static_cast<long long>(geosets_[g].size());
                if (node.mesh < -1 || node.mesh >= meshes) {
                    problem(node.line, which + " draws mesh " + number(node.mesh) + "; geoset " +
                                           number(static_cast<long long>(g)) + " has " +
                                           number(meshes));
                    node.mesh = -1;
                    break;
                }
            }
        }
        placeHierarchy(
            nodes_, [this](long long line, std::string text) { problem(line, std::move(text)); });
    }

    // The model's radius, seen from the origin, must cover every drawn vertex as its node places
    // it; a face's area is measured against the extent of those vertices. Geosets and meshes
    // past the game's limits are refused anyway and left out, which also keeps the work within
    // the number of nodes times the most vertices of a mesh in every geoset, whatever the text
    // claims.
    void checkPlacedModel(long long line, double radius) {
        const std::size_t geosets =
            std::min(geosets_.size(), static_cast<std::size_t>(kGameMaxGeosets));
        double farthest = 0.0;
        Box box;
        for (const HierarchyNode& node : nodes_) {
            if (!node.drawn || node.mesh < 0)
                continue;
            for (std::size_t g = 0; g < geosets; ++g) {
                const Mesh& mesh = geosets_[g][static_cast<std::size_t>(node.mesh)];
                if (mesh.vertices.size() > static_cast<std::size_t>(kGameMaxVertices))
                    continue;
                for (const Vec3& v : mesh.vertices) {
                    const Vec3 placed = node.placement(v);
                    farthest = std::max(farthest, length(placed));
                    box.add(placed);
                }
            }
        }
        if (radius < farthest)
            problem(line, "model RADIUS " + number(radius) + " is less than its farthest vertex, " +
                              number(farthest) + " from the origin");

        const double extent = box.extent();
        for (const FaceArea& face : areas_)
            if (!(face.area > kGameMinFaceAreaShare * extent * extent))
                problem(face.line, "face " + number(face.face) + " of mesh " + number(face.mesh) +
                                       " has an area of " + number(face.area) + ", not above " +
                                       number(kGameMinFaceAreaShare) + " of the model's extent (" +
                                       number(extent) +
                                       ") squared: the game cannot draw it "
                                       "reliably");
    }

    CheckOptions options_;
    long long materials_ = 0;
    std::vector<std::vector<Mesh>> geosets_;
    std::vector<HierarchyNode> nodes_;
    std::vector<Vec3> corners_;  // of the face being read
    std::vector<Vec3> windings_; // of the mesh being read, by face
    std::vector<FaceArea> areas_;
};

} // namespace

ModelCheck checkModel(std::string_view text, CheckOptions options) {
    return Checker(text, options).run();
}

} // namespace grondel
