// The export options dialog and the terrain view, offscreen, over the real program.
#include "model3do/model_check.h"
#include "support/colormaps.h"
#include "support/files.h"
#include "ui/export_options_dialog.h"
#include "ui/program.h"
#include "ui/terrain_view.h"
#include "ui/terrain_view_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace grondel;
using namespace grondel::testing;

namespace {

// A 64 x 64 grey picture, a ridge running north-south down column 32, saved as a PNG.
QString ridgePicture(const QTemporaryDir& dir) {
    QImage picture(64, 64, QImage::Format_Grayscale8);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.scanLine(y)[x] = uchar(std::max(0, 250 - 14 * std::abs(x - 32)) + y % 3);
    const QString path = dir.filePath("ridge.png");
    EXPECT_TRUE(picture.save(path, "PNG"));
    return path;
}

// Imports path at edge 64 the way a user does.
void importAt64(Program& program, const QString& path) {
    program.answers << path;
    program.commands.importHeightmap();
    program.commands.generateHeightmap(64);
    ASSERT_TRUE(program.errors.isEmpty()) << program.errors.join("; ").toStdString();
}

// The numbers of a status line, in order.
QStringList numbersIn(const QString& status) {
    QStringList numbers;
    static const QRegularExpression number(R"(-?\d+(\.\d+)?(e-?\d+)?)");
    for (auto match = number.globalMatch(QString(status).remove(',')); match.hasNext();)
        numbers << match.next().captured();
    return numbers;
}

// Waits for a dialog's model to be built and shown.
QString settledStatus(const ExportOptionsDialog& dialog) {
    auto* status = dialog.findChild<QLabel*>("lblStatus");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return status->text().contains(" · check ") && !status->text().endsWith("..."); },
        10000))
        << status->text().toStdString();
    return status->text();
}

// Opens the export options, lets act set them, presses OK and waits for the dialog to close.
void exportWith(Program& program, const std::function<void(ExportOptionsDialog&)>& act) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ExportOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        act(*dialog);
        settledStatus(*dialog);
        QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 10000));
    });
    program.commands.exportGameModel();
    EXPECT_TRUE(shown);
}

} // namespace

TEST(ExportOptions, ATextureIsKeptAndWrittenBesideTheModelAsTheConverterWritesIt) {
    QTemporaryDir dir;
    const QString picture = ridgePicture(dir);
    QImage colours(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            colours.setPixel(x, y, qRgb(x * 16, y * 16, 200));
    const QString photo = dir.filePath("photo.png");
    ASSERT_TRUE(colours.save(photo, "PNG"));
    const QString cube = dir.filePath("level.cmp");
    ASSERT_TRUE(writeAll(cube, QByteArray::fromStdString(colormapBytes(colourCube()))));
    QDir(dir.path()).mkdir("out");
    Program program;
    importAt64(program, picture);
    // The converter's model and material for the same choices, and the window's.
    const auto same = [&](QStringList arguments) {
        convert(arguments << "--quiet"
                          << "--output" << dir.filePath("out/game.3do") << picture);
        for (const char* file : {"game.3do", "mat/game.mat"}) {
            SCOPED_TRACE(file);
            EXPECT_FALSE(readAll(dir.filePath(file)).isEmpty());
            EXPECT_EQ(readAll(dir.filePath(file)), readAll(dir.filePath("out/") + file));
        }
    };

    program.answers << dir.filePath("game.3do");
    exportWith(program, [](ExportOptionsDialog& dialog) {
        dialog.findChild<QRadioButton*>("optTextureShaded")->setChecked(true);
        auto* size = dialog.findChild<QComboBox*>("cboTextureSize");
        EXPECT_EQ(size->currentText(), "256");
        size->setCurrentText("64");
        // The converter takes no material or density with a texture.
        EXPECT_FALSE(dialog.findChild<QLineEdit*>("txtMaterial")->isEnabled());
        EXPECT_FALSE(dialog.findChild<QLineEdit*>("txtTexelsPerUnit")->isEnabled());
    });
    EXPECT_TRUE(program.errors.isEmpty()) << program.errors.join("; ").toStdString();
    same({"--game", "--texture", "shaded", "--texture-size", "64"});

    // Opened again it shows the choice; replacing the model takes its material along.
    program.answers << photo << cube << dir.filePath("game.3do");
    program.replies << true;
    exportWith(program, [](ExportOptionsDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("optTextureShaded")->isChecked());
        EXPECT_EQ(dialog.findChild<QComboBox*>("cboTextureSize")->currentText(), "64");
        QTest::mouseClick(dialog.findChild<QPushButton*>("cmdTexturePicture"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>("cmdColormap"), Qt::LeftButton);
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("optTexturePicture")->isChecked());
    });
    EXPECT_EQ(program.errors, QStringList{"ask game.3do already exists. Replace it?"});
    same({"--game", "--texture", photo, "--texture-size", "64", "--colormap", cube});
    EXPECT_EQ(program.commands.exportOptions().texture.source, TextureSource::Picture);
}

TEST(ExportOptions, ATexturePictureOrColormapThatCannotBeReadIsNamedAndNothingIsWritten) {
    QTemporaryDir dir;
    Program program;
    importAt64(program, ridgePicture(dir));
    const QString notPicture = dir.filePath("notes.png");
    ASSERT_TRUE(writeAll(notPicture, "no picture"));
    const QString cut = dir.filePath("cut.cmp");
    ASSERT_TRUE(writeAll(cut, QByteArray::fromStdString(colormapBytes(colourCube())).left(900)));
    const std::tuple<const char*, QString, const char*> rows[] = {
        {"cmdTexturePicture", notPicture, "Texture picture notes.png: "},
        {"cmdColormap", cut, "Colormap cut.cmp: "},
    };
    for (const auto& [button, file, line] : rows) {
        SCOPED_TRACE(button);
        program.answers << file << dir.filePath("game.3do");
        QString status, box;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ExportOptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QRadioButton*>("optTextureShaded")->setChecked(true);
            QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
            status = dialog->findChild<QLabel*>("lblStatus")->text();
            QTimer::singleShot(0, [&] {
                auto* refusal = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(refusal, nullptr);
                box = refusal->text();
                refusal->accept();
            });
            dialog->cmdOk_Click();
            EXPECT_TRUE(dialog->isVisible());
            dialog->reject();
        });
        program.commands.exportGameModel();
        EXPECT_TRUE(status.startsWith(line)) << status.toStdString();
        EXPECT_FALSE(status.contains('\n'));
        EXPECT_EQ(box, status);
        EXPECT_EQ(entries(dir.path()), (QStringList{"cut.cmp", "notes.png", "ridge.png"}));
        program.answers.clear();
    }
}

TEST(ExportOptions, TheChosenOptionsReachTheFileAsTheConverterWritesThem) {
    QTemporaryDir dir;
    const QString picture = ridgePicture(dir);
    Program program;
    importAt64(program, picture);
    program.answers << dir.filePath("game.3do");
    bool shown = false;
    QString status;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ExportOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        // The edge starts at the size dialog's.
        EXPECT_EQ(dialog->findChild<QLineEdit*>("txtEdge")->text(), "64");
        dialog->findChild<QRadioButton*>("optFit")->setChecked(true);
        dialog->findChild<QRadioButton*>("optGrey")->setChecked(true);
        dialog->findChild<QLineEdit*>("txtEdge")->setText("40");
        dialog->findChild<QLineEdit*>("txtScaleX")->setText("2");
        dialog->findChild<QLineEdit*>("txtScaleZ")->setText("0.5");
        dialog->findChild<QLineEdit*>("txtMaterial")->setText("rock.mat");
        dialog->findChild<QLineEdit*>("txtTexelsPerUnit")->setText("160");
        dialog->findChild<QLineEdit*>("txtMaxError")->setText("0.01");
        // OK waits for the model of these very options, then takes it.
        QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 10000));
        status = dialog->findChild<QLabel*>("lblStatus")->text();
    });
    program.commands.exportGameModel();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(program.errors.isEmpty()) << program.errors.join("; ").toStdString();

    const QByteArray written = readAll(dir.filePath("game.3do"));
    EXPECT_EQ(written, convert({"--game", "--fit", "--heights", "grey", "--size", "40", "--scale",
                                "2,1,0.5", "--material", "rock.mat", "--texels-per-unit", "160",
                                "--max-error", "0.01", "--output", "-", picture}));
    // The status line counts what was written: meshes, vertices and faces.
    const ModelCheck check = checkModel(written.toStdString(), {true});
    ASSERT_TRUE(check.ok());
    const QStringList numbers = numbersIn(status);
    ASSERT_GE(numbers.size(), 5) << status.toStdString();
    EXPECT_EQ(numbers.mid(0, 5),
              (QStringList{"40", "40", QString::number(check.meshes),
                           QString::number(check.vertices), QString::number(check.faces)}));
    EXPECT_TRUE(
        status.endsWith(QStringLiteral("check ok · walkable: the game tests %1 faces a move")
                            .arg(QLocale(QLocale::English).toString(check.faces))))
        << status.toStdString();

    // They stay for the rest of the run.
    EXPECT_EQ(program.commands.exportOptions().model.material, "rock.mat");
    EXPECT_EQ(program.commands.exportOptions().terrain.edge, 40);
}

TEST(ExportOptions, EachFieldOutOfRangeSaysSoAndOkKeepsTheDialogOpen) {
    QTemporaryDir dir;
    Program program;
    importAt64(program, ridgePicture(dir));
    ExportOptionsDialog dialog(program, program.commands.picture(),
                               program.commands.exportOptions());
    dialog.show();
    const QString first = settledStatus(dialog);
    const std::pair<const char*, const char*> refusals[] = {
        {"txtScaleX", "Scale X must be a number from 0.001 to 1000"},
        {"txtScaleY", "Scale Y must be a number from 0.001 to 1000"},
        {"txtScaleZ", "Scale Z must be a number from 0.001 to 1000"},
        {"txtTexelsPerUnit", "Texels per unit must be a number from 0.001 to 100000"},
        {"txtMaterial", "Material must be a file name like dflt.mat"},
        {"txtEdge", "Grid edge must be a whole number from 2 to 257"},
        {"txtMaxError", "Largest error must be a number of world units from 0"},
        {"txtMaxFaces", "Most faces must be a whole number of at least 2, or empty for none"},
    };
    for (const auto& [name, message] : refusals) {
        SCOPED_TRACE(name);
        auto* field = dialog.findChild<QLineEdit*>(name);
        const QString before = field->text();
        field->setText(QString(name) == "txtMaterial" ? "no space.mat" : "-1");
        auto* status = dialog.findChild<QLabel*>("lblStatus");
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith(message); }, 2000))
            << status->text().toStdString();
        QString boxText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            boxText = box->text();
            box->accept();
        });
        dialog.cmdOk_Click();
        EXPECT_TRUE(boxText.startsWith(message)) << boxText.toStdString();
        EXPECT_TRUE(dialog.isVisible());
        field->setText(before);
    }
    EXPECT_EQ(settledStatus(dialog), first);
}

TEST(ExportOptions, ChangingAnOptionChangesTheModelDrawnAndItsCounts) {
    QTemporaryDir dir;
    Program program;
    importAt64(program, ridgePicture(dir));
    ExportOptionsDialog dialog(program, program.commands.picture(),
                               program.commands.exportOptions());
    dialog.resize(700, 560);
    dialog.show();
    const QString full = settledStatus(dialog);
    EXPECT_TRUE(full.startsWith("Grid 64 x 64 · 16 meshes · 4,489 vertices · 7,938 faces · "))
        << full.toStdString();
    EXPECT_TRUE(full.contains(" · largest error 0 · ")) << full.toStdString();
    const QImage before = dialog.view()->picture().copy();

    dialog.findChild<QLineEdit*>("txtEdge")->setText("32");
    auto* status = dialog.findChild<QLabel*>("lblStatus");
    ASSERT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith("Grid 32 x 32"); }, 5000));
    EXPECT_TRUE(status->text().contains("4 meshes · 1,089 vertices · 1,922 faces"));
    dialog.findChild<QLineEdit*>("txtMaxError")->setText("0.5");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !status->text().contains("1,922 faces") && status->text().contains("check"); },
        5000));
    EXPECT_LT(numbersIn(status->text()).value(4).toInt(), 1922) << status->text().toStdString();
    EXPECT_NE(dialog.view()->picture(), before);
}

TEST(TerrainView, ADoubleClickOnThePreviewOpensItOnceAndEscClosesIt) {
    QTemporaryDir dir;
    Program program;
    auto* preview = program.window.findChild<QWidget*>("Picture1");
    QTest::mouseDClick(preview, Qt::LeftButton); // nothing to view yet: nothing happens
    EXPECT_EQ(program.errors, QStringList{});
    EXPECT_EQ(program.openWindow(Window::TerrainView), nullptr);

    importAt64(program, ridgePicture(dir));
    QTest::mouseDClick(preview, Qt::LeftButton);
    const QPointer<QWidget> window = program.openWindow(Window::TerrainView);
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->objectName(), "frmTerrainView");
    QTest::mouseDClick(preview, Qt::LeftButton);
    EXPECT_EQ(program.openWindow(Window::TerrainView), window.data()); // once
    auto* status = window->findChild<QLabel*>("lblStatus");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().startsWith("Grid 64 x 64"); }, 5000));

    // Seen from above, north up: the ridge's west face is the brighter.
    auto* view = window->findChild<TerrainView*>("TerrainView");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(view, Qt::Key_T);
    const QImage top = view->picture().copy();
    const int middle = top.width() / 2, row = top.height() / 2;
    EXPECT_GT(qGray(top.pixel(middle - 6, row)), qGray(top.pixel(middle + 6, row)) + 20);
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_NE(view->picture(), top);

    QTest::keyClick(window, Qt::Key_Escape);
    flushDeletes();
    EXPECT_TRUE(window.isNull());
}

TEST(ExportOptions, EveryChoiceShowsSelectedAndIsKeptSoTheViewAndTheFileAgree) {
    QTemporaryDir dir;
    const QString picture = ridgePicture(dir);
    Program program;
    importAt64(program, picture);
    const auto choose = [&](std::initializer_list<const char*> chosen, const QString& path) {
        program.answers << path;
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ExportOptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (auto* button : dialog->findChildren<QRadioButton*>())
                shown += button->isChecked() ? button->objectName() + " " : "";
            for (const char* name : chosen)
                dialog->findChild<QRadioButton*>(name)->setChecked(true);
            settledStatus(*dialog);
            QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 10000));
        });
        program.commands.exportGameModel();
        return shown.toStdString();
    };
    // One of each pair is chosen, from the first opening on: walkable first.
    EXPECT_EQ(choose({"optFit", "optGrey", "optScenery"}, dir.filePath("first.3do")),
              "optTopLeft optColour optWalkable optTextureNone ");
    // Opened again, it shows what was taken, and takes it again.
    EXPECT_EQ(choose({}, dir.filePath("again.3do")), "optFit optGrey optScenery optTextureNone ");
    const QByteArray converted = convert({"--game", "--fit", "--heights", "grey", "--size", "64",
                                          "--scenery", "--output", "-", picture});
    EXPECT_EQ(readAll(dir.filePath("first.3do")), converted);
    EXPECT_EQ(readAll(dir.filePath("again.3do")), converted);
    // The terrain view builds the same options.
    EXPECT_EQ(program.commands.exportOptions().terrain.region, TerrainRegion::Fit);
}

TEST(ExportOptions, ScaleOpensAtTheScaleFieldsAndOkDuringABuildSaysItWaits) {
    QTemporaryDir dir;
    Program program;
    importAt64(program, ridgePicture(dir));
    QString focused, waiting;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ExportOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : "";
        dialog->findChild<QLineEdit*>("txtScaleZ")->setText("2");
        QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
        waiting = dialog->findChild<QLabel*>("lblStatus")->text();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 10000));
    });
    QTest::mouseClick(program.window.findChild<QPushButton*>("cmdScale"), Qt::LeftButton);
    EXPECT_EQ(focused.toStdString(), "txtScaleX");
    EXPECT_TRUE(waiting.startsWith("Building...")) << waiting.toStdString();
    EXPECT_EQ(program.commands.exportOptions().model.scaleZ, 2); // taken once built
}

TEST(TerrainView, KeepsItsKeysWhenAToggleIsClickedAndEveryButtonSaysWhatItDoes) {
    QTemporaryDir dir;
    Program program;
    importAt64(program, ridgePicture(dir));
    program.commands.viewTerrain();
    QWidget* window = program.openWindow(Window::TerrainView);
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* view = window->findChild<TerrainView*>("TerrainView");
    view->setFocus();
    ASSERT_EQ(window->focusWidget(), view);
    QTest::mouseClick(window->findChild<QCheckBox*>("chkFaceEdges"), Qt::LeftButton);
    EXPECT_EQ(window->focusWidget(), view);

    ExportOptionsDialog options(program, program.commands.picture(),
                                program.commands.exportOptions());
    for (QWidget* shown : std::initializer_list<QWidget*>{&program.window, window, &options})
        for (auto* button : shown->findChildren<QAbstractButton*>()) {
            if (!button->objectName().startsWith("qt_")) { // the toolkit's own, never shown here
                EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
            }
        }
}
