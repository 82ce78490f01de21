#include "converter/check.h"
#include "converter/command_line.h"
#include "converter/convert.h"
#include "platform/image_file.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/game_model.h"
#include "support/files.h"
#include "support/test_images.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// What the window makes of these image bytes at this edge: the editor model, or the game model.
std::string modelOf(const QByteArray& image, int edge, std::optional<GameModelOptions> game = {}) {
    const QImage picture = loadImageData(image).image;
    HeightMap grid;
    EXPECT_TRUE(sampleSquare(edge, grid, [&](int x, int y) { return pixelColour(picture, x, y); }));
    return game ? formatGameModel(grid, edge, *game).text
                : formatEditorModel(grid, edge).value_or("");
}

struct Outcome {
    int status = -1;
    QByteArray out;
    QStringList errors; // one a line
};

class Converter : public ::testing::Test {
protected:
    // Runs the built converter in the test folder, under a decimal-comma locale.
    Outcome run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", "de_DE.UTF-8");
        process.setProcessEnvironment(environment);
        process.start(GRONDEL_CONVERT, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(),
                QString::fromUtf8(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts)};
    }
    QByteArray write(const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(writeAll(dir.filePath(name), bytes)) << name.toStdString();
        return bytes;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(Converter, WritesWhatTheWindowMakesBesideEachImageWhereToldOrToStandardOutput) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("für später.d"));
    const QByteArray square = encode(gradient(32, 32), "BMP");
    // Image, its bytes, options, the edge that takes, where the model goes ("-": standard output).
    for (const auto& [image, bytes, options, edge, model] :
         std::initializer_list<std::tuple<QString, QByteArray, QStringList, int, QString>>{
             {"own edge.bmp", encode(gradient(64, 64), "BMP"), {}, 64, "own edge.3do"},
             {"Höhe.v2.PNG", encode(gradient(16, 16), "PNG"), {}, 16, "Höhe.v2.3do"},
             {"large.bmp", encode(gradient(128, 128), "BMP"), {"--size", "64"}, 64, "large.3do"},
             {"wide.bmp", encode(gradient(100, 40), "BMP"), {"-s", "64"}, 64, "wide.3do"},
             {".dot", encode(filled(1, 1, 0xc89664), "BMP"), {"-s", "16"}, 16, ".dot.3do"},
             {"für später.d/Süd", square, {}, 32, "für später.d/Süd.3do"},
             {"k.bmp", square, {"-o", "für später.d/k"}, 32, "für später.d/k"},
             // The shipped samples, the way the README converts them.
             {"crater.bmp", readAll(sourcePath("examples/crater.bmp")), {"--output", "-"}, 64, "-"},
             {"hill.bmp", readAll(sourcePath("examples/hill.bmp")), {}, 64, "hill.3do"},
         }) {
        SCOPED_TRACE(image.toStdString());
        write(image, bytes);
        const Outcome result = run(options + QStringList{image});
        EXPECT_EQ(result.status, 0) << result.errors.join('\n').toStdString();
        EXPECT_EQ(result.out.isEmpty(), model != "-");
        EXPECT_EQ((model == "-" ? result.out : readAll(dir.filePath(model))).toStdString(),
                  modelOf(bytes, edge));
    }
}

TEST_F(Converter, EachBadImageIsOneLineAndWritesNothingWhileTheOthersConvert) {
    const QByteArray bitmap = write("good.bmp", encode(gradient(64, 64), "BMP"));
    write("empty.bmp", {});
    write("notes.bmp", "Heights for the north valley.\n");
    write("short header.bmp", bitmap.left(30));
    write("short pixels.bmp", bitmap.left(bitmap.size() - 100));
    write("huge.bmp", bitmapClaiming(100000, 100000));
    write("wide.bmp", encode(gradient(100, 40), "BMP"));
    write("square 48.png", encode(gradient(48, 48), "PNG"));
    const QByteArray png = write("heights.3do", encode(gradient(16, 16), "PNG"));
    write("good.png", png);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bmp"));
    // A model from an earlier run stays as it was when its image now fails.
    write("notes.3do", "an older model\r\n");

    // The last two would overwrite an image or the model of another image.
    const QStringList bad = {"missing.bmp",      "folder.bmp",       "empty.bmp", "notes.bmp",
                             "short header.bmp", "short pixels.bmp", "huge.bmp",  "wide.bmp",
                             "square 48.png",    "heights.3do",      "good.png"};
    const QStringList before = entries(dir.path());
    const Outcome result = run(QStringList{"good.bmp"} + bad + QStringList{"good.bmp"});

    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.errors.size(), bad.size()) << result.errors.join('\n').toStdString();
    for (int i = 0; i < bad.size(); ++i)
        EXPECT_TRUE(result.errors[i].startsWith("grondel-convert: " + bad[i] + ": "))
            << result.errors[i].toStdString();
    EXPECT_TRUE(result.errors[5].contains("cut short") &&
                result.errors[6].contains("100000 x 100000"));
    EXPECT_TRUE(result.errors[7].contains("--size") && result.errors[8].contains("--size"));
    EXPECT_TRUE(result.errors[9].contains("replace the image"));
    EXPECT_TRUE(result.errors[10].contains("already written from good.bmp"));
    EXPECT_EQ(entries(dir.path()).size(), before.size() + 1); // good.3do
    EXPECT_EQ(readAll(dir.filePath("good.3do")).toStdString(), modelOf(bitmap, 64));
    EXPECT_EQ(readAll(dir.filePath("notes.3do")), "an older model\r\n");
    EXPECT_EQ(readAll(dir.filePath("heights.3do")), png);
}

TEST_F(Converter, AWrongCommandLineIsAUsageErrorNamingTheOptionAndReadsNothing) {
    write("hill.bmp", encode(gradient(16, 16), "BMP"));
    // Arguments separated by '|', the first naming what is wrong.
    for (const char* line :
         {"--game", "--size|20|hill.bmp", "--size|sixteen|hill.bmp", "--size", "--colour|hill.bmp",
          "--output|a.3do|hill.bmp|hill.bmp", "--output||hill.bmp", "--scale|1,1,0|--game|hill.bmp",
          "--scale|1,1|--game|hill.bmp", "--scale|1,1,1|hill.bmp",
          "--material|no space.mat|--game|hill.bmp", "--texels-per-unit|-5|--game|hill.bmp",
          "--check|--size|16|hill.bmp", "--terrain|hill.bmp"}) {
        const QStringList arguments = QString(line).split('|');
        const Outcome result = run(arguments);
        SCOPED_TRACE((line + ("\n" + result.errors.join('\n'))).toStdString());
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_TRUE(result.errors.value(0).startsWith("grondel-convert: ") &&
                    result.errors.value(0).contains(
                        arguments[0] == "--game" ? "IMAGE" : arguments[0].mid(2)));
    }
    EXPECT_EQ(entries(dir.path()), QStringList{"hill.bmp"});
}

TEST_F(Converter, WritesTheGameModelWithItsOptionsAndChecksModelsOfBothKinds) {
    const QByteArray image = write("hill.bmp", encode(gradient(64, 64), "BMP"));
    Outcome result = run({"--game", "--scale", "2,1.5,0.25", "--material", "rock_01.mat",
                          "--texels-per-unit", "160", "-o", "game.3do", "hill.bmp"});
    EXPECT_EQ(result.status, 0) << result.errors.join('\n').toStdString();
    EXPECT_EQ(readAll(dir.filePath("game.3do")).toStdString(),
              modelOf(image, 64, GameModelOptions{2, 1.5, 0.25, "rock_01.mat", 160}));
    EXPECT_EQ(run({"--game", "-o", "-", "hill.bmp"}).out.toStdString(),
              modelOf(image, 64, GameModelOptions{}));

    ASSERT_EQ(run({"hill.bmp"}).status, 0);
    result = run({"--check", "game.3do", "hill.3do", "missing.3do"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.startsWith("game.3do: ok (16 meshes, 4489 vertices, 7938 faces)\n"));
    EXPECT_TRUE(result.out.contains("\nhill.3do:31: mesh 0 has VERTICES 4096; the game takes at"));
    EXPECT_TRUE(
        result.out.contains("hill.3do:4136: the normal of vertex 0 of mesh 0 has length 0"));
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].startsWith("grondel-convert: missing.3do: "));
    EXPECT_EQ(run({"--check", "--terrain", "game.3do"}).status, 0);

    // Options whose model would not draw right are refused with the builder's reason.
    result = run({"--game", "--scale", "1000,1000,1", "--texels-per-unit", "100000", "hill.bmp"});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].startsWith("grondel-convert: hill.bmp: texture coordinates") &&
                result.errors[0].contains("100000 texels per unit"))
        << result.errors[0].toStdString();
    EXPECT_EQ(readAll(dir.filePath("hill.3do")).toStdString(), modelOf(image, 64));
}

TEST_F(Converter, HelpAndVersion) {
    const Outcome help = run({"--help"}), version = run({"--version"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: grondel-convert [--size N] [--output PATH] IMAGE..."));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "grondel-convert " GRONDEL_VERSION "\n");
}
