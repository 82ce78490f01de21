#include "model3do/model_check.h"

#include "model3do/model_hierarchy.h"
#include "model3do/model_reader.h"
#include "model3do/vec3.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace grondel {
namespace {

constexpr double kNormalLengthSlack = 1e-3;
constexpr double kOffPlaneCosine = 0.999;
constexpr std::string_view kPastMemory =
    ": the game reads past its memory there and may crash, so the model is refused";

// A vertex as the game keeps it.
using Vertex = std::array<float, 3>;
Vec3 toVec3(const Vertex& v) {
    return {v[0], v[1], v[2]};
}

struct Mesh {
    long long line = 0; // of its MESH line
    long long radiusLine = 0;
    double radius = 0.0;
    std::vector<Vertex> vertices;
    // Per vertex, the sum of the written normals of the mesh's faces that use it.
    std::vector<Vertex> faceNormals;
    double farthest = 0.0; // of its vertices, from its own (0, 0, 0)
    Box box;
};

// A vertex normal turned more than 90 degrees from the faces of its mesh around it: a fault,
// unless its point lies on a border and the faces of the other meshes there bring it back.
struct TurnedNormal {
    long long line = 0;
    std::size_t geoset = 0;
    std::size_t mesh = 0;
    std::size_t vertex = 0;
    Vec3 normal;
    double cosine = 0.0; // with its own mesh's faces
};

// A point as the game places it, in one geoset: shared border points fall on the same floats.
using PlacedPoint = std::array<float, 4>;
struct PlacedPointHash {
    std::size_t operator()(const PlacedPoint& p) const {
        std::size_t h = 0;
        for (float c : p)
            h = h * 1000003u ^ std::hash<float>()(c);
        return h;
    }
};

// A face kept for the zero-area check, which needs the whole model's extent.
struct FaceArea {
    long long line = 0;
    long long face = 0;
    long long mesh = 0;
    double area = 0.0;

    friend bool operator<(const FaceArea& a, const FaceArea& b) {
        return a.area < b.area || (a.area == b.area && a.line < b.line);
    }
};

// A vertex normal kept until its mesh's face normals are read.
struct VertexNormal {
    long long line = 0;
    Vec3 normal;
    Vec3 faces; // the sum of the written normals of the faces that use the vertex
};

// Strings of a line as strtok cuts them: each call skips the delimiters, then takes the word up
// to the next one.
class Words {
public:
    explicit Words(std::string_view line)
        : line_(line) {}
    // The next word, or no value (a null pointer to the game) at the end.
    std::optional<std::string_view> next(std::string_view delimiters) {
        const std::size_t start = std::min(line_.find_first_not_of(delimiters, at_), line_.size());
        if (start == line_.size()) {
            at_ = start;
            return std::nullopt;
        }
        const std::size_t end = std::min(line_.find_first_of(delimiters, start), line_.size());
        at_ = std::min(end + 1, line_.size());
        return line_.substr(start, end - start);
    }
    std::string_view rest() const { return line_.substr(at_); }

private:
    std::string_view line_;
    std::size_t at_ = 0;
};

class Checker : private ModelReader {
public:
    Checker(const NextBytes& next, CheckOptions options)
        : ModelReader(next)
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
                {lineNumber_, "more problems follow; the check stops after " +
                                  number(static_cast<long long>(kMaxReportedProblems))});
        return std::move(result_);
    }

private:
    void read() {
        // Section lines must read as "section: name", whatever the name.
        expect(" section: %s", "\"SECTION: HEADER\"", false);
        readLine("\"3DO 2.1\"");
        expect(" section: %s", "\"SECTION: MODELRESOURCE\"", false);
        expect(" materials %d", "\"MATERIALS count\"");
        materials_ = count("MATERIALS");
        if (materials_ == 0)
            problem(lineNumber_, "the model has no material: the game draws every face in a "
                                 "flat colour");
        for (long long k = 0; k < materials_; ++k) {
            expect(" %d: %s", [k] { return "material " + number(k) + " (\"n: name.mat\")"; });
            numbered("material", k);
            checkMaterialName(k, values_[1].name);
            result_.materials.emplace_back(values_[1].name);
        }

        expect(" section: %s", "\"SECTION: GEOMETRYDEF\"", false);
        expect(" radius %f", "\"RADIUS r\"");
        const long long radiusLine = lineNumber_;
        const double radius = values_[0].real;
        expect(" insert offset %f %f %f", "\"INSERT OFFSET x y z\"");
        expect(" geosets %d", "\"GEOSETS count\"");
        const long long geosets = count("GEOSETS");
        if (geosets > kGameMaxGeosets)
            refuse(lineNumber_, "GEOSETS " + number(geosets) + "; the game keeps at most " +
                                    number(kGameMaxGeosets) + " and writes the others past them");
        if (geosets == 0)
            problem(lineNumber_, "the model has no geoset, so nothing is drawn");
        for (long long g = 0; g < geosets; ++g)
            readGeoset(g);

        expect(" section: %s", "\"SECTION: HIERARCHYDEF\"", false);
        readHierarchy();
        checkPlacedModel(radiusLine, radius);
        checkTurnedNormals();
        if (options_.walkable)
            checkWalkable();
    }

    // The game keeps a material's name in 32 bytes and looks for a .mat file by it.
    void checkMaterialName(long long k, std::string_view name) {
        const std::string which = "material " + number(k) + " " + quoted(name);
        if (!name.ends_with(".mat"))
            problem(lineNumber_, which + " does not end in \".mat\"");
        if (name.size() > kGameMaxMaterialNameLength)
            problem(lineNumber_, which + " has " + number(static_cast<long long>(name.size())) +
                                     " characters; the game keeps at most " +
                                     number(static_cast<long long>(kGameMaxMaterialNameLength)));
    }

    // A number that heads a section the game counts for itself.
    void inTurn(std::string_view what, long long expected) {
        if (values_[0].integer != expected)
            problem(lineNumber_, std::string(what) + " " + number(values_[0].integer) + " where " +
                                     number(expected) + " belongs: the game takes it as " +
                                     std::string(what) + " " + number(expected));
    }

    void readGeoset(long long g) {
        expect(" geoset %d", "\"GEOSET " + number(g) + "\"");
        inTurn("GEOSET", g);
        expect(" meshes %d", "\"MESHES count\"");
        const long long meshes = count("MESHES");
        geosets_.emplace_back();
        for (long long m = 0; m < meshes; ++m)
            geosets_.back().push_back(readMesh(g, m));
    }

    Mesh readMesh(long long g, long long m) {
        Mesh mesh;
        const std::string which = "mesh " + number(m);
        expect(" mesh %d", "\"MESH " + number(m) + "\"");
        mesh.line = lineNumber_;
        inTurn("MESH", m);
        ++result_.meshes;
        expect(" name %s", "\"NAME name\" (one word)");
        const std::string_view name = values_[0].name;
        if (name.size() > kGameMaxNameLength)
            problem(lineNumber_, which + " name " + quoted(name) + " has " +
                                     number(static_cast<long long>(name.size())) +
                                     " characters; the game cuts it at " +
                                     number(static_cast<long long>(kGameMaxNameLength)));
        expect(" radius %f", "\"RADIUS r\"");
        mesh.radiusLine = lineNumber_;
        mesh.radius = values_[0].real;
        expect(" geometrymode %d", "\"GEOMETRYMODE mode\"");
        if (values_[0].integer == 0)
            problem(lineNumber_, which + " has GEOMETRYMODE 0, so the game never draws it");
        expect(" lightingmode %d", "\"LIGHTINGMODE mode\"");
        expect(" texturemode %d", "\"TEXTUREMODE mode\"");

        expect(" vertices %d", "\"VERTICES count\"");
        const long long vertices = count("VERTICES");
        limit(which + " has VERTICES", vertices, kGameMaxVertices);
        for (long long k = 0; k < vertices; ++k) {
            expect(" %d: %f %f %f %f", [&] {
                return "vertex " + number(k) + " of " + which + " (\"n: x y z intensity\")";
            });
            numbered("vertex", k);
            const Vertex v{gameFloat(values_[1].real), gameFloat(values_[2].real),
                           gameFloat(values_[3].real)};
            mesh.vertices.push_back(v);
            mesh.farthest = std::max(mesh.farthest, length(toVec3(v)));
            mesh.box.add(toVec3(v));
            ++result_.vertices;
        }
        if (mesh.radius < mesh.farthest)
            problem(mesh.radiusLine, which + " RADIUS " + number(mesh.radius) +
                                         " is less than its farthest vertex, " +
                                         number(mesh.farthest) + " from its node");

        expect(" texture vertices %d", "\"TEXTURE VERTICES count\"");
        const long long textureVertices = count("TEXTURE VERTICES");
        limit(which + " has TEXTURE VERTICES", textureVertices, kGameMaxTextureVertices);
        for (long long k = 0; k < textureVertices; ++k) {
            expect(" %d: %f %f", [&] {
                return "texture vertex " + number(k) + " of " + which + " (\"n: u v\")";
            });
            numbered("texture vertex", k);
            const double far = std::max(std::abs(values_[1].real), std::abs(values_[2].real));
            if (far > kGameMaxSteadyTexel)
                problem(lineNumber_, "texture vertex " + number(k) + " of " + which + " lies " +
                                         number(far) + " texels from 0, beyond " +
                                         number(kGameMaxSteadyTexel) +
                                         ", where float32 steps by more than 1/8 texel");
        }

        readLine("\"VERTEX NORMALS\"");
        normals_.clear();
        for (long long k = 0; k < vertices; ++k) {
            const Vec3 n = readNormal(which, "vertex", k, " (\"n: x y z\", one line per vertex)");
            normals_.push_back({lineNumber_, n, {}});
        }

        expect(" faces %d", "\"FACES count\"");
        const long long faces = count("FACES");
        limit(which + " has FACES", faces, kGameMaxFaces);
        windings_.clear();
        corners_.clear();
        firstCorners_.clear();
        for (long long k = 0; k < faces; ++k)
            readFace(which, m, k, mesh, textureVertices);
        firstCorners_.push_back(corners_.size());

        readLine("\"FACE NORMALS\"");
        for (long long k = 0; k < faces; ++k) {
            const Vec3 n = readNormal(which, "face", k,
                                      " (\"n: x y z\"): the game needs one face normal per face");
            checkWinding(which, k, n);
            if (std::isfinite(length(n)))
                for (std::size_t c = firstCorners_[static_cast<std::size_t>(k)];
                     c < firstCorners_[static_cast<std::size_t>(k) + 1]; ++c)
                    normals_[corners_[c]].faces += n;
            if (g == 0) {
                ++collided_;
                steep_ += n.z >= kGameMinFloorNormalZ ? 0 : 1;
            }
        }
        findTurnedNormals(g, m, mesh);
        return mesh;
    }

    // One "n: x y z" normal of a mesh's vertex or face (of) k; hint ends the message when the
    // line is missing or malformed. The game takes normals as written: each should be of
    // length 1, and on a terrain point up.
    Vec3 readNormal(const std::string& which, std::string_view of, long long k,
                    std::string_view hint) {
        const auto normalOf = [&] {
            return "the normal of " + std::string(of) + " " + number(k) + " of " + which;
        };
        expect(" %d: %f %f %f", [&] { return normalOf() + std::string(hint); });
        numbered(std::string(of) + " normal", k);
        const Vec3 n{gameFloat(values_[1].real), gameFloat(values_[2].real),
                     gameFloat(values_[3].real)};
        const double size = length(n);
        if (!std::isfinite(size))
            return n; // said already
        if (!(std::abs(size - 1.0) <= kNormalLengthSlack))
            problem(lineNumber_, normalOf() + " has length " + number(size) +
                                     "; the game takes it as written, and it should be 1");
        if (options_.terrain && !(n.z > 0.0))
            problem(lineNumber_, normalOf() + " has z " + number(n.z) +
                                     ", not above 0: on a terrain every face should face up");
        return n;
    }

    // A face normal should agree with its face's winding.
    void checkWinding(const std::string& which, long long k, Vec3 n) {
        const Vec3 winding = windings_[static_cast<std::size_t>(k)];
        const double scale = length(winding) * length(n);
        if (!(scale > 0.0) || !std::isfinite(scale))
            return; // a face of zero area, one with corners the mesh lacks, or a NaN said already
        const double cosine = dot(winding, n) / scale;
        const auto normalOf = [&] { return "the normal of face " + number(k) + " of " + which; };
        if (cosine < 0.0)
            problem(lineNumber_, normalOf() + " points against its winding (cosine " +
                                     number(cosine) +
                                     "), so the game culls the face from the side it shows");
        else if (cosine < kOffPlaneCosine)
            problem(lineNumber_, normalOf() + " lies off its face's plane: cosine " +
                                     number(cosine) + " with its winding's normal, below " +
                                     number(kOffPlaneCosine));
    }

    // The game lights a vertex by its normal: one turned more than 90 degrees from the faces
    // around it lights them as if from behind. The faces of other meshes around a border
    // point count too (see checkTurnedNormals), so candidates wait for the hierarchy.
    void findTurnedNormals(long long g, long long m, Mesh& mesh) {
        for (std::size_t k = 0; k < normals_.size(); ++k) {
            const VertexNormal& v = normals_[k];
            mesh.faceNormals.push_back(
                {gameFloat(v.faces.x), gameFloat(v.faces.y), gameFloat(v.faces.z)});
            const double scale = length(v.normal) * length(v.faces);
            if (!(scale > 0.0) || !std::isfinite(scale))
                continue;
            const double cosine = dot(v.normal, v.faces) / scale;
            if (cosine < 0.0)
                turned_.push_back({v.line, static_cast<std::size_t>(g), static_cast<std::size_t>(m),
                                   k, v.normal, cosine});
        }
    }

    // A face line as the loader reads it: cut into words by strtok, each read by atoi or
    // sscanf. The first word (the face's number) is never read.
    void readFace(const std::string& which, long long m, long long k, const Mesh& mesh,
                  long long textureVertices) {
        const auto face = [&] { return "face " + number(k) + " of " + which; };
        readLine([&] {
            return face() + " (\"n: material type geo light tex extralight count v, t ...\")";
        });
        ++result_.faces;
        Words words(line_);
        const std::optional<std::string_view> first = words.next(" \t");
        if (first && *first != number(k) + ":")
            problem(lineNumber_, "face line numbered " + quoted(*first) + " where " + number(k) +
                                     ": belongs: the game takes it as face " + number(k) +
                                     " whatever its number");
        // The loader reads a missing word through a null pointer.
        const auto word = [&](std::string_view delimiters, std::string_view what) {
            const std::optional<std::string_view> got = words.next(delimiters);
            if (!got) {
                refused(lineNumber_, face() + " ends before its " + std::string(what) +
                                         ": the game's loader reads past the line and crashes");
                throw Stop{};
            }
            return *got;
        };
        const auto integer = [&](std::string_view token, std::string_view what) {
            std::size_t used = 0;
            const long long value = atoiValue(token, used);
            // The CR of a CR LF line end is a word of its own here.
            if (trimmed(token).empty())
                problem(lineNumber_, face() + " ends before its " + std::string(what) +
                                         ": the game reads the line end's CR there, as 0");
            if (!trimmed(token.substr(used)).empty())
                readsAs(token, number(value));
            return value;
        };
        const auto scanned = [&](std::string_view token, std::string_view format,
                                 std::string_view what) {
            if (scan(token, format, values_) != 1)
                refuse(lineNumber_,
                       face() + " has " + quoted(token) + " for its " + std::string(what));
            if (!trimmed(token.substr(values_[0].end)).empty())
                readsAs(token, std::string(token.substr(0, values_[0].end)));
        };

        const long long material = integer(word(" \t", "material"), "material");
        // The loader clamps an index past the count to the last material and one below -1 to
        // the first, but takes the count itself as it is.
        if (materials_ > 0 && material == materials_)
            refused(lineNumber_, face() + " uses material " + number(material) +
                                     "; the model has " + number(materials_) +
                                     std::string(kPastMemory));
        else if (materials_ > 0 && material > materials_)
            problem(lineNumber_, face() + " uses material " + number(material) +
                                     "; the model has " + number(materials_) +
                                     ": the game draws it with material " + number(materials_ - 1));
        else if (materials_ > 0 && material < -1)
            problem(lineNumber_, face() + " uses material " + number(material) +
                                     ": the game draws it with material 0");
        else if (materials_ > 0 && material == -1)
            problem(lineNumber_, face() + " uses material -1: the game draws it without one, "
                                          "in a flat colour");
        // Only a face with a material has its texture vertices read.
        const bool textured = materials_ > 0 && material != -1;
        scanned(word(" \t", "type"), "%x", "type flags (hex)");
        scanned(word(" \t", "geometry mode"), "%d", "geometry mode");
        scanned(word(" \t", "lighting mode"), "%d", "lighting mode");
        scanned(word(" \t", "texture mode"), "%d", "texture mode");
        scanned(word(" \t", "extra light"), "%f", "extra light");
        // The loader keeps the count unsigned: a negative one is over the limit.
        const long long count = integer(word(" \t", "vertex count"), "vertex count");
        if (count < 1 || count > kGameMaxFaceVertices)
            refuse(lineNumber_, face() + " has " + number(count) +
                                    " vertices; the game takes 1 to " +
                                    number(kGameMaxFaceVertices));

        const auto vertices = static_cast<long long>(mesh.vertices.size());
        bool placed = true;
        firstCorners_.push_back(corners_.size());
        Vec3 corner0, previous, winding;
        for (long long c = 0; c < count; ++c) {
            const long long vertex = integer(word(" \t,", "vertex indices"), "vertex indices");
            const long long texture =
                textured ? integer(word(" \t,", "texture vertex indices"), "texture vertex indices")
                         : 0;
            if (!textured)
                words.next(" \t,");
            if (vertex < 0 || vertex >= vertices)
                refused(lineNumber_, face() + " uses vertex " + number(vertex) + "; the mesh has " +
                                         number(vertices) + std::string(kPastMemory));
            if (textured && (texture < 0 || texture >= textureVertices))
                refused(lineNumber_, face() + " uses texture vertex " + number(texture) +
                                         "; the mesh has " + number(textureVertices) +
                                         std::string(kPastMemory));
            if (vertex < 0 || vertex >= vertices) {
                placed = false;
                continue;
            }
            corners_.push_back(static_cast<std::size_t>(vertex));
            // The winding's normal: (v1 - v0) x (v2 - v0) for a triangle, summed over the fan
            // from v0 for more corners; half its length is the face's area.
            const Vec3 at = toVec3(mesh.vertices[static_cast<std::size_t>(vertex)]);
            if (c == 0)
                corner0 = at;
            else if (c >= 2)
                winding += cross(previous - corner0, at - corner0);
            previous = at;
        }
        if (const std::string_view rest = trimmed(words.rest()); !rest.empty())
            problem(lineNumber_, face() + " has more than its " + number(count) +
                                     " vertices: the game ignores " + quoted(rest));
        windings_.push_back(placed ? winding : Vec3{});
        if (placed)
            keepArea({lineNumber_, k, m, length(winding) / 2.0});
    }

    // Only the smallest areas can fall under the share of the extent, and no more of them are
    // listed than problems are: keeping that many bounds the memory whatever the faces.
    void keepArea(const FaceArea& face) {
        if (!std::isfinite(face.area))
            return;
        if (areas_.size() <= kMaxReportedProblems) {
            areas_.push_back(face);
            std::push_heap(areas_.begin(), areas_.end());
        } else if (face < areas_.front()) {
            std::pop_heap(areas_.begin(), areas_.end());
            areas_.back() = face;
            std::push_heap(areas_.begin(), areas_.end());
        }
    }

    void readHierarchy() {
        expect(" hierarchy nodes %d", "\"HIERARCHY NODES count\"");
        const long long declared = count("HIERARCHY NODES");
        if (declared == 0)
            refused(lineNumber_, "the model has no hierarchy node, yet the game draws node 0" +
                                     std::string(kPastMemory));
        for (long long k = 0; k < declared; ++k) {
            expect(" %d: %x %x %d %d %d %d %d %f %f %f %f %f %f %f %f %f %s", [k] {
                return "node " + number(k) +
                       " (\"n: flags type mesh parent child sibling numChildren x y z "
                       "pitch yaw roll pivotx pivoty pivotz name\", the name one word)";
            });
            numbered("hierarchy node", k);
            HierarchyNode& node = nodes_.emplace_back();
            node.line = lineNumber_;
            // %d values fit the game's int.
            const auto integer = [this](std::size_t at) {
                return static_cast<int>(values_[at].integer);
            };
            node.mesh = integer(3);
            node.parent = integer(4);
            node.child = integer(5);
            node.sibling = integer(6);
            node.children = integer(7);
            const auto real = [this](std::size_t at) { return gameFloat(values_[at].real); };
            node.position = {real(8), real(9), real(10)};
            node.angles = {real(11), real(12), real(13)};
            node.pivot = {real(14), real(15), real(16)};
            const std::string_view name = values_[17].name;
            node.nameLength = static_cast<unsigned char>(std::min(name.size(), node.name.size()));
            std::copy_n(name.begin(), node.nameLength, node.name.begin());
            checkNode(node, k, name);
        }
        placeHierarchy(nodes_, [this](long long line, std::string text, bool refusedIt) {
            if (refusedIt)
                refused(line, std::move(text));
            else
                problem(line, std::move(text));
        });
    }

    void checkNode(HierarchyNode& node, long long k, std::string_view name) {
        const auto which = [k] { return "node " + number(k); };
        // The loader reads the name into the node's 32 bytes, the rest over what follows them.
        if (name.size() > kGameMaxNameLength)
            refused(node.line, which() + " name " + quoted(name) + " has " +
                                   number(static_cast<long long>(name.size())) +
                                   " characters; the game keeps at most " +
                                   number(static_cast<long long>(kGameMaxNameLength)) +
                                   std::string(kPastMemory));
        // The game draws geoset 0, and the others' meshes by the same numbers.
        const std::size_t geosets = std::max<std::size_t>(geosets_.size(), 1);
        for (std::size_t g = 0; g < geosets; ++g) {
            const auto meshes =
                static_cast<long long>(g < geosets_.size() ? geosets_[g].size() : 0);
            if (node.mesh < -1 || node.mesh >= meshes) {
                refused(node.line, which() + " draws mesh " +
                                       number(static_cast<long long>(node.mesh)) + "; geoset " +
                                       number(static_cast<long long>(g)) + " has " +
                                       number(meshes) + std::string(kPastMemory));
                node.mesh = -1;
                break;
            }
        }
    }

    // The model's radius, seen from the origin, must cover every drawn vertex as its node places
    // it; a face's area is measured against the extent of those vertices. A node that only
    // moves its mesh moves the mesh's box with it, and a sphere of the mesh's own farthest vertex
    // around where it carries the mesh's origin holds every vertex: vertices are placed one by
    // one only where that sphere is not inside the radius, or the node turns its mesh, and only
    // within a budget proportional to the text. Past it, a turned mesh's box is bounded by its
    // placed corners, and the radius said uncertain where the sphere does not settle it.
    void checkPlacedModel(long long line, double radius) {
        long long& budget = budget_;
        budget = kCheckPlacedVerticesPerByte * static_cast<long long>(bytes_);
        double farthest = 0.0;  // certainly reached
        double uncertain = 0.0; // reached at most, where vertices were not placed
        Box box;
        for (const HierarchyNode& node : nodes_) {
            if (!node.drawn || node.mesh < 0)
                continue;
            for (const std::vector<Mesh>& geoset : geosets_) {
                const Mesh& mesh = geoset[static_cast<std::size_t>(node.mesh)];
                if (mesh.vertices.empty())
                    continue;
                const Placement& place = node.placement;
                const bool turned = place.rotation != Placement{}.rotation;
                const double bound = length(place.offset) + mesh.farthest;
                const bool needed = turned || bound > radius;
                const auto size = static_cast<long long>(mesh.vertices.size());
                if (needed && budget >= size) {
                    budget -= size;
                    for (const Vertex& v : mesh.vertices) {
                        const Vec3 placed = place(toVec3(v));
                        farthest = std::max(farthest, length(placed));
                        box.add(placed);
                    }
                    continue;
                }
                if (!turned) {
                    box.add(mesh.box.low + place.offset);
                    box.add(mesh.box.high + place.offset);
                } else {
                    for (int corner = 0; corner < 8; ++corner)
                        box.add(place({corner & 1 ? mesh.box.high.x : mesh.box.low.x,
                                       corner & 2 ? mesh.box.high.y : mesh.box.low.y,
                                       corner & 4 ? mesh.box.high.z : mesh.box.low.z}));
                }
                farthest = std::max(farthest, length(place(toVec3(mesh.vertices.front()))));
                if (bound > radius)
                    uncertain = std::max(uncertain, bound);
            }
        }
        if (radius < farthest)
            problem(line, "model RADIUS " + number(radius) + " is less than its farthest vertex, " +
                              number(farthest) + " from the origin");
        else if (radius < uncertain)
            problem(line, "model RADIUS " + number(radius) +
                              " may not cover every vertex: nodes that draw their meshes many "
                              "times over place them up to " +
                              number(uncertain) + " from the origin");

        const double extent = box.extent();
        std::sort(areas_.begin(), areas_.end(),
                  [](const FaceArea& a, const FaceArea& b) { return a.line < b.line; });
        for (const FaceArea& face : areas_)
            if (!(face.area > kGameMinFaceAreaShare * extent * extent))
                problem(face.line, "face " + number(face.face) + " of mesh " + number(face.mesh) +
                                       " has an area of " + number(face.area) + ", not above " +
                                       number(kGameMinFaceAreaShare) + " of the model's extent (" +
                                       number(extent) +
                                       ") squared: the game cannot draw it reliably");
    }

    // A turned vertex normal is measured again against every face around its point as the nodes
    // place the meshes, in its geoset: where meshes meet, a normal made for the whole surface
    // lights each mesh's border alike. Within the budget of placed vertices; past it, or for a
    // mesh no node draws, the faces of its own mesh decide.
    void checkTurnedNormals() {
        if (turned_.empty())
            return;
        std::size_t meshes = 0;
        for (const std::vector<Mesh>& geoset : geosets_)
            meshes = std::max(meshes, geoset.size());
        std::vector<const HierarchyNode*> drawer(meshes);
        for (const HierarchyNode& node : nodes_)
            if (node.drawn && node.mesh >= 0 && !drawer[static_cast<std::size_t>(node.mesh)])
                drawer[static_cast<std::size_t>(node.mesh)] = &node;
        const auto pointOf = [&](const HierarchyNode& node, std::size_t g, const Vertex& v) {
            const Vec3 p = node.placement(toVec3(v));
            return PlacedPoint{static_cast<float>(g), gameFloat(p.x), gameFloat(p.y),
                               gameFloat(p.z)};
        };
        std::unordered_map<PlacedPoint, Vec3, PlacedPointHash> around;
        for (const TurnedNormal& t : turned_)
            if (const HierarchyNode* node = drawer[t.mesh])
                around.emplace(
                    pointOf(*node, t.geoset, geosets_[t.geoset][t.mesh].vertices[t.vertex]),
                    Vec3{});
        bool placedAll = true;
        for (std::size_t g = 0; g < geosets_.size() && placedAll; ++g)
            for (const HierarchyNode& node : nodes_) {
                if (!node.drawn || node.mesh < 0)
                    continue;
                const Mesh& mesh = geosets_[g][static_cast<std::size_t>(node.mesh)];
                budget_ -= static_cast<long long>(mesh.vertices.size());
                if (budget_ < 0) {
                    placedAll = false;
                    break;
                }
                for (std::size_t k = 0; k < mesh.vertices.size(); ++k)
                    if (const auto at = around.find(pointOf(node, g, mesh.vertices[k]));
                        at != around.end())
                        at->second += toVec3(mesh.faceNormals[k]);
            }
        for (const TurnedNormal& t : turned_) {
            double cosine = t.cosine;
            if (const HierarchyNode* node = drawer[t.mesh]; node && placedAll) {
                const Vec3 faces = around.at(
                    pointOf(*node, t.geoset, geosets_[t.geoset][t.mesh].vertices[t.vertex]));
                const double scale = length(t.normal) * length(faces);
                cosine = scale > 0.0 ? dot(t.normal, faces) / scale : 1.0;
            }
            if (cosine < 0.0)
                problem(t.line, "the normal of vertex " + number(static_cast<long long>(t.vertex)) +
                                    " of mesh " + number(static_cast<long long>(t.mesh)) +
                                    " points more than 90 degrees away from the normals of the "
                                    "faces around it (cosine " +
                                    number(cosine) +
                                    " with their sum): the game lights them as if from behind");
        }
    }

    // The game collides with geoset 0's meshes as written, with the thing's own placement only.
    void checkWalkable() {
        if (!geosets_.empty()) {
            const std::vector<Mesh>& meshes = geosets_[0];
            std::vector<const HierarchyNode*> drawer(meshes.size()), misplacer(meshes.size());
            for (const HierarchyNode& node : nodes_) {
                if (!node.drawn || node.mesh < 0)
                    continue;
                const auto m = static_cast<std::size_t>(node.mesh);
                drawer[m] = drawer[m] ? drawer[m] : &node;
                if (!misplacer[m] && !node.placement.identity())
                    misplacer[m] = &node;
            }
            for (std::size_t m = 0; m < meshes.size(); ++m) {
                const std::string which = "mesh " + number(static_cast<long long>(m));
                if (const HierarchyNode* node = misplacer[m]) {
                    const Vec3 at = node->placement.offset;
                    const std::string offset =
                        "(" + number(at.x) + ", " + number(at.y) + ", " + number(at.z) + ")";
                    if (node->placement.rotation == Placement{}.rotation)
                        problem(node->line, which + " is drawn at node offset " + offset +
                                                " but the game collides with it at the thing's "
                                                "origin");
                    else
                        problem(node->line,
                                which + " is drawn turned by its nodes, its origin at " + offset +
                                    ", but the game collides with it unturned, at "
                                    "the thing's origin");
                } else if (!drawer[m]) {
                    problem(meshes[m].line, which + " is drawn by no node, but the game collides "
                                                    "with it where it is written: an unseen wall");
                }
            }
        }
        result_.notes.push_back("the game tests all " + number(collided_) +
                                " faces of geoset 0 on each collision query near the thing, and "
                                "a move makes several");
        result_.notes.push_back(number(steep_) +
                                " of them are too steep to stand on: their "
                                "normal's z is under " +
                                number(kGameMinFloorNormalZ) +
                                ", and the game's floor search lands on none such (for a thing "
                                "placed unturned)");
    }

    CheckOptions options_;
    long long materials_ = 0;
    std::vector<std::vector<Mesh>> geosets_;
    std::deque<HierarchyNode> nodes_; // never moved as it grows
    // Of the mesh being read: its vertex normals, its faces' windings, and the vertices each
    // face uses (face k's from firstCorners_[k] to firstCorners_[k + 1]).
    std::vector<VertexNormal> normals_;
    std::vector<Vec3> windings_;
    std::vector<std::size_t> corners_;
    std::vector<std::size_t> firstCorners_;
    std::vector<FaceArea> areas_; // a heap: the largest first
    std::vector<TurnedNormal> turned_;
    long long budget_ = 0;   // vertices still to be placed one by one
    long long collided_ = 0; // faces of geoset 0
    long long steep_ = 0;    // of those, with a normal z under kGameMinFloorNormalZ
};

} // namespace

ModelCheck checkModel(const std::function<std::string_view()>& next, CheckOptions options) {
    return Checker(next, options).run();
}

ModelCheck checkModel(std::string_view text, CheckOptions options) {
    bool given = false;
    return checkModel(
        [&]() {
            const bool first = !given;
            given = true;
            return first ? text : std::string_view();
        },
        options);
}

} // namespace grondel
