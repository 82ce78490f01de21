#include "commands/main_commands.h"
#include "model3do/editor_model.h"
#include "model3do/game_model.h"
#include "support/fake_platform.h"
#include "support/files.h"
#include "support/game_models.h"
#include "terrain/game_terrain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

class Commands : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    // A 64 x 64 picture file whose red counts columns, green rows, and blue tells the files
    // apart.
    void writePicture(const QString& name) {
        QByteArray bytes = "P6 64 64 255\n";
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                bytes.append(static_cast<char>(x)).append(static_cast<char>(y)).append(pictures);
        ++pictures;
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // What the user does to load a heightmap: Import, then the size dialog's OK at edge.
    void load(const QString& name, std::optional<std::int16_t> edge) {
        writePicture(name);
        platform.answers << path(name);
        commands.importHeightmap();
        commands.generateHeightmap(edge);
        platform.log.clear();
    }
    // The platform's log since the last look, paths relative to the test's folder.
    std::string log() {
        return QString::fromStdString(platform.takeLog()).remove(dir.path() + '/').toStdString();
    }
    // The files written, the pictures left out.
    std::string files() const {
        const QRegularExpression written("^(?!.*\\.bmp$)");
        return entries(dir.path()).filter(written).join(' ').toStdString();
    }
    std::string written(const QString& name) const { return readAll(path(name)).toStdString(); }
    std::string editorModel() const {
        return *formatEditorModel(commands.heightMap(), commands.heightMapSize());
    }

    QTemporaryDir dir;
    char pictures = 0;
    FakePlatform platform;
    MainCommands commands{platform, "/opt/grondel/bin"};
};

} // namespace

TEST_F(Commands, ImportAsksInTheProgramFolderAndOkSamplesTheNewestChoice) {
    writePicture("second.bmp");
    platform.answers << path("first.bmp") << path("second.bmp");
    commands.importHeightmap();
    commands.importHeightmap(); // again while the size dialog is open
    EXPECT_EQ(log(), "open /opt/grondel/bin *.bmp; show size; open /opt/grondel/bin *.bmp; "
                     "show size");
    EXPECT_FALSE(commands.heightmapLoaded()); // sampling waits for the size dialog's OK

    commands.generateHeightmap(64);
    EXPECT_EQ(log(), "preview 64x64");
    EXPECT_EQ(commands.heightMap()(63, 0), packColour(63, 0, 0)); // column by row

    // A picture dropped on the window is taken as if chosen in the dialog; the dialog's OK,
    // when it comes, loads the newest one.
    writePicture("dropped.bmp");
    commands.importDropped(path("dropped.bmp"));
    EXPECT_EQ(commands.importPath(), path("dropped.bmp"));
    commands.generateHeightmap(16);
    EXPECT_EQ(log(), "show size; preview 64x64");
    EXPECT_EQ(platform.shown, commands.picture());
    EXPECT_EQ(commands.heightMapSize(), 16);
}

TEST_F(Commands, BadInputIsReportedWithItsReasonAndChangesNothing) {
    commands.save();
    commands.saveAs();
    commands.exportGameModel();
    EXPECT_EQ(log(), "error Error, no heightmap loaded; error Error, no heightmap loaded; "
                     "error Error, no heightmap loaded");
    EXPECT_EQ(files(), "");

    // A picture shown but never sampled (the size text chose no edge) is no heightmap: nothing
    // is written, not even an empty model.
    load("shown.bmp", std::nullopt);
    EXPECT_EQ(commands.heightMapSize(), 0);
    commands.save();
    commands.exportGameModel();
    EXPECT_EQ(log(), "error Error, no heightmap loaded; error Error, no heightmap loaded");

    load("good.bmp", 64);
    platform.answers << path("good.3do") << path("missing.bmp");
    commands.saveAs();
    const HeightMap grid = commands.heightMap();

    // A picture that does not load changes neither the edge nor the grid, whatever edge the
    // dialog chose: Save still writes the good model.
    commands.importHeightmap();
    commands.generateHeightmap(32);
    // Import cancelled while the size dialog is open: its OK finds no image to sample.
    commands.importHeightmap();
    commands.generateHeightmap(16);
    EXPECT_EQ(log(), "save *.3do; open /opt/grondel/bin *.bmp; show size; "
                     "error Error, invalid image (No such file or directory); "
                     "open /opt/grondel/bin *.bmp; "
                     "error Error, invalid image (No picture was chosen.)");
    EXPECT_EQ(commands.heightMap(), grid);
    EXPECT_EQ(commands.heightMapSize(), 64);
    commands.save();
    EXPECT_EQ(written("good.3do"), editorModel());
    EXPECT_EQ(commands.savePath(), path("good.3do"));
}

TEST_F(Commands, SaveAsAppendsTheSuffixUnlessThePathEndsInExactly3do) {
    load("hill.bmp", 32);
    for (const char* chosen : {"plain", "done.3do", "up.3DO", "old.3do.bak", "3do"}) {
        platform.answers << path(chosen);
        commands.saveAs();
        EXPECT_EQ(readAll(commands.savePath()).toStdString(), editorModel()) << chosen;
    }
    EXPECT_EQ(files(), "3do.3do done.3do old.3do.bak.3do plain.3do up.3DO.3do");
}

TEST_F(Commands, SaveAsksUntilAPathIsChosenAndKeepsItWhenWritingFails) {
    load("hill.bmp", 16);
    platform.answers << QString() << path("later/hill");
    commands.saveAs(); // cancelled
    commands.save();   // no path yet: Save runs Save As, into a folder not made yet
    EXPECT_EQ(log(), "save *.3do; save *.3do; error Error, could not save the model (No such "
                     "file or directory)");
    EXPECT_EQ(files(), "");

    ASSERT_TRUE(QDir(dir.path()).mkdir("later"));
    load("other.bmp", 64); // a new image keeps the path too
    commands.save();
    EXPECT_EQ(log(), "");
    EXPECT_EQ(written("later/hill.3do"), editorModel());

    commands.saveAs(); // cancelled again: the path is forgotten and Save asks
    commands.save();
    EXPECT_EQ(log(), "save *.3do; save *.3do");
}

TEST_F(Commands, ExportSuggestsThePicturesNameWritesTheGameModelAndSaysWhenItCannot) {
    load("hill.bmp", 32);
    platform.answers << path("hill.3do") << path("game") << path("game.3DO") << QString()
                     << path("missing/game.3do");
    commands.saveAs();
    for (int i = 0; i < 4; ++i)
        commands.exportGameModel();
    const std::string ask = "options; save *.3do \"Export Game Model\" at hill.3do";
    EXPECT_EQ(log(), "save *.3do; " + ask + "; " + ask + "; " + ask + "; " + ask +
                         "; error Error, could not save the model (No such file or directory)");
    const GameModelText expected = gameModelText(commands.heightMap(), 32);
    ASSERT_TRUE(expected.ok());
    EXPECT_EQ(written("game.3do"), expected.text);
    EXPECT_EQ(written("game.3DO.3do"), expected.text);
    EXPECT_EQ(commands.savePath(), path("hill.3do")); // the editor model's path stays
    EXPECT_EQ(files(), "game.3DO.3do game.3do hill.3do");
}

TEST_F(Commands, ExportOptionsStartFromTheSizeDialogsEdgeStayForTheRunAndReachTheFile) {
    load("hill.bmp", 32);
    platform.exportCancel = true;
    commands.exportGameModel(); // cancelled: nothing asked after it, nothing kept
    EXPECT_EQ(log(), "options");
    EXPECT_EQ(platform.offered, commands.exportOptions());
    EXPECT_EQ(platform.offered.terrain.edge, 32);
    EXPECT_EQ(platform.offered.model, GameModelOptions{});

    // Chosen options reach the file, byte for byte the model they make, and stay.
    GameTerrainOptions chosen;
    chosen.terrain = {TerrainRegion::Fit, TerrainHeights::Grey, 20};
    chosen.model = {2, 0.5, 3, "rock.mat", 160};
    chosen.maxError = 0.05;
    platform.exportCancel = false;
    platform.exportChoice = chosen;
    platform.answers << path("game");
    const int changes = platform.terrainChanges;
    commands.exportGameModel();
    EXPECT_EQ(written("game.3do"),
              printGameModel(buildGameTerrain(*commands.picture(), chosen).model));
    EXPECT_EQ(commands.exportOptions(), chosen);
    EXPECT_EQ(platform.terrainChanges, changes + 1); // an open terrain view follows them

    // A new sampling at another edge: the edge follows it, the other options stay.
    load("hill.bmp", 64);
    GameTerrainOptions expected = chosen;
    expected.terrain.edge = 64;
    EXPECT_EQ(commands.exportOptions(), expected);

    // The terrain view needs a heightmap, like the exports.
    commands.viewTerrain();
    EXPECT_EQ(log(), "show view");
}
