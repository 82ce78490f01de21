#include "model3do/game_model.h"

#include "model3do/game_numbers.h"
#include "model3do/number_text.h"
#include "model3do/sections.h"
#include "parallel/parallel.h"

#include <string_view>
#include <vector>

namespace grondel {
namespace {

using game_numbers::appendExact;
using game_numbers::appendShortest;

constexpr std::string_view kNodeFlags = ": 0x0 0x1 ";
constexpr std::string_view kNodeTurnAndPivot = " 0.000000 0.000000 0.000000 0.000000 0.000000 "
                                               "0.000000 ";

// "v0, v0 v1, v1 v2, v2": each vertex with the texture vertex of the same number.
void appendFace(ModelText& out, std::size_t face, const std::array<int, 3>& corners) {
    out.integer(static_cast<long long>(face)) << sections::kFaceFlags;
    out.integer(corners[0]) << ", ";
    out.integer(corners[0]) << ' ';
    out.integer(corners[1]) << ", ";
    out.integer(corners[1]) << ' ';
    out.integer(corners[2]) << ", ";
    out.integer(corners[2]) << "\r\n";
}

// "n: " and the item for each of items.
template <typename List, typename Append>
void appendList(ModelText& out, const List& items, Append&& appendItem) {
    for (std::size_t k = 0; k < items.size(); ++k) {
        out.integer(static_cast<long long>(k)) << ": ";
        appendItem(items[k]);
        out << "\r\n";
    }
}

// "x y z" with x and y exact on the model's quanta and z in its shortest form.
ModelText& appendPlace(ModelText& out, const GameModel& model, Vec3 v) {
    appendExact(out, v.x, model.quantumX) << ' ';
    appendExact(out, v.y, model.quantumY) << ' ';
    return appendShortest(out, v.z);
}

// "x y z", each in its shortest form.
ModelText& appendNormal(ModelText& out, Vec3 n) {
    appendShortest(out, n.x) << ' ';
    appendShortest(out, n.y) << ' ';
    return appendShortest(out, n.z);
}

void appendMesh(ModelText& out, const GameModel& model, std::size_t number, const GameMesh& mesh) {
    out << "MESH ";
    out.integer(static_cast<long long>(number)) << "\r\nNAME " << mesh.name << "\r\nRADIUS ";
    appendShortest(out, mesh.radius) << "\r\n" << sections::kMeshModes << "\r\nVERTICES ";
    out.integer(static_cast<long long>(mesh.vertices.size())) << "\r\n\r\n";
    appendList(out, mesh.vertices, [&](Vec3 v) { appendPlace(out, model, v) << " 0.000000"; });

    out << "\r\nTEXTURE VERTICES ";
    out.integer(static_cast<long long>(mesh.textureVertices.size())) << "\r\n\r\n";
    appendList(out, mesh.textureVertices, [&](const std::array<double, 2>& uv) {
        appendShortest(out, uv[0]) << ' ';
        appendShortest(out, uv[1]);
    });
    out << "\r\nVERTEX NORMALS\r\n\r\n";
    appendList(out, mesh.vertexNormals, [&](Vec3 n) { appendNormal(out, n); });

    out << "\r\nFACES ";
    out.integer(static_cast<long long>(mesh.faces.size())) << "\r\n\r\n";
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
        appendFace(out, f, mesh.faces[f]);
    out << "\r\nFACE NORMALS\r\n\r\n";
    appendList(out, mesh.faceNormals, [&](Vec3 n) { appendNormal(out, n); });
    out << "\r\n";
}

// Node 0 draws nothing and holds every mesh as a child: its child is node 1, and the siblings
// chain on to the last mesh's node.
void appendHierarchy(ModelText& out, const GameModel& model) {
    const auto meshes = static_cast<long long>(model.meshes.size());
    out << "SECTION: HIERARCHYDEF\r\n"
           "\r\n"
           "HIERARCHY NODES ";
    out.integer(meshes + 1) << "\r\n";
    out << "# num: flags: type: mesh: parent: child: sibling: numChildren: x: y: z: pitch: yaw: "
           "roll: pivotx: pivoty: pivotz: hnodename:\r\n";
    out << "0" << kNodeFlags << "-1 -1 1 -1 ";
    out.integer(meshes) << ' ';
    out << "0 0 0" << kNodeTurnAndPivot << "terrain\r\n";
    for (long long node = 1; node <= meshes; ++node) {
        const GameMesh& mesh = model.meshes[static_cast<std::size_t>(node - 1)];
        out.integer(node) << kNodeFlags;
        out.integer(node - 1) << " 0 -1 ";
        out.integer(node < meshes ? node + 1 : -1) << " 0 ";
        appendPlace(out, model, mesh.node) << kNodeTurnAndPivot << mesh.name << "\r\n";
    }
}

} // namespace

std::vector<std::string> printGameModelInPieces(const GameModel& model) {
    // Each mesh into a text of its own, on every thread there is: the same bytes whatever the
    // number of threads.
    const auto decimals = static_cast<std::size_t>(model.quantumX + model.quantumY);
    std::vector<std::string> pieces(model.meshes.size() + 2);
    parallel::forEachIndex(model.meshes.size(), [&](std::size_t m) {
        const GameMesh& mesh = model.meshes[m];
        ModelText out(mesh.vertices.size() * (130 + decimals) + mesh.faces.size() * 90 + 400);
        appendMesh(out, model, m, mesh);
        pieces[m + 1] = std::move(out).take();
    });

    ModelText head(1024);
    head << "# MODEL game terrain by Grondel\r\n"
         << sections::kHeaderToMaterial << model.material
         << "\r\n"
            "\r\n"
            "SECTION: GEOMETRYDEF\r\n"
            "\r\n"
            "RADIUS ";
    appendShortest(head, model.radius) << sections::kRadiusToMeshCount;
    head.integer(static_cast<long long>(model.meshes.size())) << "\r\n\r\n";
    pieces.front() = std::move(head).take();
    ModelText hierarchy(model.meshes.size() * (100 + decimals) + 1024);
    appendHierarchy(hierarchy, model);
    pieces.back() = std::move(hierarchy).take();
    return pieces;
}

std::string printGameModel(const GameModel& model) {
    std::vector<std::string> pieces = printGameModelInPieces(model);
    std::size_t size = 0;
    for (const std::string& piece : pieces)
        size += piece.size();
    std::string text;
    text.reserve(size);
    for (std::string& piece : pieces) {
        text += piece;
        std::string().swap(piece); // the model's text is not held twice over
    }
    return text;
}

} // namespace grondel
