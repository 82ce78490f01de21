#include "model3do/model_check.h"

#include <string>

#include <gtest/gtest.h>

using namespace grondel;

namespace {

const std::string kMesh(31, 'm'), kNode(31, 'n'); // names as long as the game takes

// A hand-written model: one mesh kMesh, every vertex at (1, 0, 0) from its node kNode, which sits
// at (10, 0, 0) under a root node without a mesh. Face corners are vertices 0, 1, 2, ...
std::string build(int vertices = 4, int textures = 4, int faces = 2, int corners = 3) {
    using std::to_string;
    const auto list = [](std::string text, int count, const std::string& line) {
        for (int k = 0; k < count; ++k)
            text += "\r\n" + to_string(k) + ": " + line;
        return text + "\r\n\r\n";
    };
    std::string face = "0 0x0 4 3 1 0 " + to_string(corners);
    for (int c = 0; c < corners; ++c)
        face += " " + to_string(c) + ", " + to_string(c);
    return "# a hand-written model\r\n\r\nSECTION: HEADER\r\n3DO 2.1\r\n\r\n"
           "SECTION: MODELRESOURCE\r\nMATERIALS 1\r\n0: dflt.mat\r\n\r\n"
           "SECTION: GEOMETRYDEF\r\nRADIUS 11\r\nINSERT OFFSET 0 0 0\r\nGEOSETS 1\r\n"
           "GEOSET 0\r\nMESHES 1\r\n\r\nMESH 0\r\nNAME " +
           kMesh + "\r\nRADIUS 1\r\nGEOMETRYMODE 4\r\nLIGHTINGMODE 3\r\nTEXTUREMODE 1\r\n\r\n" +
           list("VERTICES " + to_string(vertices), vertices, "1 0 0 0") +
           list("TEXTURE VERTICES " + to_string(textures), textures, "1 0.5") +
           list("VERTEX NORMALS", vertices, "0 0 1") +
           list("FACES " + to_string(faces), faces, face) + list("FACE NORMALS", faces, "0 0 1") +
           "SECTION: HIERARCHYDEF\r\nHIERARCHY NODES 2\r\n"
           "0: 0x0 0x1 -1 -1 1 -1 1 0 0 0 0 0 0 0 0 0 root\r\n"
           "1: 0x0 0x1 0 0 -1 -1 0 10 0 0 0 0 0 0 0 0 " +
           kNode + "\r\n";
}

std::string edited(std::string text, std::string_view from, std::string_view to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST(ModelCheck, GivesEachModelItsVerdictWithEachProblemAtItsLine) {
    const std::string good = build();
    const auto e = [&](std::string_view a, std::string_view b) { return edited(good, a, b); };
    std::string unixLines = good;
    std::erase(unixLines, '\r');
    // Lines starting with ';' or '#' are skipped, text after '#' is cut, case does not matter,
    // any run of spaces or tabs separates words, and numbers may take "%f"'s other forms.
    std::string relaxed = e("SECTION: HEADER", "; header next\r\nsection:   Header");
    relaxed = edited(relaxed, "RADIUS 11", "RADIUS +1.1e1 # covers node 1");
    relaxed = edited(relaxed, "1: 1 0 0 0", "1:\t1. .0 0 -0");
    relaxed = edited(relaxed, "0: 0 0x0 4 3 1 0 3 0, 0 1, 1", "0: 0 0X2 4 3 1 0.5 3 0,0 1 ,1");
    struct Case {
        std::string text;
        std::size_t problems = 0;
        std::string_view words;   // in the first problem; for a good model, what it shows
        std::string_view at = ""; // on the line the first problem is reported at
    };
    for (const Case& c : std::initializer_list<Case>{
             {good, 0, "good"},
             {unixLines, 0, "LF line ends"},
             {relaxed, 0, "relaxed forms"},
             {build(512, 768, 512, 24), 0, "at the limits"},
             {e("\r\nVERTICES", "\r\n   \r\nVERTICES"), 1, "only spaces", "   \r"},
             {e("1: 0 0 1\r\n\r\nSECTION: HI", "\r\nSECTION: HI"), 1, "normal of face 1",
              "SECTION: HI"},
             {build(513), 1, "VERTICES 513", "VERTICES 513"},
             {build(4, 769), 1, "TEXTURE VERTICES 769", "TEXTURE VERTICES 769"},
             {build(25, 25, 1, 25), 1, "25 vertices", "0: 0 0x0"},
             {e("NODES 2", "NODES 3") + "2: 0x0 0x1 0 0 -1 -1 0 0 0 0 0 0 0 0 0 0 stray\r\n", 1,
              "node 2 \"stray\" cannot be reached", "2: 0x0"},
             {e(kMesh, kMesh + "m"), 1, "32 characters", "NAME m"},
             {e(kNode, kNode + "n"), 1, "32 characters", "1: 0x0"},
             {e("RADIUS 1\r", "RADIUS 0.999999\r"), 1, "mesh 0 RADIUS", "RADIUS 0.9"},
             {e("RADIUS 11", "RADIUS 10.999999"), 1, "model RADIUS", "RADIUS 10.9"},
             {e("3 0, 0 1, 1 2, 2", "3 0, 0 4, -1 2, 2"), 2, "uses vertex 4", "0: 0 0x0"},
             {e("SECTION: MODELRESOURCE\r\n", ""), 1, "\"SECTION: MODELRESOURCE\"", "MATERIALS"},
             // Five geosets also leave geoset 1 missing.
             {e("GEOSETS 1", "GEOSETS 5"), 2, "the game takes at most 4", "GEOSETS"},
             {e("# a hand", "#" + std::string(1100, 'x')), 1, "at most 1024", "#xx"},
             {e("0 0 -1 -1 0 10", "0 0 1 -1 1 10"), 1, "lead back to node 1", "1: 0x0"},
             {e("0 0 -1 -1 0 10", "0 1 -1 -1 0 10"), 1, "parent chain of node 1 loops", "1: 0x0"},
             {e("1: 0x0 0x1 0", "1: 0x0 0x1 1"), 1, "draws mesh 1; geoset 0 has 1", "1: 0x0"},
             // Counts are not trusted for memory or time.
             {e("VERTICES 4", "VERTICES 2000000000"), 2, "VERTICES 2000000000;", "VERTICES 2"},
             {e("MESHES 1", "MESHES 9223372036854775807"), 1, "expected \"MESH 1\"", "SECTION: HI"},
             {e("NODES 2", "NODES 99999999999999999999"), 1, "HIERARCHY NODES count",
              "HIERARCHY N"},
             {e("-1 -1 1 -1 1", "-1 -1 1 -1 2000000000"), 1, "chain ends after 1", "0: 0x0"},
         }) {
        const ModelCheck check = checkModel(c.text);
        std::string listed(c.words);
        for (const ModelProblem& problem : check.problems)
            listed += "\n  line " + std::to_string(problem.line) + ": " + problem.text;
        SCOPED_TRACE(listed);
        ASSERT_EQ(check.problems.size(), c.problems);
        if (c.problems == 0)
            continue;
        EXPECT_NE(check.problems[0].text.find(c.words), std::string::npos);
        const auto at = c.text.begin() + c.text.find(c.at);
        EXPECT_EQ(check.problems[0].line, std::count(c.text.begin(), at, '\n') + 1);
    }
}

TEST(ModelCheck, AnyBytesGiveAVerdictWithoutRunningAway) {
    const std::string good = build();
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_EQ(checkModel(good.substr(0, size)).ok(), size > good.rfind(' ') + 1) << size;
    EXPECT_FALSE(checkModel(std::string(1'000'000, '\n')).ok());
    // Past a hundred problems the list stops, saying so: here each face uses 20 missing vertices.
    const ModelCheck check = checkModel(build(4, 4, 400, 24));
    ASSERT_EQ(check.problems.size(), kMaxReportedProblems + 1);
    EXPECT_NE(check.problems.back().text.find("stops"), std::string::npos);
}
