#include "commands/main_commands.h"
#include "model3do/editor_model.h"
#include "model3do/game_model.h"
#include "support/fake_platform.h"
#include "support/files.h"
#include "support/game_models.h"
#include "terrain/game_terrain.h"

#include <tuple>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

const std::string kPictures = "*.bmp *.png *.jpg *.jpeg *.pgm *.ppm";

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
    void load(const QString& name, std::int16_t edge) {
        if (!QFile::exists(path(name)))
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

TEST_F(Commands, ImportReadsThePictureAtOnceAndOkSamplesTheNewestChoice) {
    writePicture("first.bmp");
    writePicture("second.bmp");
    platform.answers << path("first.bmp") << path("second.bmp");
    commands.importHeightmap();
    commands.importHeightmap(); // again while the size dialog is open: the folder last used
    EXPECT_EQ(log(), "open /opt/grondel/bin " + kPictures + "; show size; open " +
                         dir.path().toStdString() + " " + kPictures + "; show size");
    EXPECT_EQ(platform.jobs, QStringList({"Importing first.bmp", "Importing second.bmp"}));
    EXPECT_EQ(platform.stages, (std::vector{BuildStage::Reading, BuildStage::Reading}));
    EXPECT_FALSE(commands.heightmapLoaded()); // sampling waits for the size dialog's OK
    EXPECT_EQ(commands.suggestedEdge(), 64);

    EXPECT_TRUE(commands.generateHeightmap(32));
    EXPECT_EQ(log(), "preview 64x64");
    EXPECT_EQ(commands.heightMap()(31, 0), packColour(31, 0, 1)); // column by row, second
    EXPECT_EQ(platform.shownName.toStdString(), "second.bmp");
    EXPECT_EQ(platform.shownEdge, 32);

    // A picture dropped on the window is taken as if chosen in the dialog.
    writePicture("dropped.bmp");
    commands.importDropped(path("dropped.bmp"));
    EXPECT_EQ(commands.importPath(), path("dropped.bmp"));
    commands.generateHeightmap(16);
    EXPECT_EQ(log(), "show size; preview 64x64");
    EXPECT_EQ(platform.shown, commands.picture());
    EXPECT_EQ(commands.heightMapSize(), 16);

    // Cancelled while reading: nothing changes but the path.
    platform.cancelJobs = true;
    commands.importDropped(path("first.bmp"));
    EXPECT_EQ(log(), "cancel");
    EXPECT_EQ(commands.importPath(), "");
    EXPECT_EQ(platform.shown, commands.picture());
}

TEST_F(Commands, TheSizeDialogStartsAtThePicturesOwnEdgeAndAsksAgainForATextThatMatchesNone) {
    for (const auto& [width, height, edge] :
         {std::tuple{16, 16, 16}, {32, 32, 32}, {64, 64, 64}, {20, 20, 64}, {32, 16, 64}}) {
        const QString name = QStringLiteral("p%1x%2.pgm").arg(width).arg(height);
        ASSERT_TRUE(writeAll(path(name),
                             QStringLiteral("P5 %1 %2 255\n").arg(width).arg(height).toLatin1() +
                                 QByteArray(width * height, '\x40')));
        commands.importDropped(path(name));
        EXPECT_EQ(commands.suggestedEdge(), edge) << width << "x" << height;
    }
    EXPECT_FALSE(commands.generateHeightmap(std::nullopt));
    EXPECT_EQ(log(), "show size; show size; show size; show size; show size; "
                     "error Choose 16x16, 32x32 or 64x64");
    EXPECT_FALSE(commands.heightmapLoaded());
}

TEST_F(Commands, BadInputIsReportedWithItsFileAndReasonAndChangesNothing) {
    commands.save();
    commands.saveAs();
    commands.exportGameModel();
    EXPECT_EQ(log(), "error Error, no heightmap loaded; error Error, no heightmap loaded; "
                     "error Error, no heightmap loaded");
    EXPECT_EQ(files(), "");

    load("good.bmp", 64);
    platform.answers << path("good.3do") << path("missing.bmp");
    commands.saveAs();
    const HeightMap grid = commands.heightMap();

    // A picture that does not load says so at once, naming it; no size is asked for.
    commands.importHeightmap();
    EXPECT_EQ(log(), "save *.3do at good.3do; open " + dir.path().toStdString() + " " + kPictures +
                         "; error Error, invalid image: missing.bmp (No such file or directory)");
    // Import cancelled while the size dialog is open: its OK finds no image to sample.
    commands.importHeightmap();
    EXPECT_TRUE(commands.generateHeightmap(16));
    EXPECT_EQ(log(), "open " + dir.path().toStdString() + " " + kPictures +
                         "; error Error, invalid image (No picture was chosen.)");
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

TEST_F(Commands, AFileThatExistsIsReplacedOnlyWhenTheUserSaysSo) {
    load("crater.bmp", 32);
    ASSERT_TRUE(writeAll(path("crater64.3do"), "older"));
    ASSERT_TRUE(writeAll(path("locked.3do"), "locked"));
    ASSERT_TRUE(QFile::setPermissions(path("locked.3do"), QFileDevice::ReadOwner));
    struct Case {
        const char* chosen; // as the dialog gives it
        bool yes;
        const char* asked;
        const char* after; // what the file holds then, the model as "model"
    };
    const Case cases[] = {
        {"crater64", false, "ask crater64.3do already exists. Replace it?", "older"},
        {"crater64.3do", false, "ask crater64.3do already exists. Replace it?", "older"},
        {"crater64", true, "ask crater64.3do already exists. Replace it?", "model"},
        {"locked.3do", false, "ask locked.3do is read-only. Replace it anyway?", "locked"},
        {"locked.3do", true, "ask locked.3do is read-only. Replace it anyway?", "model"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        platform.answers << path(c.chosen);
        platform.replies << c.yes;
        commands.saveAs();
        EXPECT_EQ(log(), std::string("save *.3do at crater.3do; ") + c.asked);
        const std::string after = c.after == std::string("model") ? editorModel() : c.after;
        EXPECT_EQ(written(withModelSuffix(c.chosen)), after);
        EXPECT_EQ(commands.savePath().isEmpty(), !c.yes); // refused: the next Save asks
    }
    // The game model asks the same.
    platform.answers << path("crater64");
    platform.replies << false;
    commands.exportGameModel();
    EXPECT_EQ(log(), "options; save *.3do \"Export Game Model\" at crater.3do; ask crater64.3do "
                     "already exists. Replace it?");
}

TEST_F(Commands, SaveAsksUntilAPathIsChosenAndAnotherPictureForgetsIt) {
    load("hill.bmp", 16);
    platform.answers << QString() << path("later/hill");
    commands.saveAs(); // cancelled
    commands.save();   // no path yet: Save runs Save As, into a folder not made yet
    EXPECT_EQ(log(), "save *.3do at hill.3do; save *.3do at hill.3do; error Error, could not "
                     "save the model: hill.3do (No such file or directory)");
    EXPECT_EQ(files(), "");

    ASSERT_TRUE(QDir(dir.path()).mkdir("later"));
    load("hill.bmp", 64); // the same picture again keeps the path
    commands.save();
    EXPECT_EQ(log(), "");
    EXPECT_EQ(written("later/hill.3do"), editorModel());

    // Another picture's grid never goes over this one's model: Save asks, in the folder last
    // used (the picture's), with its name.
    const int changes = platform.stateChanges;
    load("crater.bmp", 64);
    EXPECT_EQ(commands.savePath(), "");
    EXPECT_GT(platform.stateChanges, changes); // the main window shows it
    commands.save();
    EXPECT_EQ(log(), "save *.3do at crater.3do");
}

TEST_F(Commands, ExportSuggestsThePicturesNameWritesTheGameModelAndSaysWhenItCannot) {
    load("hill.bmp", 32);
    platform.answers << path("hill.3do") << path("game") << path("game.3DO") << QString()
                     << path("missing/game.3do");
    commands.saveAs();
    for (int i = 0; i < 4; ++i)
        commands.exportGameModel();
    const std::string ask = "options; save *.3do \"Export Game Model\" at hill.3do";
    EXPECT_EQ(log(), "save *.3do at hill.3do; " + ask + "; " + ask + "; " + ask + "; " + ask +
                         "; error Error, could not save the model: game.3do (No such file or "
                         "directory)");
    const GameModelText expected = gameModelText(commands.heightMap(), 32);
    ASSERT_TRUE(expected.ok());
    EXPECT_EQ(written("game.3do"), expected.text);
    EXPECT_EQ(written("game.3DO.3do"), expected.text);
    EXPECT_EQ(commands.savePath(), path("hill.3do")); // the editor model's path stays
    EXPECT_EQ(files(), "game.3DO.3do game.3do hill.3do");
    EXPECT_EQ(platform.stages.back(), BuildStage::Printing); // printed off the interface thread

    // Scale opens the same options, at the scale fields.
    platform.answers << QString();
    commands.scale();
    EXPECT_EQ(log(), "options at scale; save *.3do \"Export Game Model\" at hill.3do");
}

TEST(ReadableReason, StartsWithACapitalAndGroupsLongWholeNumbers) {
    const std::pair<const char*, const char*> rows[] = {
        {"texture coordinates would reach 400000000 texels", "Texture coordinates would reach "
                                                             "400,000,000 texels"},
        {"the picture is 8193 x 20 pixels", "The picture is 8,193 x 20 pixels"},
        {"an error of 0.00012345 at 1234.5678", "An error of 0.00012345 at 1,234.5678"},
        {"valley_1025.png holds 0x400048 and 2^21", "Valley_1025.png holds 0x400048 and 2^21"},
        {"", ""},
    };
    for (const auto& [reason, shown] : rows)
        EXPECT_EQ(readableReason(reason).toStdString(), shown);
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
