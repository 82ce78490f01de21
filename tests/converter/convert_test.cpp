#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/game_model.h"
#include "model3do/material.h"
#include "picture/decode.h"
#include "picture/picture_writers.h"
#include "support/colormaps.h"
#include "support/game_models.h"
#include "support/process.h"
#include "support/std_files.h"
#include "terrain/game_terrain.h"

#include <algorithm>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;
namespace fs = std::filesystem;

namespace {

// A w x h colour gradient as a 24-bit bitmap, or as an RGB PNG.
std::string gradientBmp(int w, int h) {
    std::vector<std::string> rows;
    for (int y = h - 1; y >= 0; --y) { // bottom-up
        std::string row;
        for (int x = 0; x < w; ++x)
            row += {char(x * 3 + y), char(200 - y * 2), char(255 - x * 3)}; // blue, green, red
        rows.push_back(row);
    }
    return bmpFile({.width = w, .height = h}, bmpRows(rows));
}
std::string gradientPng(int w, int h) {
    std::vector<std::uint16_t> samples;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            samples.insert(samples.end(), {std::uint16_t(255 - x * 3), std::uint16_t(200 - y * 2),
                                           std::uint16_t((x * y) & 0xff)});
    return pngFile({.width = std::uint32_t(w), .height = std::uint32_t(h), .colourType = 2},
                   samples);
}

// What the window makes of these picture bytes at this edge: the editor or the game model.
std::string modelOf(const std::string& bytes, int edge, const GameModelOptions* game = nullptr) {
    const PictureResult decoded = decodePicture(bytes);
    EXPECT_TRUE(decoded.ok()) << decoded.error;
    HeightMap grid;
    EXPECT_TRUE(
        sampleSquare(edge, grid, [&](int x, int y) { return decoded.picture.packedColour(x, y); }));
    return game ? gameModelText(grid, edge, *game).text
                : formatEditorModel(grid, edge).value_or("");
}

// The lines of text, without their ends.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        out.push_back(text.substr(at, end - at));
    }
    return out;
}

// Every entry of a folder, hidden ones too: a stray temporary file shows up here.
std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Converter : public ::testing::Test {
protected:
    // Runs the built converter in the test folder, under a decimal-comma locale.
    Ran run(const std::vector<std::string>& arguments, RunOptions options = {}) {
        options.folder = folder.path();
        options.environment.push_back("LC_ALL=de_DE.UTF-8");
        return runProgram(GRONDEL_CONVERT, arguments, options);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        EXPECT_TRUE(writeFile(folder / name, bytes)) << name;
        return bytes;
    }
    std::string read(const std::string& name) const { return readFile(folder / name); }

    TemporaryFolder folder;
};

} // namespace

TEST_F(Converter, WritesWhatTheWindowMakesBesideEachPictureWhereToldOrToStandardOutput) {
    fs::create_directory(folder / "für später.d");
    const std::string square = gradientBmp(32, 32);
    struct Case {
        std::string picture, bytes;
        std::vector<std::string> options;
        int edge;
        std::string model; // "-": standard output
    };
    const Case cases[] = {
        {"own edge.bmp", gradientBmp(64, 64), {}, 64, "own edge.3do"},
        {"Höhe.v2.PNG", gradientPng(16, 16), {}, 16, "Höhe.v2.3do"},
        {"large.bmp", gradientBmp(128, 128), {"--size", "64"}, 64, "large.3do"},
        {"wide.bmp", gradientBmp(100, 40), {"-s", "64"}, 64, "wide.3do"},
        {"narrow.bmp", gradientBmp(10, 70), {"--size=16"}, 16, "narrow.3do"},
        {".dot", gradientBmp(1, 1), {"-s16"}, 16, ".dot.3do"},
        {"für später.d/Süd", square, {}, 32, "für später.d/Süd.3do"},
        {"k.bmp", square, {"-o", "für später.d/k"}, 32, "für später.d/k"},
        // The shipped samples, the way the README converts them.
        {"crater.bmp", readFile(sourcePath("examples/crater.bmp")), {"--output", "-"}, 64, "-"},
        {"hill.bmp", readFile(sourcePath("examples/hill.bmp")), {}, 64, "hill.3do"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        write(c.picture, c.bytes);
        std::vector<std::string> arguments = c.options;
        arguments.push_back(c.picture);
        const Ran result = run(arguments);
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(result.out.empty(), c.model != "-");
        EXPECT_EQ(c.model == "-" ? result.out : read(c.model), modelOf(c.bytes, c.edge));
    }
}

// A walkable game model comes with how to put it in a level, unless asked for quiet; scenery,
// which nobody walks on, with nothing.
TEST_F(Converter, AWalkableModelSaysHowToPutItInALevel) {
    write("Hill 2.bmp", readFile(sourcePath("examples/hill.bmp")));
    for (const auto& [options, advice] :
         std::initializer_list<std::pair<std::vector<std::string>, const char*>>{
             {{"--game"}, "terrain_hill_2 _walkstruct model3d=Hill 2.3do    # radius 22.29, "},
             {{"--game", "--quiet"}, nullptr},
             {{"--game", "--scenery"}, nullptr}}) {
        std::vector<std::string> arguments = options;
        arguments.push_back("Hill 2.bmp");
        const Ran result = run(arguments);
        EXPECT_EQ(result.status, 0);
        if (advice)
            EXPECT_NE(result.errors.find(advice), std::string::npos) << result.errors;
        else
            EXPECT_EQ(result.errors, "");
    }
}

// Work is bounded: a model the game could not take is refused with both numbers, and memory
// running out ends a picture with one line, never a signal. (The sanitizers take memory of
// their own and run it all many times slower: these are for the plain build.)
TEST_F(Converter, WorkBeyondItsBoundsIsRefusedInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "memory limits and long runs under AddressSanitizer";
#endif
    // 8192 x 8192 16-bit grey: 128 MiB decoded, a few hundred KB of file.
    constexpr std::uint32_t kSide = 8192;
    write("large.png", pngFileWithData({.width = kSide, .height = kSide, .depth = 16},
                                       zlibZeros(std::uint64_t{kSide} * (1 + 2 * kSide))));
    // A checkerboard needs every point at any error below its height: more faces than a game
    // model takes from 800 points a side.
    std::vector<std::uint16_t> squares(800 * 800);
    for (std::size_t k = 0; k < squares.size(); ++k)
        squares[k] = (k % 800 + k / 800) % 2 ? 65535 : 0;
    write("checkers.png", pngFile({.width = 800, .height = 800, .depth = 16}, squares));
    struct Case {
        std::vector<std::string> arguments;
        long long memory;
        const char* words;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{"--game", "--fit", "--heights", "grey", "large.png"},
              150'000'000,
              "large.png: out of memory while making its model"},
             {{"--game", "--fit", "--heights", "grey", "--max-error", "1", "checkers.png"},
              -1,
              "a largest error of 1 needs more than 1048576 faces, the most a game model takes "
              "(with that many the error is 5.33333)"}}) {
        RunOptions options;
        options.memoryLimit = c.memory;
        const Ran result = run(c.arguments, options);
        EXPECT_EQ(result.status, 1) << result.errors;
        EXPECT_NE(result.errors.find(c.words), std::string::npos) << result.errors;
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1);
    }
    EXPECT_EQ(entries(folder.path()), (std::vector<std::string>{"checkers.png", "large.png"}));
}

// A texture of the terrain's own is written as a material beside the model, in mat/, and the
// model names it; what it is made of is read first, and any fault there writes nothing.
TEST_F(Converter, ATextureIsAMaterialWrittenWithItsModelOrNotAtAll) {
    write("Crater.bmp", readFile(sourcePath("examples/crater.bmp")));
    write("crater.png", gradientPng(64, 64));
    write("cube.cmp", colormapBytes(colourCube()));
    write("cut.cmp", colormapBytes(colourCube()).substr(0, 900));
    for (const auto& [arguments, status, words] :
         std::initializer_list<std::tuple<std::vector<std::string>, int, const char*>>{
             {{"--texture", "nowhere.png"}, 1, "--texture nowhere.png: No such file"},
             {{"--texture", "shaded", "--texture-size", "300"},
              1,
              "--texture-size must be a power of two from 8 to 1024, not \"300\""},
             {{"--texture", "shaded", "--texture-size", "2048"}, 1, "--texture-size must be"},
             {{"--texture", "shaded", "--colormap", "cut.cmp"}, 1, "--colormap cut.cmp: "},
             {{"--texture", "shaded", "--material", "rock.mat"}, 2, "--material does not go"},
             {{"--texture-size", "64"}, 2, "--texture-size goes with --texture"}}) {
        std::vector<std::string> all{"--game", "Crater.bmp"};
        all.insert(all.begin() + 1, arguments.begin(), arguments.end());
        const Ran result = run(all);
        EXPECT_EQ(result.status, status) << result.errors;
        EXPECT_NE(result.errors.find(words), std::string::npos) << result.errors;
        EXPECT_EQ(entries(folder.path()),
                  (std::vector<std::string>{"Crater.bmp", "crater.png", "cube.cmp", "cut.cmp"}));
    }
    // Two pictures whose materials share a name: the second is refused before anything is written.
    const Ran both = run({"--game", "--quiet", "--texture", "shaded", "--colormap", "cube.cmp",
                          "--texture-size", "64", "Crater.bmp", "crater.png"});
    EXPECT_EQ(both.status, 1);
    EXPECT_NE(both.errors.find("crater.png: its material mat/crater.mat is also the material of "
                               "Crater.bmp's model"),
              std::string::npos)
        << both.errors;
    const MaterialRead material = readMaterial(read("mat/crater.mat"));
    ASSERT_TRUE(material.ok()) << material.error;
    EXPECT_EQ(material.material.format, TexelFormat::Indexed8);
    EXPECT_EQ(material.material.size, 64);
    EXPECT_NE(read("Crater.3do").find("MATERIALS 1\r\n0: crater.mat\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "crater.3do"));
    // A model that cannot be written takes its material away again.
    fs::create_directory(folder / "crater.3do");
    EXPECT_EQ(run({"--game", "--quiet", "--texture", "shaded", "crater.png"}).status, 1);
    EXPECT_EQ(entries(folder / "mat"), std::vector<std::string>{"crater.mat"});
    EXPECT_EQ(readMaterial(read("mat/crater.mat")).material.size, 64);

    // The check finds the material where the game looks, whatever the letters' case, and says
    // what the game makes of it; one cut short fails, one nowhere is a note.
    fs::create_directory(folder / "3do");
    fs::rename(folder / "Crater.3do", folder / "3do/Crater.3do");
    fs::rename(folder / "mat", folder / "MAT");
    fs::rename(folder / "MAT/crater.mat", folder / "MAT/Crater.MAT");
    Ran checked = run({"--check", "3do/Crater.3do"});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_NE(checked.out.find("\nMAT/Crater.MAT: ok (64 x 64, 8-bit palette indices, 4 mip"),
              std::string::npos)
        << checked.out;
    write("MAT/Crater.MAT", read("MAT/Crater.MAT").substr(0, 100));
    checked = run({"--check", "3do/Crater.3do"});
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.out.find("\nMAT/Crater.MAT: "), std::string::npos) << checked.out;
    fs::remove(folder / "MAT/Crater.MAT");
    checked = run({"--check", "3do/Crater.3do"});
    EXPECT_EQ(checked.status, 0);
    EXPECT_NE(checked.out.find("3do/Crater.3do: note: material crater.mat is in neither"),
              std::string::npos)
        << checked.out;
}

TEST_F(Converter, TheSamplesModelsStayByteForByteWhatTheyWere) {
    // 64-bit FNV-1a of the editor models of the shipped samples, as every earlier version wrote.
    const auto fnv = [](const std::string& text) {
        std::uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : text)
            hash = (hash ^ c) * 1099511628211ull;
        return hash;
    };
    const std::map<std::string, std::pair<std::size_t, std::uint64_t>> known{
        {"crater", {582536, 0x8c6ef043cf67af5cull}}, {"hill", {583265, 0xe4f6b076585fe704ull}}};
    for (const auto& [name, sum] : known) {
        const Ran result = run({"-o", "-", sourcePath("examples/" + name + ".bmp").string()});
        EXPECT_EQ(std::pair(result.out.size(), fnv(result.out)), sum) << name;
    }
}

TEST_F(Converter, AnyNameTheSystemAllowsConvertsAndIsShownOnOneLine) {
    const std::string bitmap = gradientBmp(16, 16);
    // A name of 4000 characters: folders of 200 within the system's limit for one name.
    std::string deep;
    for (int k = 0; k < 19; ++k)
        deep += std::string(200, char('a' + k)) + "/";
    fs::create_directories(folder / deep);
    for (const std::string& name :
         std::vector<std::string>{"with spaces.bmp", "ünïcödé 山.bmp", "bad\xff\xfe utf8.bmp",
                                  "-leading dash.bmp", deep + std::string(190, 'z') + ".bmp"}) {
        SCOPED_TRACE(name.size() > 100 ? "a 4000-character path" : name);
        write(name, bitmap);
        const Ran result = run({"--", name});
        EXPECT_EQ(result.status, 0) << result.errors;
        const std::string model = name.substr(0, name.size() - 4) + ".3do";
        EXPECT_EQ(read(model), modelOf(bitmap, 16));
    }
    // Failures stay one line whatever the name holds: control bytes and bad UTF-8 escaped.
    const Ran result =
        run({"--", "line\nbreak.bmp", "tab\there.bmp", "bell\a\xff.bmp", "back\\.bmp"});
    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> shown = lines(result.errors);
    ASSERT_EQ(shown.size(), 4u) << result.errors;
    EXPECT_TRUE(shown[0].starts_with("grondel-convert: line\\nbreak.bmp: ")) << shown[0];
    EXPECT_TRUE(shown[1].starts_with("grondel-convert: tab\\there.bmp: ")) << shown[1];
    EXPECT_TRUE(shown[2].starts_with("grondel-convert: bell\\x07\\xFF.bmp: ")) << shown[2];
    EXPECT_TRUE(shown[3].starts_with("grondel-convert: back\\\\.bmp: ")) << shown[3];
}

TEST_F(Converter, EachBadPictureIsOneLineAndWritesNothingWhileTheOthersConvert) {
    const std::string bitmap = write("good.bmp", gradientBmp(64, 64));
    write("empty.bmp", {});
    write("notes.bmp", "Heights for the north valley.\n");
    write("short header.bmp", bitmap.substr(0, 30));
    write("short pixels.bmp", bitmap.substr(0, bitmap.size() - 100));
    write("heights.svg", "<svg xmlns='http://www.w3.org/2000/svg'><text>8</text></svg>");
    write("wide.bmp", gradientBmp(100, 40));
    write("square 48.png", gradientPng(48, 48));
    const std::string png = write("b.3do", gradientPng(16, 16));
    write("b.png", png);
    fs::create_directory(folder / "folder.bmp");
    ASSERT_EQ(mkfifo((folder / "pipe.bmp").c_str(), 0600), 0);
    // A model from an earlier run stays as it was when its picture now fails.
    write("notes.3do", "an older model\r\n");

    // The last three would overwrite a picture of this run or another picture's model: b.png's
    // model is b.3do, itself a picture here; b.3do's own model would replace it.
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"missing.bmp", "No such file"},
        {"folder.bmp", "It is a folder"},
        {"pipe.bmp", "not a regular file"},
        {"empty.bmp", "empty"},
        {"notes.bmp", "BMP, PNG, JPEG"},
        {"short header.bmp", "cut short"},
        {"short pixels.bmp", "cut short"},
        {"heights.svg", "BMP, PNG, JPEG"},
        {"wide.bmp", "--size"},
        {"square 48.png", "--size"},
        {"b.png", "would replace the picture b.3do given in this run"},
        {"b.3do", "would replace the picture itself"},
    };
    std::vector<std::string> arguments{"good.bmp"};
    for (const auto& [name, reason] : bad)
        arguments.push_back(name);
    arguments.push_back("good.bmp");
    const std::vector<std::string> before = entries(folder.path());
    const Ran result = run(arguments);

    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> shown = lines(result.errors);
    ASSERT_EQ(shown.size(), bad.size()) << result.errors;
    for (std::size_t k = 0; k < bad.size(); ++k) {
        EXPECT_TRUE(shown[k].starts_with("grondel-convert: " + bad[k].first + ": ")) << shown[k];
        EXPECT_NE(shown[k].find(bad[k].second), std::string::npos) << shown[k];
    }
    std::vector<std::string> after = before;
    after.push_back("good.3do");
    std::sort(after.begin(), after.end());
    EXPECT_EQ(entries(folder.path()), after);
    EXPECT_EQ(read("good.3do"), modelOf(bitmap, 64));
    EXPECT_EQ(read("notes.3do"), "an older model\r\n");
    EXPECT_EQ(read("b.3do"), png);
}

TEST_F(Converter, EveryFailureToWriteIsToldAndNoSignalEndsIt) {
    const std::string bitmap = write("hill.bmp", gradientBmp(64, 64));
    // A full device as standard output, for a model and for the help.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-o", "-", "hill.bmp"}, {"--help"}, {"--check", "hill.bmp"}}) {
        const Ran full = run(arguments, {.outputFile = "/dev/full"});
        EXPECT_EQ(full.status, 1) << arguments[0];
        EXPECT_NE(full.errors.find("No space left on device"), std::string::npos) << full.errors;
    }
    // A reader that goes away: quiet, not successful.
    const Ran gone = run({"-o", "-", "hill.bmp"}, {.outputClosed = true});
    EXPECT_EQ(gone.signal, 0);
    EXPECT_NE(gone.status, 0);
    EXPECT_EQ(gone.errors, "");
    // A file-size limit below the model's size: told, the old model kept, nothing stray.
    write("hill.3do", "an older model\r\n");
    const Ran limited = run({"hill.bmp"}, {.fileSizeLimit = 4096});
    EXPECT_EQ(limited.signal, 0);
    EXPECT_EQ(limited.status, 1);
    EXPECT_NE(limited.errors.find("File too large"), std::string::npos) << limited.errors;
    EXPECT_EQ(read("hill.3do"), "an older model\r\n");
    EXPECT_EQ(entries(folder.path()), (std::vector<std::string>{"hill.3do", "hill.bmp"}));
}

TEST_F(Converter, AWrongCommandLineIsAUsageErrorNamingTheOptionAndReadsNothing) {
    write("hill.bmp", gradientBmp(16, 16));
    // Arguments separated by '|', the first naming what is wrong.
    for (const std::string line : {"--game",
                                   "--size|20|hill.bmp",
                                   "--size|sixteen|hill.bmp",
                                   "--size",
                                   "--colour|hill.bmp",
                                   "--output|a.3do|hill.bmp|hill.bmp",
                                   "--output||hill.bmp",
                                   "--scale|1,1,0|--game|hill.bmp",
                                   "--scale|1,1|--game|hill.bmp",
                                   "--scale|1,1,1|hill.bmp",
                                   "--material|no space.mat|--game|hill.bmp",
                                   "--texels-per-unit|-5|--game|hill.bmp",
                                   "--check|--size|16|hill.bmp",
                                   "--terrain|hill.bmp",
                                   "--game=yes|hill.bmp",
                                   "--fit|hill.bmp",
                                   "--heights|grey|hill.bmp",
                                   "--heights|purple|--game|hill.bmp",
                                   "--size|1|--game|hill.bmp",
                                   "--size|258|--game|hill.bmp",
                                   "--size|4098|--game|--max-faces|100|hill.bmp",
                                   "--max-faces|1|--game|hill.bmp",
                                   "--max-error|-1|--game|hill.bmp",
                                   "--max-error|lots|--game|hill.bmp"}) {
        std::vector<std::string> arguments;
        for (std::size_t at = 0, bar; at <= line.size(); at = bar + 1) {
            bar = std::min(line.find('|', at), line.size());
            arguments.push_back(line.substr(at, bar - at));
        }
        const Ran result = run(arguments);
        SCOPED_TRACE(line + "\n" + result.errors);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.out.empty());
        const std::string named = arguments[0] == "--game" ? "IMAGE" : arguments[0].substr(2, 4);
        EXPECT_TRUE(result.errors.starts_with("grondel-convert: ") &&
                    result.errors.find(named) != std::string::npos);
    }
    EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"hill.bmp"});
}

TEST_F(Converter, WritesTheGameModelWithItsOptionsAndChecksModelsOfBothKinds) {
    const std::string picture = write("hill.bmp", gradientBmp(64, 64));
    Ran result = run({"--game", "--scale", "2,1.5,0.25", "--material", "rock_01.mat",
                      "--texels-per-unit", "160", "-o", "game.3do", "hill.bmp"});
    EXPECT_EQ(result.status, 0) << result.errors;
    const GameModelOptions options{2, 1.5, 0.25, "rock_01.mat", 160};
    EXPECT_EQ(read("game.3do"), modelOf(picture, 64, &options));
    const GameModelOptions defaults;
    EXPECT_EQ(run({"--game", "-o", "-", "hill.bmp"}).out, modelOf(picture, 64, &defaults));

    ASSERT_EQ(run({"hill.bmp"}).status, 0);
    ASSERT_EQ(mkfifo((folder / "pipe.3do").c_str(), 0600), 0);
    result = run({"--check", "--terrain", "game.3do", "hill.3do", "missing.3do", "pipe.3do"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.starts_with("game.3do: ok (16 meshes, 4489 vertices, 7938 faces)\n"))
        << result.out;
    EXPECT_NE(result.out.find("\nhill.3do:31: mesh 0 has VERTICES 4096; the game takes at"),
              std::string::npos);
    // A pipe is refused at once, never read.
    const std::vector<std::string> shown = lines(result.errors);
    ASSERT_EQ(shown.size(), 2u) << result.errors;
    EXPECT_TRUE(shown[0].starts_with("grondel-convert: missing.3do: "));
    EXPECT_TRUE(shown[1].starts_with("grondel-convert: pipe.3do: ") &&
                shown[1].find("not a regular file") != std::string::npos);

    // Walked on: the game model as written by default passes, with notes on its collision;
    // one for scenery is drawn where the game does not collide with it.
    ASSERT_EQ(run({"--game", "--scenery", "--quiet", "-o", "scenery.3do", "hill.bmp"}).status, 0);
    result = run({"--check", "--walkable", "game.3do", "scenery.3do"});
    EXPECT_EQ(result.status, 1);
    const std::vector<std::string> said = lines(result.out);
    ASSERT_GE(said.size(), 4u) << result.out;
    EXPECT_EQ(said[0], "game.3do: ok (16 meshes, 4489 vertices, 7938 faces)");
    EXPECT_TRUE(said[1].starts_with("game.3do: note: the game tests all 7938 faces")) << said[1];
    EXPECT_NE(result.out.find("\nscenery.3do:"), std::string::npos);
    EXPECT_NE(result.out.find(": mesh 0 is drawn at node offset ("), std::string::npos)
        << result.out;
}

TEST_F(Converter, MakesTheGameModelOfAWholeSixteenBitPictureSimplifiedAndSaysWhereABudgetStops) {
    const std::string valley = write("valley.png", readFile(sourcePath("examples/valley.png")));
    GameTerrainOptions options;
    options.terrain = {TerrainRegion::Fit, TerrainHeights::Grey, 0};
    options.maxError = 0.05;
    const GameTerrain expected = buildGameTerrain(decodePicture(valley).picture, options);
    ASSERT_TRUE(expected.ok()) << expected.error;
    EXPECT_EQ(std::pair(expected.columns, expected.rows), std::pair(257, 257));
    Ran result = run({"--game", "--fit", "--heights", "grey", "--max-error", "0.05", "-o",
                      "valley.3do", "valley.png"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(read("valley.3do"), printGameModel(expected.model));
    EXPECT_LT(expected.faces, 2u * 256 * 256 / 10);

    // A budget that stops short of the bound: the model is written, and the error reached told.
    result = run({"--game", "--fit", "--heights=grey", "--max-error=0.001", "--max-faces=100", "-o",
                  "small.3do", "valley.png"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.errors.starts_with("grondel-convert: valley.png: stopped at ") &&
                result.errors.find("faces (--max-faces) with a largest error of ") !=
                    std::string::npos)
        << result.errors;
    EXPECT_EQ(run({"--check", "--terrain", "valley.3do", "small.3do"}).status, 0);
}

TEST_F(Converter, HelpAndVersion) {
    const Ran help = run({"--help"}), version = run({"--version"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: grondel-convert [--size N] [--output PATH] IMAGE..."));
    for (const char* told : {"PGM/PPM", "--fit", "--heights colour|grey", "--max-error E"})
        EXPECT_NE(help.out.find(told), std::string::npos) << told;
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "grondel-convert " GRONDEL_VERSION "\n");
#ifndef _WIN32
    // Started from a folder holding files named as its libraries, it loads the system's: a
    // program looking in the current folder would fail to start, or run someone else's code.
    for (const char* library : {"libz.so.1", "libspng.so.0", "libstdc++.so.6", "libc.so.6"})
        write(library, "not a library");
    EXPECT_EQ(run({"--version"}).status, 0);
#endif
}
