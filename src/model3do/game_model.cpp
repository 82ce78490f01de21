#include "model3do/game_model.h"

#include "model3do/game_numbers.h"
#include "model3do/number_text.h"
#include "model3do/sections.h"
#include "parallel/parallel.h"

#include <atomic>
#include <mutex>
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

// Room enough, mostly, for the text of piece k of the model's n + 2 (see below).
std::size_t pieceRoom(const GameModel& model, std::size_t k) {
    const auto decimals = static_cast<std::size_t>(model.quantumX + model.quantumY);
    if (k == 0)
        return 1024;
    if (k == model.meshes.size() + 1)
        return model.meshes.size() * (100 + decimals) + 1024;
    const GameMesh& mesh = model.meshes[k - 1];
    return mesh.vertices.size() * (130 + decimals) + mesh.faces.size() * 90 + 400;
}

} // namespace

std::string printGameModelInOrder(const GameModel& model,
                                  const std::function<std::string(std::string&& piece)>& take) {
    // Piece 0 is the head, 1 to n the meshes, n + 1 the hierarchy: the same bytes whatever the
    // number of threads.
    const std::size_t meshes = model.meshes.size(), count = meshes + 2;
    const auto print = [&](std::size_t k) {
        if (k == 0) {
            ModelText head(pieceRoom(model, k));
            head << "# MODEL game terrain by Grondel\r\n"
                 << sections::kHeaderToMaterial << model.material
                 << "\r\n"
                    "\r\n"
                    "SECTION: GEOMETRYDEF\r\n"
                    "\r\n"
                    "RADIUS ";
            appendShortest(head, model.radius) << sections::kRadiusToMeshCount;
            head.integer(static_cast<long long>(meshes)) << "\r\n\r\n";
            return std::move(head).take();
        }
        if (k == count - 1) {
            ModelText hierarchy(pieceRoom(model, k));
            appendHierarchy(hierarchy, model);
            return std::move(hierarchy).take();
        }
        const GameMesh& mesh = model.meshes[k - 1];
        ModelText out(pieceRoom(model, k));
        appendMesh(out, model, k - 1, mesh);
        return std::move(out).take();
    };
    // Printed pieces wait here for those before them. One thread at a time hands them on, the
    // one whose piece was next, taking along any printed meanwhile.
    std::vector<std::string> printed(count);
    std::vector<bool> done(count, false);
    std::mutex lock;
    std::size_t next = 0;
    bool handing = false;
    std::string refusal;
    std::atomic<bool> refused{false};
    parallel::forEachIndex(count, [&](std::size_t k) {
        if (refused.load(std::memory_order_relaxed))
            return;
        std::string piece = print(k);
        std::unique_lock held(lock);
        printed[k] = std::move(piece);
        done[k] = true;
        if (handing)
            return;
        handing = true;
        while (refusal.empty() && next < count && done[next]) {
            std::string out = std::move(printed[next++]);
            held.unlock();
            std::string why = take(std::move(out));
            held.lock();
            if (!why.empty()) {
                refusal = std::move(why);
                refused.store(true, std::memory_order_relaxed);
            }
        }
        handing = false;
    });
    return refusal;
}

std::string printGameModel(const GameModel& model) {
    std::size_t room = 0;
    for (std::size_t k = 0; k < model.meshes.size() + 2; ++k)
        room += pieceRoom(model, k);
    std::string text;
    text.reserve(room); // pages of it the text does not reach are never touched
    (void)printGameModelInOrder(model, [&text](std::string&& piece) {
        text += piece;
        return std::string();
    });
    return text;
}

} // namespace grondel
