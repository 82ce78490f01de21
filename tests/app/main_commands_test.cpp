#include "app/main_commands.h"
#include "export/editor_model.h"
#include "export/game_model.h"
#include "support/fake_platform.h"
#include "support/files.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace grondel;
using grondel::testing::entries;
using grondel::testing::FakePicture;
using grondel::testing::FakePlatform;
using grondel::testing::readAll;
using grondel::testing::writeAll;

namespace {

const QString kProgramFolder = QStringLiteral("/opt/grondel/bin");

// Every pixel a different colour, and red/green tell column from row.
QImage gradientImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x, y, (x * 7 + y * 3) & 0xff));
    return image;
}

QImage flatImage(int edge, QRgb colour) {
    QImage image(edge, edge, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Import, then the size dialog's OK at edge: what the user does to load a heightmap.
    void load(const QString& imagePath, std::int16_t edge) {
        platform.openAnswers.push_back(imagePath);
        commands.importHeightmap();
        commands.setHeightMapSize(edge);
        commands.generateHeightmap();
    }

    // Registers an image under name and loads it at edge.
    void loadNew(const QString& name, const QImage& image, std::int16_t edge) {
        platform.fakePicture.addFile(path(name), image);
        load(path(name), edge);
        ASSERT_TRUE(platform.errors.isEmpty()) << platform.errors.join("; ").toStdString();
    }

    QByteArray editorModel() const {
        return QByteArray::fromStdString(
            *formatEditorModel(commands.heightMap(), commands.heightMapSize()));
    }

    QTemporaryDir dir;
    FakePlatform platform;
    MainCommands commands{platform, kProgramFolder};
};

} // namespace

TEST(SizeText, OnlyTheThreeOfferedTextsChooseAnEdge) {
    EXPECT_EQ(edgeForSizeText("16x16"), 16);
    EXPECT_EQ(edgeForSizeText("32x32"), 32);
    EXPECT_EQ(edgeForSizeText("64x64"), 64);
    for (const char* text :
         {"32X32", " 32x32", "32x32 ", "32", "128x128", "8x8", "", "16x32", "64×64", "032x032"})
        EXPECT_EQ(edgeForSizeText(text), std::nullopt) << text;
}

TEST(ModelSuffix, AppendedUnlessTheLastFourCharactersAreExactly3do) {
    EXPECT_EQ(withModelSuffix("/a/terrain.3do"), "/a/terrain.3do");
    EXPECT_EQ(withModelSuffix("/a/terrain"), "/a/terrain.3do");
    EXPECT_EQ(withModelSuffix("/a/terrain.3DO"), "/a/terrain.3DO.3do");
    EXPECT_EQ(withModelSuffix("/a/terrain.3do.bak"), "/a/terrain.3do.bak.3do");
    EXPECT_EQ(withModelSuffix(".3do"), ".3do");
    EXPECT_EQ(withModelSuffix("3do"), "3do.3do");
    EXPECT_EQ(withModelSuffix("x"), "x.3do");
}

TEST_F(Commands, ImportAsksInTheProgramFolderAndOpensTheSizeDialogWithoutSampling) {
    platform.openAnswers.push_back(path("hill.bmp"));
    commands.importHeightmap();

    ASSERT_EQ(platform.openRequests.size(), 1u);
    EXPECT_EQ(platform.openRequests[0].folder, kProgramFolder);
    EXPECT_EQ(platform.openRequests[0].pattern, "*.bmp");
    EXPECT_EQ(commands.importPath(), path("hill.bmp"));
    EXPECT_EQ(platform.shownWindows, std::vector{Window::SizeDialog});
    EXPECT_TRUE(platform.fakePicture.loads.isEmpty());
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(Commands, CancelledImportOnlyEmptiesTheImportPath) {
    loadNew("hill.bmp", gradientImage(16, 16), 16);
    platform.saveAnswers.push_back(path("hill.3do"));
    commands.saveAs();
    const HeightMap grid = commands.heightMap();
    platform.shownWindows.clear();

    platform.openAnswers.push_back(QString());
    commands.importHeightmap();

    EXPECT_TRUE(commands.importPath().isEmpty());
    EXPECT_TRUE(platform.shownWindows.empty());
    EXPECT_EQ(commands.savePath(), path("hill.3do"));
    EXPECT_EQ(commands.heightMap(), grid);
    EXPECT_EQ(commands.heightMapSize(), 16);
    EXPECT_TRUE(commands.imageLoaded());
}

TEST_F(Commands, SamplingCopiesTheTopLeftSquareColumnByRow) {
    loadNew("big.bmp", gradientImage(128, 100), 64);

    EXPECT_TRUE(commands.imageLoaded());
    EXPECT_EQ(platform.fakePicture.loads, QStringList{path("big.bmp")});
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            ASSERT_EQ(commands.heightMap()(x, y), packColour(x, y, (x * 7 + y * 3) & 0xff))
                << x << "," << y;
}

TEST_F(Commands, EdgeZeroShowsTheImageAndWritesNoCell) {
    loadNew("hill.bmp", gradientImage(64, 64), 0);

    EXPECT_TRUE(commands.imageLoaded());
    EXPECT_EQ(commands.heightMap(), HeightMap{});
}

TEST_F(Commands, AnImageThatDoesNotLoadChangesNothing) {
    loadNew("good.bmp", flatImage(32, qRgb(1, 2, 3)), 32);
    const HeightMap grid = commands.heightMap();

    load(path("missing.bmp"), 64);

    EXPECT_EQ(platform.errors, QStringList{"Error, invalid image"});
    EXPECT_EQ(commands.heightMap(), grid);
    EXPECT_EQ(commands.heightMapSize(), 64); // the dialog set it before sampling
    EXPECT_TRUE(commands.imageLoaded());
    EXPECT_EQ(platform.picture().pixel(0, 0), packColour(1, 2, 3));
}

TEST_F(Commands, SamplingWithNoImportPathFailsWithoutTryingToLoad) {
    commands.setHeightMapSize(32);
    commands.generateHeightmap();

    EXPECT_EQ(platform.errors, QStringList{"Error, invalid image"});
    EXPECT_TRUE(platform.fakePicture.loads.isEmpty());
    EXPECT_EQ(commands.heightMap(), HeightMap{});
}

TEST_F(Commands, AnEdgeBeyondTheGridFailsAfterFillingWhatFits) {
    loadNew("white.bmp", flatImage(128, qRgb(255, 255, 255)), 16);
    commands.setHeightMapSize(65);
    commands.generateHeightmap();

    // Column by column: the first column fills, then row 64 of it is refused.
    EXPECT_EQ(platform.errors, QStringList{"Error, invalid image"});
    EXPECT_EQ(commands.heightMap()(0, 63), 16777215);
    EXPECT_EQ(commands.heightMap()(20, 0), 0);
}

TEST_F(Commands, ImportWhileTheSizeDialogIsOpenSamplesTheNewerImage) {
    platform.fakePicture.addFile(path("first.bmp"), flatImage(16, qRgb(10, 0, 0)));
    platform.fakePicture.addFile(path("second.bmp"), flatImage(16, qRgb(20, 0, 0)));
    platform.openAnswers = {path("first.bmp"), path("second.bmp")};
    commands.importHeightmap();
    commands.importHeightmap();

    commands.setHeightMapSize(16);
    commands.generateHeightmap();

    EXPECT_EQ(platform.fakePicture.loads, QStringList{path("second.bmp")});
    EXPECT_EQ(commands.heightMap()(0, 0), 20);
}

TEST_F(Commands, SaveBeforeAnyImportSaysNoHeightmapAndAsksNothing) {
    commands.save();

    EXPECT_EQ(platform.errors, QStringList{"Error, no heightmap loaded"});
    EXPECT_TRUE(platform.saveRequests.isEmpty());
    EXPECT_TRUE(commands.savePath().isEmpty());
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

TEST_F(Commands, SaveAsAppliesTheSuffixRuleAndWritesTheEditorModel) {
    loadNew("hill.bmp", gradientImage(64, 64), 32);
    struct Case {
        const char* chosen;
        const char* written;
    };
    for (const Case& c : {Case{"plain", "plain.3do"}, Case{"done.3do", "done.3do"},
                          Case{"upper.3DO", "upper.3DO.3do"}}) {
        platform.saveAnswers.push_back(path(c.chosen));
        commands.saveAs();
        EXPECT_EQ(commands.savePath(), path(c.written));
        EXPECT_EQ(readAll(path(c.written)), editorModel()) << c.written;
    }
    EXPECT_EQ(platform.saveRequests, QStringList(3, "*.3do"));
    EXPECT_EQ(entries(dir.path()), (QStringList{"done.3do", "plain.3do", "upper.3DO.3do"}));
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(Commands, SaveAfterSaveAsWritesTheSamePathWithoutAsking) {
    loadNew("hill.bmp", gradientImage(64, 64), 16);
    platform.saveAnswers.push_back(path("hill"));
    commands.save(); // no path yet: runs Save As

    // A second import keeps the path: Save overwrites the earlier file.
    loadNew("flat.bmp", flatImage(64, qRgb(9, 9, 9)), 64);
    commands.save();

    EXPECT_EQ(platform.saveRequests.size(), 1);
    EXPECT_EQ(commands.savePath(), path("hill.3do"));
    EXPECT_EQ(readAll(path("hill.3do")), editorModel());
    EXPECT_EQ(entries(dir.path()), QStringList{"hill.3do"});
}

TEST_F(Commands, CancelledSaveAsForgetsThePathSoSaveAsksAgain) {
    loadNew("hill.bmp", gradientImage(16, 16), 16);
    platform.saveAnswers = {path("first.3do"), QString(), QString()};
    commands.saveAs();
    commands.saveAs();
    EXPECT_TRUE(commands.savePath().isEmpty());

    commands.save();
    EXPECT_EQ(platform.saveRequests.size(), 3);
    EXPECT_TRUE(platform.errors.isEmpty());
    EXPECT_EQ(entries(dir.path()), QStringList{"first.3do"});
}

TEST_F(Commands, AFailedSaveSaysSoAndKeepsThePathForTheNextTry) {
    loadNew("hill.bmp", gradientImage(16, 16), 16);
    const QString folder = path("later");
    platform.saveAnswers.push_back(folder + "/hill.3do");
    commands.saveAs();

    EXPECT_EQ(platform.errors, QStringList{"Error, could not save the model"});
    EXPECT_EQ(commands.savePath(), folder + "/hill.3do");

    ASSERT_TRUE(QDir().mkdir(folder));
    commands.save();
    EXPECT_EQ(platform.errors.size(), 1);
    EXPECT_EQ(readAll(folder + "/hill.3do"), editorModel());
}

TEST_F(Commands, ScaleOnlyApologises) {
    loadNew("hill.bmp", gradientImage(16, 16), 16);
    const HeightMap grid = commands.heightMap();
    platform.shownWindows.clear();

    commands.scale();

    EXPECT_EQ(platform.errors, QStringList{"Sorry this feature is currently unavailable"});
    EXPECT_EQ(commands.heightMap(), grid);
    EXPECT_TRUE(platform.shownWindows.empty());
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

TEST_F(Commands, HelpAboutAndExitGoToThePlatform) {
    commands.howToUse();
    commands.about();
    EXPECT_EQ(platform.shownWindows, (std::vector{Window::HowToUse, Window::About}));
    EXPECT_EQ(platform.quits, 0);

    commands.exit();
    EXPECT_EQ(platform.quits, 1);
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(Commands, ExportNeedsAnImage) {
    commands.exportGameModel();

    EXPECT_EQ(platform.errors, QStringList{"Error, no heightmap loaded"});
    EXPECT_TRUE(platform.saveRequests.isEmpty());
}

TEST_F(Commands, ExportWritesTheGameModelWithTheSuffixRuleAndLeavesSavePathAlone) {
    loadNew("hill.bmp", gradientImage(64, 64), 32);
    const auto expected = formatGameModel(commands.heightMap(), 32);
    ASSERT_TRUE(expected);

    platform.saveAnswers = {path("game"), path("game.3DO"), QString()};
    commands.exportGameModel();
    commands.exportGameModel();
    commands.exportGameModel(); // cancelled: nothing more

    EXPECT_EQ(platform.saveRequests, QStringList(3, "*.3do"));
    EXPECT_EQ(readAll(path("game.3do")).toStdString(), *expected);
    EXPECT_EQ(readAll(path("game.3DO.3do")).toStdString(), *expected);
    EXPECT_EQ(entries(dir.path()), (QStringList{"game.3DO.3do", "game.3do"}));
    EXPECT_TRUE(commands.savePath().isEmpty());
    EXPECT_TRUE(platform.errors.isEmpty());
}

TEST_F(Commands, AnExportThatCannotBeWrittenSaysSo) {
    // No size matched in the dialog: the edge is still 0, too small for a terrain.
    loadNew("hill.bmp", gradientImage(16, 16), 0);
    platform.saveAnswers = {path("flat.3do"), path("missing/game.3do")};
    commands.exportGameModel();
    EXPECT_EQ(platform.errors, QStringList{"Error, could not save the model"});

    commands.setHeightMapSize(16);
    commands.exportGameModel();
    EXPECT_EQ(platform.errors.size(), 2);
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}
