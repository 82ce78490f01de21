#include "model3do/editor_model.h"

#include "model3do/number_text.h"
#include "model3do/sections.h"

#include <string_view>

namespace grondel {
namespace {

constexpr std::string_view kTitle = "# MODEL heightmap by Grondel\r\n";

constexpr std::string_view kMaterialToRadius = "dflt.mat\r\n"
                                               "\r\n"
                                               "SECTION: GEOMETRYDEF\r\n"
                                               "\r\n"
                                               "RADIUS 1.5";

constexpr std::string_view kMeshesToModes = "1\r\n"
                                            "\r\n"
                                            "MESH 0\r\n"
                                            "NAME Layer0\r\n"
                                            "RADIUS 1.5\r\n";

constexpr std::string_view kTextureVertices = "\r\n"
                                              "TEXTURE VERTICES 1\r\n"
                                              "\r\n"
                                              "0: 320 -320\r\n"
                                              "\r\n"
                                              "VERTEX NORMALS\r\n"
                                              "\r\n";

constexpr std::string_view kTail =
    "\r\n"
    "FACE NORMALS\r\n"
    "\r\n"
    "SECTION:         HIERARCHYDEF\r\n"
    "\r\n"
    "HIERARCHY NODES 1\r\n"
    "# num: flags: type: mesh: parent: child:  sibling:  numChildren: x:   y:  z:  pitch: yaw: "
    "roll: pivotx: pivoty: pivotz: hnodename:\r\n"
    "0:     0x0    0x1     0     -1      -1     -1        0     0.000000 0.000000 0.000000  "
    "0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 Layer0\r\n";

// One face line: "f: 0 0x0 4 3 1 0 3 v0, 0 v1, 0 v2, 0".
void appendFace(ModelText& out, int face, int v0, int v1, int v2) {
    out.integer(face) << sections::kFaceFlags;
    out.integer(v0) << ", 0 ";
    out.integer(v1) << ", 0 ";
    out.integer(v2) << ", 0\r\n";
}

} // namespace

std::optional<std::string> formatEditorModel(const HeightMap& grid, int edge, std::string spare) {
    if (edge < 0 || edge > kMaxEdge)
        return std::nullopt;
    const int vertices = edge * edge;
    const int squares = edge > 1 ? (edge - 1) * (edge - 1) : 0;

    // Longest lines: about 40 bytes a vertex, 12 a normal, 50 a face.
    ModelText out(kTitle.size() + sections::kHeaderToMaterial.size() + kMaterialToRadius.size() +
                      sections::kRadiusToMeshCount.size() + kMeshesToModes.size() +
                      sections::kMeshModes.size() + kTextureVertices.size() + kTail.size() + 64 +
                      static_cast<std::size_t>(vertices) * 52 +
                      static_cast<std::size_t>(squares) * 100,
                  std::move(spare));

    out << kTitle << sections::kHeaderToMaterial << kMaterialToRadius
        << sections::kRadiusToMeshCount << kMeshesToModes << sections::kMeshModes
        << "\r\nVERTICES ";
    out.integer(vertices) << "\r\n\r\n";
    for (int i = 0; i < edge; ++i) {
        for (int j = 0; j < edge; ++j) {
            out.integer(i * edge + j) << ": ";
            out.halves(i) << ' ';
            out.halves(j) << ' ';
            out.shortest15(heightOf(grid(i, j))) << " 0.000000\r\n";
        }
    }
    out << kTextureVertices;
    for (int k = 0; k < vertices; ++k)
        out.integer(k) << ": 0 0 0\r\n";
    out << "\r\nFACES ";
    out.integer(2 * squares) << "\r\n\r\n";
    for (int i = 0; i + 1 < edge; ++i) {
        for (int j = 0; j + 1 < edge; ++j) {
            const int a = i * edge + j;
            const int b = a + 1;
            const int c = a + edge;
            const int d = c + 1;
            const int face = 2 * (i * (edge - 1) + j);
            appendFace(out, face, d, b, a);
            appendFace(out, face + 1, a, c, d);
        }
    }
    out << kTail;
    return std::move(out).take();
}

} // namespace grondel
