#include "cli/convert.h"
#include "export/editor_model.h"
#include "export/game_model.h"
#include "heightmap/image.h"
#include "heightmap/sampling.h"
#include "imaging/test_images.h"
#include "support/files.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QStringList errorLines;
};

HeightMap sampled(const QImage& picture, int edge) {
    const LoadedImage loaded = loadImageData(encode(picture, "BMP"));
    HeightMap grid;
    EXPECT_TRUE(
        sampleSquare(edge, grid, [&](int x, int y) { return pixelColour(loaded.image, x, y); }));
    return grid;
}

// The editor model the window would save for this picture at this edge.
std::string windowModel(const QImage& picture, int edge) {
    return formatEditorModel(sampled(picture, edge), edge).value();
}

class Converter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Runs the built converter in the test folder, under a decimal-comma locale.
    Outcome run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", "de_DE.UTF-8");
        process.setProcessEnvironment(environment);
        process.start(GRONDEL_CONVERT, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        Outcome result;
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        result.errorLines = errors.split('\n', Qt::SkipEmptyParts);
        return result;
    }

    QString write(const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(writeAll(dir.filePath(name), bytes));
        return name;
    }

    QStringList files() const { return entries(dir.path()); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(Converter, WritesWhatTheWindowSavesBesideEachImage) {
    struct Case {
        QString name;
        QImage picture;
        QStringList options;
        int edge;
    };
    const Case cases[] = {
        {"own edge.bmp", gradient(64, 64), {}, 64},
        {"own edge 16.png", gradient(16, 16), {}, 16},
        {"corner of a large one.bmp", gradient(128, 128), {"--size", "64"}, 64},
        {"wide.bmp", gradient(100, 40), {"--size", "64"}, 64},
        {"dot.bmp", filled(1, 1, qRgb(200, 150, 100)), {"-s", "16"}, 16},
    };
    for (const Case& c : cases) {
        const bool png = c.name.endsWith(".png");
        write(c.name, encode(c.picture, png ? "PNG" : "BMP"));
        const Outcome result = run(c.options + QStringList{c.name});
        EXPECT_EQ(result.status, 0) << c.name.toStdString();
        EXPECT_TRUE(result.errorLines.isEmpty()) << result.errorLines.join('\n').toStdString();
        const QString model = cli::modelPathBeside(dir.filePath(c.name));
        EXPECT_EQ(readAll(model).toStdString(), windowModel(c.picture, c.edge))
            << c.name.toStdString();
    }
}

TEST_F(Converter, OutputGoesWhereItIsToldAndStandardOutputTakesTheBytesAlone) {
    const QImage picture = gradient(32, 32);
    write("Kraterrand Süd.bmp", encode(picture, "BMP"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("modelle für später"));

    Outcome result = run({"--output", "modelle für später/krater.3do", "Kraterrand Süd.bmp"});
    EXPECT_EQ(result.status, 0) << result.errorLines.join('\n').toStdString();
    EXPECT_EQ(readAll(dir.filePath("modelle für später/krater.3do")).toStdString(),
              windowModel(picture, 32));

    result = run({"-o", "-", "Kraterrand Süd.bmp"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.errorLines.isEmpty());
    EXPECT_EQ(result.out.toStdString(), windowModel(picture, 32));
    EXPECT_EQ(files(), (QStringList{"Kraterrand Süd.bmp", "modelle für später"}));
}

TEST_F(Converter, EachBadImageIsOneLineAndWritesNothing) {
    const QByteArray bitmap = encode(gradient(64, 64), "BMP");
    write("good.bmp", bitmap);
    write("empty.bmp", {});
    write("notes.bmp", "Heights for the north valley.\n");
    write("short header.bmp", bitmap.left(30));
    write("short pixels.bmp", bitmap.left(bitmap.size() - 100));
    write("huge.bmp", bitmapClaiming(100000, 100000));
    write("wide.bmp", encode(gradient(100, 40), "BMP"));
    write("square 48.png", encode(gradient(48, 48), "PNG"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bmp"));
    // A model from an earlier run stays as it was when its image now fails.
    write("notes.3do", "an older model\r\n");

    const QStringList bad = {"missing.bmp", "folder.bmp",       "empty.bmp",
                             "notes.bmp",   "short header.bmp", "short pixels.bmp",
                             "huge.bmp",    "wide.bmp",         "square 48.png"};
    const QStringList before = files();
    const Outcome result = run(QStringList{"good.bmp"} << bad << "good.bmp");

    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.errorLines.size(), bad.size()) << result.errorLines.join('\n').toStdString();
    for (int i = 0; i < bad.size(); ++i)
        EXPECT_TRUE(result.errorLines[i].startsWith("grondel-convert: " + bad[i] + ": "))
            << result.errorLines[i].toStdString();
    EXPECT_TRUE(result.errorLines[bad.indexOf("huge.bmp")].contains("100000 x 100000"));
    EXPECT_TRUE(result.errorLines[bad.indexOf("short pixels.bmp")].contains("cut short"));
    EXPECT_TRUE(result.errorLines[bad.indexOf("wide.bmp")].contains("--size"));
    EXPECT_TRUE(result.errorLines[bad.indexOf("square 48.png")].contains("--size"));

    // Only the good image gained a model.
    QStringList expected = before;
    expected << "good.3do";
    expected.sort();
    EXPECT_EQ(files(), expected);
    EXPECT_EQ(readAll(dir.filePath("notes.3do")), "an older model\r\n");
    EXPECT_EQ(readAll(dir.filePath("good.3do")).toStdString(), windowModel(gradient(64, 64), 64));
}

TEST_F(Converter, NoModelReplacesAnImageOrAnotherImagesModel) {
    const QByteArray png = encode(gradient(16, 16), "PNG");
    write("heights.3do", png); // an image whose model would be its own name
    write("hill.bmp", encode(gradient(32, 32), "BMP"));
    write("hill.png", png);

    const Outcome result = run({"heights.3do", "hill.bmp", "hill.png"});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.errorLines.size(), 2) << result.errorLines.join('\n').toStdString();
    EXPECT_TRUE(result.errorLines[0].startsWith("grondel-convert: heights.3do: "));
    EXPECT_TRUE(result.errorLines[1].startsWith("grondel-convert: hill.png: "));
    EXPECT_EQ(readAll(dir.filePath("heights.3do")), png);
    EXPECT_EQ(readAll(dir.filePath("hill.3do")).toStdString(), windowModel(gradient(32, 32), 32));
}

TEST_F(Converter, AWrongCommandLineReadsNothingAndExitsWithTwo) {
    write("hill.bmp", encode(gradient(32, 32), "BMP"));
    const QList<QStringList> wrong = {
        {},
        {"--size", "20", "hill.bmp"},
        {"--size", "sixteen", "hill.bmp"},
        {"--size", "0", "hill.bmp"},
        {"--size"},
        {"--output", "a.3do", "hill.bmp", "hill.bmp"},
        {"--output", "", "hill.bmp"},
        {"--colour", "hill.bmp"},
    };
    for (const QStringList& arguments : wrong) {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(' ').toStdString();
        ASSERT_FALSE(result.errorLines.isEmpty());
        EXPECT_TRUE(result.errorLines[0].startsWith("grondel-convert: "));
        if (arguments.size() > 1) {
            EXPECT_TRUE(result.errorLines[0].contains(arguments[0].mid(2)))
                << result.errorLines[0].toStdString();
        }
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_EQ(files(), QStringList{"hill.bmp"});
}

TEST_F(Converter, GameModelsWithTheirOptionsAndTheCheckerOnBothKinds) {
    const QImage picture = gradient(64, 64);
    write("hill.bmp", encode(picture, "BMP"));

    Outcome result = run({"--game", "--scale", "2,1.5,0.25", "--material", "rock_01.mat",
                          "--texels-per-unit", "160", "-o", "game.3do", "hill.bmp"});
    EXPECT_EQ(result.status, 0) << result.errorLines.join('\n').toStdString();
    const GameModelOptions options{2, 1.5, 0.25, "rock_01.mat", 160};
    EXPECT_EQ(readAll(dir.filePath("game.3do")).toStdString(),
              formatGameModel(sampled(picture, 64), 64, options).value());

    ASSERT_EQ(run({"hill.bmp"}).status, 0);
    result = run({"--check", "game.3do", "hill.3do"});
    EXPECT_EQ(result.status, 1);
    const QStringList report = QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(report.isEmpty());
    EXPECT_EQ(report[0], "game.3do: ok (16 meshes, 4489 vertices, 7938 faces)");
    const QString editor = report.mid(1).join('\n');
    EXPECT_TRUE(editor.contains("hill.3do:31: ")) << editor.toStdString(); // VERTICES 4096
    EXPECT_TRUE(editor.contains("512")) << editor.toStdString();
    EXPECT_TRUE(editor.contains("face normal")) << editor.toStdString();

    result = run({"--check", "missing.3do"});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.errorLines.size(), 1);
    EXPECT_TRUE(result.errorLines[0].startsWith("grondel-convert: missing.3do: "));
}

TEST_F(Converter, BadGameOptionsAreUsageErrorsNamingTheOption) {
    write("hill.bmp", encode(gradient(16, 16), "BMP"));
    const QList<QStringList> wrong = {
        {"--scale", "1,1,0", "--game"},
        {"--scale", "1,1", "--game"},
        {"--scale", "1;1;1", "--game"},
        {"--scale", "1,1,1"},
        {"--material", "no space.mat", "--game"},
        {"--material", "rock.bmp", "--game"},
        {"--texels-per-unit", "-5", "--game"},
        {"--texels-per-unit", "lots", "--game"},
        {"--check", "--size", "16"},
    };
    for (const QStringList& arguments : wrong) {
        const Outcome result = run(arguments + QStringList{"hill.bmp"});
        EXPECT_EQ(result.status, 2) << arguments.join(' ').toStdString();
        ASSERT_FALSE(result.errorLines.isEmpty());
        EXPECT_TRUE(result.errorLines[0].contains(arguments[0]))
            << result.errorLines[0].toStdString();
    }
    EXPECT_EQ(files(), QStringList{"hill.bmp"});
}

TEST_F(Converter, HelpAndVersion) {
    Outcome result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(
        result.out.startsWith("Usage: grondel-convert [--size N] [--output PATH] IMAGE..."));
    for (const char* option : {"--size", "--output", "--game", "--scale", "--material",
                               "--texels-per-unit", "--check", "--help", "--version"})
        EXPECT_TRUE(result.out.contains(option)) << option;

    result = run({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "grondel-convert " GRONDEL_VERSION "\n");
}

TEST_F(Converter, TheShippedExamplesConvertAtTheirOwnEdge) {
    for (const char* name : {"examples/crater.bmp", "examples/hill.bmp"}) {
        const Outcome result = run({"--output", "-", sourcePath(name)});
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_TRUE(result.out.contains("\r\nVERTICES 4096\r\n")) << name;
    }
}

TEST(ModelPath, TheLastSuffixOfTheFileNameBecomes3do) {
    EXPECT_EQ(cli::modelPathBeside("hill.bmp"), "hill.3do");
    EXPECT_EQ(cli::modelPathBeside("maps/crater.v2.png"), "maps/crater.v2.3do");
    EXPECT_EQ(cli::modelPathBeside("maps.d/crater"), "maps.d/crater.3do");
    EXPECT_EQ(cli::modelPathBeside("/tmp/.hidden"), "/tmp/.hidden.3do");
    EXPECT_EQ(cli::modelPathBeside("Höhe.BMP"), "Höhe.3do");
}
