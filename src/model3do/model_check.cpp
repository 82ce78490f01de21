#include "model3do/model_check.h"

#include "model3do/model_reader.h"
#include "model3do/vec3.h"

#include <algorithm>
#include <string>
#include <utility>

namespace grondel {
namespace {

struct Mesh {
    long long radiusLine = 0;
    double radius = 0.0;
    std::vector<Vec3> vertices;
};

struct Node {
    long long line = 0;
    long long mesh = -1;
    long long parent = -1;
    long long child = -1;
    long long sibling = -1;
    long long children = 0;
    Vec3 position;
    std::string name;
    Vec3 world;
};

class Checker : private ModelReader {
public:
    explicit Checker(std::string_view text)
        : ModelReader(text) {}

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
        checkModelRadius(radiusLine, radius);
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
        }

        expect({"vertex", "normals"}, "\"VERTEX NORMALS\"");
        readNormals(which, "vertex", vertices, " (\"n: x y z\", one line per vertex)");

        expect({"faces", "%d"}, "\"FACES count\"");
        const long long faces = count("FACES");
        limit(which + " has FACES", faces, kGameMaxFaces);
        for (long long k = 0; k < faces; ++k)
            readFace(which, k, vertices, textureVertices);

        expect({"face", "normals"}, "\"FACE NORMALS\"");
        readNormals(which, "face", faces,
                    " (\"n: x y z\"): the game needs one face normal per face");
        return mesh;
    }

    // One "n: x y z" line for each of count vertices or faces (of: "vertex" or "face") of a
    // mesh; hint ends the message when a line is missing or malformed.
    void readNormals(const std::string& which, const std::string& of, long long count,
                     std::string_view hint) {
        for (long long k = 0; k < count; ++k) {
            expect({"%i", "%f", "%f", "%f"}, [&] {
                return "the normal of " + of + " " + number(k) + " of " + which + std::string(hint);
            });
            numbered(of + " normal", k);
        }
    }

    void readFace(const std::string& which, long long k, long long vertices,
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
        if (material < 0 || material >= materials_)
            problem(line_, face() + " uses material " + number(material) + "; the model has " +
                               number(materials_));
        if (count < 1 || count > kGameMaxFaceVertices)
            problem(line_, face() + " has " + number(count) + " vertices; the game takes 1 to " +
                               number(kGameMaxFaceVertices));

        long long listed = 0;
        long long vertex = 0;
        long long texture = 0;
        for (std::size_t w = 8; w < words_.size(); w += 3, ++listed) {
            if (w + 2 >= words_.size() || !parseInteger(words_[w], vertex) ||
                words_[w + 1] != "," || !parseInteger(words_[w + 2], texture))
                fail(line_, face() + " lists its vertices other than as \"v, t\" pairs: " +
                                quoted(lower_));
            if (vertex < 0 || vertex >= vertices)
                problem(line_, face() + " uses vertex " + number(vertex) + "; the mesh has " +
                                   number(vertices));
            if (texture < 0 || texture >= textureVertices)
                problem(line_, face() + " uses texture vertex " + number(texture) +
                                   "; the mesh has " + number(textureVertices));
        }
        if (listed != count)
            problem(line_,
                    face() + " lists " + number(listed) + " vertices but says " + number(count));
    }

    // Seen from its node a vertex lies where the mesh puts it, whatever the node's position.
    void checkMeshRadius(const std::string& which, const Mesh& mesh) {
        double farthest = 0.0;
        for (const Vec3& v : mesh.vertices)
            farthest = std::max(farthest, distance({}, v));
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
            Node node;
            node.line = line_;
            node.mesh = integers_[1];
            node.parent = integers_[2];
            node.child = integers_[3];
            node.sibling = integers_[4];
            node.children = integers_[5];
            node.position = {reals_[0], reals_[1], reals_[2]};
            node.name = name_;
            nodes_.push_back(std::move(node));
        }
        const auto nodes = static_cast<long long>(nodes_.size());
        for (long long k = 0; k < nodes; ++k) {
            Node& node = nodes_[static_cast<std::size_t>(k)];
            const std::string which = "node " + number(k);
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
            for (auto [link, name] :
                 {std::pair{&node.parent, "parent"}, std::pair{&node.child, "child"},
                  std::pair{&node.sibling, "sibling"}}) {
                if (*link < -1 || *link >= nodes) {
                    problem(node.line, which + " " + name + " is " + number(*link) +
                                           "; the model has " + number(nodes) + " nodes");
                    *link = -1;
                }
            }
            if (node.children < 0) {
                problem(node.line, which + " has " + number(node.children) + " children");
                node.children = 0;
            }
        }
        placeNodes();
        walkFromRoot();
    }

    // World positions: each node's position on top of its parent's. Each node is placed once,
    // so a long or looping parent chain costs no more than a short one.
    void placeNodes() {
        enum class State { New, OnPath, Placed };
        std::vector<State> state(nodes_.size(), State::New);
        std::vector<std::size_t> path;
        for (std::size_t k = 0; k < nodes_.size(); ++k) {
            path.clear();
            long long at = static_cast<long long>(k);
            while (at != -1 && state[static_cast<std::size_t>(at)] == State::New) {
                state[static_cast<std::size_t>(at)] = State::OnPath;
                path.push_back(static_cast<std::size_t>(at));
                at = nodes_[static_cast<std::size_t>(at)].parent;
            }
            Vec3 base;
            if (at != -1 && state[static_cast<std::size_t>(at)] == State::Placed) {
                base = nodes_[static_cast<std::size_t>(at)].world;
            } else if (at != -1) {
                problem(nodes_[static_cast<std::size_t>(at)].line,
                        "the parent chain of node " + number(at) + " loops back to it");
            }
            for (auto it = path.rbegin(); it != path.rend(); ++it) {
                Node& node = nodes_[*it];
                node.world = {base.x + node.position.x, base.y + node.position.y,
                              base.z + node.position.z};
                base = node.world;
                state[*it] = State::Placed;
            }
        }
    }

    // The game draws node 0, then for each node its first child and numChildren - 1 siblings
    // after it, each drawn the same way.
    void walkFromRoot() {
        reached_.assign(nodes_.size(), false);
        if (nodes_.empty())
            return;
        std::vector<std::size_t> pending{0};
        reached_[0] = true;
        while (!pending.empty()) {
            const std::size_t k = pending.back();
            pending.pop_back();
            const Node& node = nodes_[k];
            long long at = node.child;
            for (long long c = 0; c < node.children; ++c) {
                if (at == -1) {
                    problem(node.line, "node " + number(static_cast<long long>(k)) + " has " +
                                           number(node.children) +
                                           " children but its child and sibling chain ends "
                                           "after " +
                                           number(c));
                    break;
                }
                if (reached_[static_cast<std::size_t>(at)]) {
                    problem(node.line, "the children of node " + number(static_cast<long long>(k)) +
                                           " lead back to node " + number(at) +
                                           ", which is drawn already");
                    break;
                }
                reached_[static_cast<std::size_t>(at)] = true;
                pending.push_back(static_cast<std::size_t>(at));
                at = nodes_[static_cast<std::size_t>(at)].sibling;
            }
        }
        for (std::size_t k = 0; k < nodes_.size(); ++k)
            if (!reached_[k])
                problem(nodes_[k].line,
                        "node " + number(static_cast<long long>(k)) + " " + quoted(nodes_[k].name) +
                            " cannot be reached from node 0 through child, numChildren and "
                            "sibling, so the game never draws it");
    }

    // Seen from the origin a vertex lies at its node's world position plus its own. Geosets and
    // meshes past the game's limits are refused anyway and left out, which also keeps the work
    // within the number of nodes times 4 * 512 vertices, whatever the text claims.
    void checkModelRadius(long long line, double radius) {
        const std::size_t geosets =
            std::min(geosets_.size(), static_cast<std::size_t>(kGameMaxGeosets));
        double farthest = 0.0;
        for (std::size_t k = 0; k < nodes_.size(); ++k) {
            const Node& node = nodes_[k];
            if (!reached_[k] || node.mesh < 0)
                continue;
            for (std::size_t g = 0; g < geosets; ++g) {
                const Mesh& mesh = geosets_[g][static_cast<std::size_t>(node.mesh)];
                if (mesh.vertices.size() > static_cast<std::size_t>(kGameMaxVertices))
                    continue;
                for (const Vec3& v : mesh.vertices)
                    farthest = std::max(
                        farthest,
                        distance({}, {node.world.x + v.x, node.world.y + v.y, node.world.z + v.z}));
            }
        }
        if (radius < farthest)
            problem(line, "model RADIUS " + number(radius) + " is less than its farthest vertex, " +
                              number(farthest) + " from the origin");
    }

    long long materials_ = 0;
    std::vector<std::vector<Mesh>> geosets_;
    std::vector<Node> nodes_;
    std::vector<bool> reached_;
};

} // namespace

ModelCheck checkModel(std::string_view text) {
    return Checker(text).run();
}

} // namespace grondel
