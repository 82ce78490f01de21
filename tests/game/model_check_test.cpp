#include "export/editor_model.h"
#include "export/model_check.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

// A hand-written model: one mesh with its vertices on the unit circle around its node, which
// sits at (10, 0, 0) under a root node without a mesh. Farthest vertex: 1 from the node, 11 from
// the origin.
struct Spec {
    int vertices = 4;
    int textureVertices = 4;
    int faces = 2;
    int faceVertices = 3;
    int faceNormals = -1; // one per face
    std::string meshName = "square";
    std::string nodeName = "square";
    std::string meshRadius = "1";
    std::string modelRadius = "11";
    std::string lineEnd = "\r\n";
};

std::string build(const Spec& s) {
    const auto n = [](int value) { return std::to_string(value); };
    std::string t = "# a hand-written model\n\nSECTION: HEADER\n\n3DO 2.1\n\n"
                    "SECTION: MODELRESOURCE\n\nMATERIALS 1\n0: dflt.mat\n\n"
                    "SECTION: GEOMETRYDEF\n\nRADIUS " +
                    s.modelRadius +
                    "\n\nINSERT OFFSET 0 0 0\n\nGEOSETS 1\n\nGEOSET 0\n\nMESHES 1\n\nMESH 0\n"
                    "NAME " +
                    s.meshName + "\nRADIUS " + s.meshRadius +
                    "\nGEOMETRYMODE 4\nLIGHTINGMODE 3\nTEXTUREMODE 1\n\nVERTICES " + n(s.vertices) +
                    "\n\n";
    const char* corners[] = {"1 0 0", "0 1 0", "-1 0 0", "0 -1 0"};
    for (int k = 0; k < s.vertices; ++k)
        t += n(k) + ": " + corners[k % 4] + " 0\n";
    t += "\nTEXTURE VERTICES " + n(s.textureVertices) + "\n\n";
    for (int k = 0; k < s.textureVertices; ++k)
        t += n(k) + ": " + n(k) + " 0.5\n";
    t += "\nVERTEX NORMALS\n\n";
    for (int k = 0; k < s.vertices; ++k)
        t += n(k) + ": 0 0 1\n";
    t += "\nFACES " + n(s.faces) + "\n\n";
    for (int f = 0; f < s.faces; ++f) {
        t += n(f) + ": 0 0x0 4 3 1 0 " + n(s.faceVertices);
        for (int m = 0; m < s.faceVertices; ++m)
            t.append(" ")
                .append(n((f + m) % s.vertices))
                .append(", ")
                .append(n((f + m) % s.textureVertices));
        t += "\n";
    }
    t += "\nFACE NORMALS\n\n";
    for (int f = 0; f < (s.faceNormals < 0 ? s.faces : s.faceNormals); ++f)
        t += n(f) + ": 0 0 1\n";
    t += "\nSECTION: HIERARCHYDEF\n\nHIERARCHY NODES 2\n"
         "0: 0x0 0x1 -1 -1 1 -1 1 0 0 0 0 0 0 0 0 0 root\n"
         "1: 0x0 0x1 0 0 -1 -1 0 10 0 0 0 0 0 0 0 0 " +
         s.nodeName + "\n";

    std::string out;
    for (char c : t)
        out += c == '\n' ? s.lineEnd : std::string(1, c);
    return out;
}

std::string edited(std::string text, std::string_view from, std::string_view to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The number of the first line that starts with head.
long long lineOf(const std::string& text, std::string_view head) {
    long long line = 1;
    for (std::size_t start = 0; start < text.size(); ++line) {
        if (std::string_view(text).substr(start).starts_with(head))
            return line;
        const auto end = text.find('\n', start);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return -1;
}

bool mentions(const ModelCheck& check, std::string_view words) {
    for (const ModelProblem& problem : check.problems)
        if (problem.text.find(words) != std::string::npos)
            return true;
    return false;
}

std::string listed(const ModelCheck& check) {
    std::string out;
    for (const ModelProblem& problem : check.problems)
        out += "\n  line " + std::to_string(problem.line) + ": " + problem.text;
    return out;
}

} // namespace

TEST(ModelCheck, TakesHandWrittenModelsAtTheLimits) {
    Spec atLimits;
    atLimits.vertices = 512;
    atLimits.textureVertices = 768;
    atLimits.faces = 512;
    atLimits.faceVertices = 24;
    atLimits.meshName = std::string(31, 'm');
    atLimits.nodeName = std::string(31, 'n');
    Spec unixLines;
    unixLines.lineEnd = "\n";

    for (const Spec& spec : {Spec{}, atLimits, unixLines}) {
        const ModelCheck check = checkModel(build(spec));
        EXPECT_TRUE(check.ok()) << listed(check);
        EXPECT_EQ(check.meshes, 1);
        EXPECT_EQ(check.vertices, spec.vertices);
        EXPECT_EQ(check.faces, spec.faces);
    }

    // Lines starting with ';' or '#' are skipped, text after '#' is cut, case does not matter,
    // any run of spaces separates words, and numbers may take "%f"'s other forms.
    std::string relaxed =
        edited(build({}), "SECTION: HEADER", "; header next\r\nsection:   Header");
    relaxed = edited(relaxed, "RADIUS 11", "RADIUS +1.1e1 # covers node 1");
    relaxed = edited(relaxed, "1: 0 1 0 0", "1:\t.0 1. 0 -0");
    relaxed = edited(relaxed, "0: 0 0x0 4 3 1 0 3 0, 0 1, 1", "0: 0 0X2 4 3 1 0.5 3 0,0 1 ,1");
    const ModelCheck check = checkModel(relaxed);
    EXPECT_TRUE(check.ok()) << listed(check);
}

TEST(ModelCheck, EachGameRuleIsReportedOnceAtItsLine) {
    struct Case {
        const char* rule;
        std::string text;
        std::string_view words; // in the one problem reported
        std::string_view line;  // the start of the line it is reported at
    };
    const std::string good = build({});
    Spec vertices513, textures769, face25, missingNormal, longMesh, longNode, smallMesh, smallModel;
    vertices513.vertices = 513;
    textures769.textureVertices = 769;
    face25.vertices = face25.textureVertices = face25.faceVertices = 25;
    face25.faces = 1;
    missingNormal.faceNormals = 1;
    longMesh.meshName = std::string(32, 'm');
    longNode.nodeName = std::string(32, 'n');
    smallMesh.meshRadius = "0.999999";
    smallModel.modelRadius = "10.999999";
    const std::string stray = edited(good, "HIERARCHY NODES 2", "HIERARCHY NODES 3") +
                              "2: 0x0 0x1 0 0 -1 -1 0 0 0 0 0 0 0 0 0 0 stray\r\n";

    for (const Case& c : {
             Case{"spaces", edited(good, "\r\n\r\nVERTICES", "\r\n   \r\nVERTICES"), "only spaces",
                  "   "},
             Case{"indented comment", edited(good, "\r\n\r\nFACES", "\r\n  # faces\r\nFACES"),
                  "indented comment", "  # faces"},
             Case{"missing face normal", build(missingNormal), "normal of face 1",
                  "SECTION: HIERARCHYDEF"},
             Case{"513 vertices", build(vertices513), "VERTICES 513", "VERTICES 513"},
             Case{"769 texture vertices", build(textures769), "TEXTURE VERTICES 769",
                  "TEXTURE VERTICES 769"},
             Case{"25-vertex face", build(face25), "25 vertices", "0: 0 0x0"},
             Case{"unreachable node", stray, "node 2 \"stray\" cannot be reached", "2: 0x0"},
             Case{"long mesh name", build(longMesh), "32 characters", "NAME mmm"},
             Case{"long node name", build(longNode), "32 characters", "1: 0x0"},
             Case{"small mesh radius", build(smallMesh), "mesh 0 RADIUS", "RADIUS 0.999999"},
             Case{"small model radius", build(smallModel), "model RADIUS", "RADIUS 10.999999"},
         }) {
        SCOPED_TRACE(c.rule);
        const ModelCheck check = checkModel(c.text);
        ASSERT_EQ(check.problems.size(), 1u) << listed(check);
        EXPECT_NE(check.problems[0].text.find(c.words), std::string::npos) << listed(check);
        EXPECT_EQ(check.problems[0].line, lineOf(c.text, c.line)) << listed(check);
    }
}

TEST(ModelCheck, NumbersOutOfRangeAndBrokenStructureAreNamed) {
    const std::string face0 = "0: 0 0x0 4 3 1 0 3 0, 0 1, 1 2, 2";
    struct Case {
        std::string from, to;
        const char* words;
    };
    for (const auto& [from, to, words] : {
             Case{face0, "0: 0 0x0 4 3 1 0 3 0, 0 4, 1 2, 2", "uses vertex 4; the mesh has 4"},
             Case{face0, "0: 0 0x0 4 3 1 0 3 0, 0 1, -1 2, 2", "uses texture vertex -1"},
             Case{face0, "0: 0 0x0 4 3 1 0 3 0, 0 1, 1", "lists 2 vertices but says 3"},
             Case{face0, "0: 0 0x0 4 3 1 0 3 0 0 1 1 2 2", "\"v, t\" pairs"},
             Case{"1: 0 1 0 0", "2: 0 1 0 0", "numbered 2 where 1 belongs"},
             Case{"SECTION: MODELRESOURCE\r\n", "", "expected \"SECTION: MODELRESOURCE\""},
             Case{"GEOSETS 1", "GEOSETS 5", "GEOSETS 5; the game takes at most 4"},
             Case{"# a hand", "#" + std::string(1100, 'x'), "at most 1024"},
             Case{"-1 -1 1 -1 1", "-1 -1 1 -1 2", "chain ends after 1"},
             Case{"0 0 -1 -1 0 10", "0 0 1 -1 1 10", "lead back to node 1"},
             Case{"0 0 -1 -1 0 10", "0 1 -1 -1 0 10", "parent chain of node 1 loops"},
             Case{"1: 0x0 0x1 0", "1: 0x0 0x1 1", "draws mesh 1; geoset 0 has 1"},
         }) {
        const ModelCheck check = checkModel(edited(build({}), from, to));
        EXPECT_TRUE(mentions(check, words)) << to << listed(check);
    }
}

TEST(ModelCheck, EditorModelNamesItsMissingFaceNormalsAndTheVertexLimit) {
    HeightMap grid;
    for (int x = 0; x < kMaxEdge; ++x)
        for (int y = 0; y < kMaxEdge; ++y)
            (void)grid.set(x, y, packColour(x * 4, y * 4, 0));
    for (int edge : {16, 32, 64}) {
        SCOPED_TRACE(edge);
        const std::string text = *formatEditorModel(grid, edge);
        const ModelCheck check = checkModel(text);
        EXPECT_TRUE(mentions(check, "the game needs one face normal per face")) << listed(check);
        EXPECT_EQ(check.problems.back().line, lineOf(text, "SECTION:         HIERARCHYDEF"));
        EXPECT_EQ(mentions(check, "VERTICES " + std::to_string(edge * edge) +
                                      "; the game takes at most 512"),
                  edge > 16)
            << listed(check);
        // Its radius of 1.5 is far smaller than the terrain.
        EXPECT_TRUE(mentions(check, "mesh 0 RADIUS 1.5 is less than")) << listed(check);
    }
}

TEST(ModelCheck, AnyBytesGiveAVerdictWithoutRunningAway) {
    // (The fuzz target feeds it arbitrary bytes; these are the cases worth keeping in sight.)
    const std::string good = build({});
    for (std::size_t size = 0; size < good.size(); ++size)
        (void)checkModel(std::string_view(good).substr(0, size));
    EXPECT_FALSE(checkModel(good.substr(0, good.find("HIERARCHY"))).ok());

    // Counts are not trusted for memory or time.
    for (const auto& [from, to] :
         {std::pair{"VERTICES 4", "VERTICES 2000000000"},
          std::pair{"MESHES 1", "MESHES 9223372036854775807"},
          std::pair{"HIERARCHY NODES 2", "HIERARCHY NODES 99999999999999999999"},
          std::pair{"-1 -1 1 -1 1", "-1 -1 1 -1 2000000000"}})
        EXPECT_FALSE(checkModel(edited(good, from, to)).ok()) << to;
    EXPECT_FALSE(checkModel(std::string(1'000'000, '\n')).ok());

    // Past a hundred problems the list stops, saying so.
    Spec many;
    many.faces = 400;
    std::string text = build(many);
    for (std::size_t at = text.find(", "); at != std::string::npos; at = text.find(", ", at + 1))
        text.replace(at, 2, ", 7"); // texture vertex 70 and the like
    const ModelCheck check = checkModel(text);
    ASSERT_EQ(check.problems.size(), kMaxReportedProblems + 1);
    EXPECT_NE(check.problems.back().text.find("stops"), std::string::npos);
}
