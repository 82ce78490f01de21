#include "ui/export_options_dialog.h"

#include "commands/main_commands.h"
#include "model3do/limits.h"
#include "model3do/number_text.h"
#include "terrain/texture_files.h"
#include "ui/terrain_view.h"
#include "ui/windows.h"

#include <initializer_list>
#include <limits>
#include <new>
#include <tuple>
#include <utility>

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace grondel {
namespace {

// A field's number, '.' the point whatever the locale; fallback, out of every range, when the
// field holds no number.
template <typename Number>
Number numberIn(const QLineEdit* field, Number fallback) {
    (void)readNumber(field->text().trimmed().toStdString(), fallback);
    return fallback;
}

// How the dialog names each option: as its field's label.
QString labelOf(GameOption option) {
    switch (option) {
    case GameOption::ScaleX:
        return QStringLiteral("Scale X");
    case GameOption::ScaleY:
        return QStringLiteral("Scale Y");
    case GameOption::ScaleZ:
        return QStringLiteral("Scale Z");
    case GameOption::Material:
        return QStringLiteral("Material");
    case GameOption::TexelsPerUnit:
        return QStringLiteral("Texels per unit");
    case GameOption::Edge:
        return QStringLiteral("Grid edge");
    case GameOption::MaxError:
        return QStringLiteral("Largest error");
    case GameOption::MaxFaces:
        return QStringLiteral("Most faces");
    case GameOption::TextureSize:
        return QStringLiteral("Texture size");
    case GameOption::Texture:
        return QStringLiteral("Texture");
    }
    return {};
}

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

QLineEdit* field(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

// Two choices of which one holds: grouped before either is checked, since buttons of one
// parent outside a group uncheck each other.
std::pair<QRadioButton*, QRadioButton*> choices(const char* first, const QString& firstText,
                                                const char* second, const QString& secondText,
                                                bool secondChosen, QWidget* parent) {
    auto* one = new QRadioButton(firstText, parent);
    one->setObjectName(first);
    auto* other = new QRadioButton(secondText, parent);
    other->setObjectName(second);
    auto* group = new QButtonGroup(parent);
    group->addButton(one);
    group->addButton(other);
    (secondChosen ? other : one)->setChecked(true);
    return {one, other};
}

QHBoxLayout* row(QWidget* one, QWidget* other) {
    auto* layout = new QHBoxLayout;
    layout->addWidget(one);
    layout->addWidget(other);
    return layout;
}

} // namespace

ExportOptionsDialog::ExportOptionsDialog(Platform& platform, std::shared_ptr<const Picture> picture,
                                         const GameTerrainOptions& options, ExportFocus focus,
                                         QWidget* parent)
    : QDialog(parent)
    , platform_(platform)
    , picture_(std::move(picture))
    , texture_(options.texture) {
    setObjectName("frmExportOptions");
    setWindowTitle("Export Game Model");
    setWindowIcon(programIcon());
    setFont(windowFont());
    setSizeGripEnabled(true);

    const GameModelOptions& model = options.model;
    auto* terrain = new QGroupBox("Terrain", this);
    std::tie(optTopLeft, optFit) =
        choices("optTopLeft", "&Top-left square", "optFit", "&Whole picture",
                options.terrain.region == TerrainRegion::Fit, terrain);
    optTopLeft->setToolTip("The top-left pixels, one grid point each, as the editor model");
    optFit->setToolTip("The whole picture resampled onto the grid, its proportions kept");
    std::tie(optColour, optGrey) =
        choices("optColour", "&Colour", "optGrey", "&Grey level",
                options.terrain.heights == TerrainHeights::Grey, terrain);
    optColour->setToolTip("Heights from the packed 24-bit colour, as the editor model");
    optGrey->setToolTip("Heights from the grey level at the picture's full depth, 0 to 8");
    txtEdge = field("txtEdge", options.terrain.edge ? QString::number(options.terrain.edge) : "",
                    terrain);
    txtEdge->setPlaceholderText("the picture's");
    auto* terrainForm = new QFormLayout(terrain);
    terrainForm->addRow("Pixels:", row(optTopLeft, optFit));
    terrainForm->addRow("Heights:", row(optColour, optGrey));
    txtEdge->setMinimumWidth(70);
    terrainForm->addRow("Grid &edge:", txtEdge);

    auto* shape = new QGroupBox("Model", this);
    txtScaleX = field("txtScaleX", numberText(model.scaleX), shape);
    txtScaleY = field("txtScaleY", numberText(model.scaleY), shape);
    txtScaleZ = field("txtScaleZ", numberText(model.scaleZ), shape);
    txtMaterial = field("txtMaterial", QString::fromStdString(model.material), shape);
    txtTexelsPerUnit = field("txtTexelsPerUnit", numberText(model.texelsPerUnit), shape);
    auto* scaleRow = new QHBoxLayout;
    for (QLineEdit* scale : {txtScaleX, txtScaleY, txtScaleZ}) {
        scale->setMinimumWidth(56);
        scaleRow->addWidget(scale);
    }
    std::tie(optWalkable, optScenery) =
        choices("optWalkable", "Wal&kable", "optScenery", "Scener&y",
                model.layout == MeshLayout::Scenery, shape);
    optWalkable->setToolTip(
        "Players walk on it: every mesh where the game collides with it. The game tests every "
        "face on each move near it, about 25-50 ns a face, so a large model slows the game; "
        "fewer faces with a largest error or a face budget is the remedy.");
    optScenery->setToolTip("Seen, never walked on (distant mountains): each mesh placed by its "
                           "node and culled on its own, and nothing collides with it.");
    auto* shapeForm = new QFormLayout(shape);
    auto* scaleLabel = new QLabel("&Scale X, Y, Z:", shape);
    scaleLabel->setBuddy(txtScaleX);
    shapeForm->addRow(scaleLabel, scaleRow);
    shapeForm->addRow("&Material:", txtMaterial);
    shapeForm->addRow("Te&xels per unit:", txtTexelsPerUnit);
    shapeForm->addRow("Use:", row(optWalkable, optScenery));

    auto* simplify = new QGroupBox("Fewer faces", this);
    txtMaxError =
        field("txtMaxError", options.maxError ? numberText(*options.maxError) : "", simplify);
    txtMaxError->setPlaceholderText("none: every grid point");
    txtMaxFaces =
        field("txtMaxFaces", options.maxFaces ? QString::number(*options.maxFaces) : "", simplify);
    txtMaxFaces->setPlaceholderText("none");
    for (QLineEdit* limit : {txtMaxError, txtMaxFaces})
        limit->setMinimumWidth(150);
    auto* simplifyForm = new QFormLayout(simplify);
    simplifyForm->addRow("Largest e&rror (units):", txtMaxError);
    simplifyForm->addRow("Most &faces:", txtMaxFaces);

    auto* paint = new QGroupBox("Texture", this);
    optTextureNone = new QRadioButton("&None", paint);
    optTextureNone->setObjectName("optTextureNone");
    optTextureNone->setToolTip("Painted with the level material named above, tiled");
    optTextureShaded = new QRadioButton("S&haded", paint);
    optTextureShaded->setObjectName("optTextureShaded");
    optTextureShaded->setToolTip("A texture of its own, coloured by height and slope and lit "
                                 "from the north-west, written to mat/ beside the model");
    optTexturePicture = new QRadioButton("&Picture:", paint);
    optTexturePicture->setObjectName("optTexturePicture");
    optTexturePicture->setToolTip("A colour picture laid over the whole terrain once, north up, "
                                  "written to mat/ beside the model");
    auto* sources = new QButtonGroup(paint);
    for (QRadioButton* source : {optTextureNone, optTextureShaded, optTexturePicture})
        sources->addButton(source);
    (texture_.source == TextureSource::Shaded    ? optTextureShaded
     : texture_.source == TextureSource::Picture ? optTexturePicture
                                                 : optTextureNone)
        ->setChecked(true);
    lblTexturePicture = new QLabel(paint);
    lblTexturePicture->setObjectName("lblTexturePicture");
    lblTexturePicture->setMinimumWidth(120);
    cmdTexturePicture = new QPushButton("Ch&oose...", paint);
    cmdTexturePicture->setObjectName("cmdTexturePicture");
    cmdTexturePicture->setToolTip("Choose the colour picture the texture is made of");
    cboTextureSize = new QComboBox(paint);
    cboTextureSize->setObjectName("cboTextureSize");
    cboTextureSize->setToolTip("Texels along each side of the texture");
    for (int side = kMinTextureSide; side <= kMaxTextureSide; side *= 2)
        cboTextureSize->addItem(QString::number(side), side);
    cboTextureSize->setCurrentIndex(cboTextureSize->findData(texture_.size));
    lblColormap = new QLabel(paint);
    lblColormap->setObjectName("lblColormap");
    lblColormap->setMinimumWidth(120);
    cmdColormap = new QPushButton("Choose...", paint);
    cmdColormap->setObjectName("cmdColormap");
    cmdColormap->setToolTip("Choose the level's colormap (.cmp): 8-bit texels in its palette");
    cmdColormapNone = new QPushButton("Cle&ar", paint);
    cmdColormapNone->setObjectName("cmdColormapNone");
    cmdColormapNone->setToolTip("No colormap: 16-bit texels (565)");
    auto* sizeLabel = new QLabel("S&ize:", paint);
    sizeLabel->setBuddy(cboTextureSize);
    auto* paintGrid = new QGridLayout(paint);
    paintGrid->addWidget(optTextureNone, 0, 0);
    paintGrid->addWidget(optTextureShaded, 0, 1);
    paintGrid->addWidget(optTexturePicture, 0, 2);
    paintGrid->addWidget(lblTexturePicture, 0, 3);
    paintGrid->addWidget(cmdTexturePicture, 0, 4);
    paintGrid->addWidget(sizeLabel, 0, 5, Qt::AlignRight);
    paintGrid->addWidget(cboTextureSize, 0, 6);
    auto* colormapLabel = new QLabel("Co&lormap:", paint);
    colormapLabel->setBuddy(cmdColormap);
    paintGrid->addWidget(colormapLabel, 1, 0);
    paintGrid->addWidget(lblColormap, 1, 1, 1, 3);
    paintGrid->addWidget(cmdColormap, 1, 4);
    paintGrid->addWidget(cmdColormapNone, 1, 5, 1, 2);
    paintGrid->setColumnStretch(3, 1);
    connect(cmdTexturePicture, &QPushButton::clicked, this,
            &ExportOptionsDialog::cmdTexturePicture_Click);
    connect(optTexturePicture, &QRadioButton::clicked, this, [this] {
        if (!texture_.picture && pictureError_.isEmpty())
            cmdTexturePicture_Click();
    });
    connect(cmdColormap, &QPushButton::clicked, this, &ExportOptionsDialog::cmdColormap_Click);
    connect(cmdColormapNone, &QPushButton::clicked, this,
            &ExportOptionsDialog::cmdColormapNone_Click);

    auto* buttons = new QDialogButtonBox(this);
    cmdOk = buttons->addButton(QDialogButtonBox::Ok);
    cmdOk->setObjectName("cmdOk");
    cmdOk->setToolTip("Take these options and choose where the model goes");
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setToolTip("Close without writing anything; the options stay as they were");
    connect(cmdOk, &QPushButton::clicked, this, &ExportOptionsDialog::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QHBoxLayout;
    fields->addWidget(terrain);
    fields->addWidget(shape);
    fields->addWidget(simplify);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(paint);
    const ViewPanel panel = addViewPanel(*this, *layout);
    view_ = panel.view;
    lblStatus = panel.status;
    layout->addWidget(buttons);
    followProgress(builder_, panel);
    connect(&builder_, &TerrainBuilder::cancelled, this, [this] {
        okWaiting_ = false;
        lblStatus->setText(builder_.latest() ? statusText(*builder_.latest()) + " · build cancelled"
                                             : QStringLiteral("Build cancelled"));
    });

    settle_.setSingleShot(true);
    settle_.setInterval(200);
    connect(&settle_, &QTimer::timeout, this, &ExportOptionsDialog::fieldsChanged);
    for (QLineEdit* edit : {txtEdge, txtScaleX, txtScaleY, txtScaleZ, txtMaterial, txtTexelsPerUnit,
                            txtMaxError, txtMaxFaces})
        connect(edit, &QLineEdit::textChanged, &settle_, qOverload<>(&QTimer::start));
    for (QRadioButton* button : {optTopLeft, optFit, optColour, optGrey, optWalkable, optScenery,
                                 optTextureNone, optTextureShaded, optTexturePicture})
        connect(button, &QRadioButton::toggled, &settle_, qOverload<>(&QTimer::start));
    for (QRadioButton* source : {optTextureNone, optTextureShaded, optTexturePicture})
        connect(source, &QRadioButton::toggled, this, &ExportOptionsDialog::showTexture);
    connect(cboTextureSize, &QComboBox::currentIndexChanged, &settle_, qOverload<>(&QTimer::start));
    showTexture();
    connect(&builder_, &TerrainBuilder::built, this, &ExportOptionsDialog::showBuilt);
    resize(900, 680);
    if (focus == ExportFocus::Scale) {
        txtScaleX->setFocus();
        txtScaleX->selectAll();
    }
    fieldsChanged();
}

std::optional<GameTerrainOptions> ExportOptionsDialog::options(QString& error) const {
    constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();
    GameTerrainOptions o;
    o.terrain.region = optFit->isChecked() ? TerrainRegion::Fit : TerrainRegion::TopLeft;
    o.terrain.heights = optGrey->isChecked() ? TerrainHeights::Grey : TerrainHeights::Colour;
    o.model.layout = optScenery->isChecked() ? MeshLayout::Scenery : MeshLayout::Walkable;
    o.model.scaleX = numberIn(txtScaleX, kNoNumber);
    o.model.scaleY = numberIn(txtScaleY, kNoNumber);
    o.model.scaleZ = numberIn(txtScaleZ, kNoNumber);
    o.model.material = txtMaterial->text().trimmed().toStdString();
    o.model.texelsPerUnit = numberIn(txtTexelsPerUnit, kNoNumber);
    // An empty limit is none; an empty edge is the picture's own.
    if (!txtMaxError->text().trimmed().isEmpty())
        o.maxError = numberIn(txtMaxError, kNoNumber);
    if (!txtMaxFaces->text().trimmed().isEmpty())
        o.maxFaces = numberIn<std::int64_t>(txtMaxFaces, 0);
    if (!txtEdge->text().trimmed().isEmpty()) {
        const long long edge = numberIn(txtEdge, -1LL);
        o.terrain.edge = edge >= 1 && edge <= kMaxSimplifiedEdge ? static_cast<int>(edge) : -1;
    }
    o.texture = texture_;
    o.texture.source = optTextureShaded->isChecked()    ? TextureSource::Shaded
                       : optTexturePicture->isChecked() ? TextureSource::Picture
                                                        : TextureSource::None;
    o.texture.size = cboTextureSize->currentData().toInt();
    if (o.texture.source != TextureSource::None) {
        // The model names its own material, and the texture lies over it once: the converter's
        // defaults stand for the two fields it takes no value for.
        o.model.material = GameModelOptions{}.material;
        o.model.texelsPerUnit = GameModelOptions{}.texelsPerUnit;
        if (o.texture.source == TextureSource::Picture && !pictureError_.isEmpty()) {
            error = pictureError_;
            return std::nullopt;
        }
        if (!colormapError_.isEmpty()) {
            error = colormapError_;
            return std::nullopt;
        }
    }
    if (const auto problem = gameOptionsProblem(o)) {
        error = labelOf(problem->option) + " " + QString::fromStdString(problem->problem);
        if (problem->option == GameOption::MaxError || problem->option == GameOption::MaxFaces)
            error += QStringLiteral(", or empty for none");
        return std::nullopt;
    }
    return o;
}

void ExportOptionsDialog::showTexture() {
    const bool textured = !optTextureNone->isChecked();
    txtMaterial->setEnabled(!textured);
    txtTexelsPerUnit->setEnabled(!textured);
    for (QWidget* control :
         std::initializer_list<QWidget*>{cboTextureSize, lblColormap, cmdColormap, cmdColormapNone})
        control->setEnabled(textured);
    cmdColormapNone->setEnabled(textured && (texture_.colormap || !colormapError_.isEmpty()));
    const auto named = [](const std::filesystem::path& path) {
        return QFileInfo(pathText(path)).fileName();
    };
    lblTexturePicture->setText(texture_.picturePath.empty() ? QStringLiteral("none chosen")
                                                            : named(texture_.picturePath));
    lblColormap->setText(texture_.colormapPath.empty()
                             ? QStringLiteral("none: 16-bit texels (565)")
                             : named(texture_.colormapPath) +
                                   (colormapError_.isEmpty() ? QStringLiteral(": 8-bit texels")
                                                             : QStringLiteral(": not read")));
}

std::optional<ExportOptionsDialog::ChosenFile> ExportOptionsDialog::chooseFile(
    const std::filesystem::path& last, const char* pattern,
    const std::function<std::string(const std::filesystem::path&)>& read) {
    const QString folder = last.empty() ? QString() : QFileInfo(pathText(last)).absolutePath();
    const QString chosen = platform_.openFileName(folder, QString::fromLatin1(pattern));
    if (chosen.isEmpty())
        return std::nullopt;
    // Read here, once: the model and the view are made from what was read.
    const std::filesystem::path path = pathOf(chosen);
    const QString name = QFileInfo(chosen).fileName();
    auto problem = std::make_shared<std::string>();
    const bool done = platform_.runJob(QStringLiteral("Reading %1").arg(name),
                                       [problem, read, path](BuildProgress& progress) {
                                           progress.stage(BuildStage::Reading);
                                           try {
                                               *problem = read(path);
                                           } catch (const std::bad_alloc&) {
                                               *problem = "out of memory while reading it";
                                           }
                                       });
    if (!done)
        return std::nullopt;
    return ChosenFile{path, name, problem->empty() ? QString() : readableReason(*problem)};
}

void ExportOptionsDialog::cmdTexturePicture_Click() {
    auto picture = std::make_shared<std::shared_ptr<const Picture>>();
    const auto chosen = chooseFile(texture_.picturePath, kPicturePattern,
                                   [picture](const std::filesystem::path& path) {
                                       return readTexturePicture(path, *picture);
                                   });
    if (!chosen)
        return; // none chosen, or cancelled: the choice stays as it was
    texture_.picturePath = chosen->path;
    texture_.picture = chosen->problem.isEmpty() ? *picture : nullptr;
    pictureError_ =
        chosen->problem.isEmpty()
            ? QString()
            : QStringLiteral("Texture picture %1: %2").arg(chosen->name, chosen->problem);
    optTexturePicture->setChecked(true);
    showTexture();
    fieldsChanged();
}

void ExportOptionsDialog::cmdColormap_Click() {
    auto colormap = std::make_shared<std::shared_ptr<const Colormap>>();
    const auto chosen = chooseFile(texture_.colormapPath, kColormapPattern,
                                   [colormap](const std::filesystem::path& path) {
                                       return readColormapFile(path, *colormap);
                                   });
    if (!chosen)
        return; // none chosen, or cancelled: the choice stays as it was
    texture_.colormapPath = chosen->path;
    texture_.colormap = chosen->problem.isEmpty() ? *colormap : nullptr;
    colormapError_ = chosen->problem.isEmpty()
                         ? QString()
                         : QStringLiteral("Colormap %1: %2").arg(chosen->name, chosen->problem);
    showTexture();
    fieldsChanged();
}

void ExportOptionsDialog::cmdColormapNone_Click() {
    texture_.colormap = nullptr;
    texture_.colormapPath.clear();
    colormapError_.clear();
    showTexture();
    fieldsChanged();
}

void ExportOptionsDialog::fieldsChanged() {
    QString error;
    const auto chosen = options(error);
    if (!chosen) {
        lblStatus->setText(error);
        return;
    }
    lblStatus->setText(builder_.latest() ? statusText(*builder_.latest()) + " · building..."
                                         : QStringLiteral("Building..."));
    builder_.request(picture_, *chosen);
}

void ExportOptionsDialog::showBuilt(const BuiltTerrain& built) {
    view_->setScene(built.scene, true);
    lblStatus->setText(statusText(built));
    if (okWaiting_) {
        okWaiting_ = false;
        cmdOk_Click();
    }
}

void ExportOptionsDialog::cmdOk_Click() {
    QString error;
    const auto chosen = options(error);
    if (!chosen) {
        QMessageBox::critical(this, QStringLiteral("Error"), error, QMessageBox::Ok);
        return;
    }
    // The model of exactly these options, built and shown, is what gets written: until it is
    // there, OK waits for it without holding up the window.
    settle_.stop();
    const auto& latest = builder_.latest();
    if (!builder_.idle() || !latest || !(latest->options == *chosen)) {
        okWaiting_ = true;
        if (builder_.idle())
            builder_.request(picture_, *chosen);
        lblStatus->setText(QStringLiteral("Building... OK writes the model once it is built."));
        return;
    }
    if (!builder_.latest()->terrain.ok()) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              readableReason(builder_.latest()->terrain.error), QMessageBox::Ok);
        return;
    }
    accept();
}

} // namespace grondel
