#include "ui/export_options_dialog.h"

#include "ui/terrain_view.h"
#include "ui/windows.h"

#include <charconv>

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
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

// A field's text as a number, '.' the point whatever the locale; nothing for anything else.
template <typename Number>
std::optional<Number> numberIn(const QLineEdit* field) {
    const std::string text = field->text().trimmed().toStdString();
    Number value{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

QLineEdit* field(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    return edit;
}

QRadioButton* choice(const char* name, const QString& text, bool checked, QWidget* parent) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(name);
    button->setChecked(checked);
    return button;
}

} // namespace

ExportOptionsDialog::ExportOptionsDialog(std::shared_ptr<const Picture> picture,
                                         const GameTerrainOptions& options, QWidget* parent)
    : QDialog(parent)
    , picture_(std::move(picture)) {
    setObjectName("frmExportOptions");
    setWindowTitle("Export Game Model");
    setWindowIcon(programIcon());
    setFont(windowFont());
    setSizeGripEnabled(true);

    const GameModelOptions& model = options.model;
    auto* terrain = new QGroupBox("Terrain", this);
    optTopLeft = choice("optTopLeft", "&Top-left square",
                        options.terrain.region == TerrainRegion::TopLeft, terrain);
    optFit =
        choice("optFit", "&Whole picture", options.terrain.region == TerrainRegion::Fit, terrain);
    optColour =
        choice("optColour", "&Colour", options.terrain.heights == TerrainHeights::Colour, terrain);
    optGrey =
        choice("optGrey", "&Grey level", options.terrain.heights == TerrainHeights::Grey, terrain);
    auto* region = new QButtonGroup(terrain);
    region->addButton(optTopLeft);
    region->addButton(optFit);
    auto* heights = new QButtonGroup(terrain);
    heights->addButton(optColour);
    heights->addButton(optGrey);
    txtEdge = field("txtEdge", options.terrain.edge ? QString::number(options.terrain.edge) : "",
                    terrain);
    txtEdge->setPlaceholderText("the picture's");
    auto* terrainForm = new QFormLayout(terrain);
    auto* regionRow = new QHBoxLayout;
    regionRow->addWidget(optTopLeft);
    regionRow->addWidget(optFit);
    auto* heightsRow = new QHBoxLayout;
    heightsRow->addWidget(optColour);
    heightsRow->addWidget(optGrey);
    terrainForm->addRow("Pixels:", regionRow);
    terrainForm->addRow("Heights:", heightsRow);
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
    auto* shapeForm = new QFormLayout(shape);
    auto* scaleLabel = new QLabel("&Scale X, Y, Z:", shape);
    scaleLabel->setBuddy(txtScaleX);
    shapeForm->addRow(scaleLabel, scaleRow);
    shapeForm->addRow("&Material:", txtMaterial);
    shapeForm->addRow("Te&xels per unit:", txtTexelsPerUnit);

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

    auto* buttons = new QDialogButtonBox(this);
    cmdOk = buttons->addButton(QDialogButtonBox::Ok);
    cmdOk->setObjectName("cmdOk");
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName("cmdCancel");
    connect(cmdOk, &QPushButton::clicked, this, &ExportOptionsDialog::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QHBoxLayout;
    fields->addWidget(terrain);
    fields->addWidget(shape);
    fields->addWidget(simplify);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    const ViewPanel panel = addViewPanel(*this, *layout);
    view_ = panel.view;
    lblStatus = panel.status;
    layout->addWidget(buttons);

    settle_.setSingleShot(true);
    settle_.setInterval(200);
    connect(&settle_, &QTimer::timeout, this, &ExportOptionsDialog::fieldsChanged);
    for (QLineEdit* edit : {txtEdge, txtScaleX, txtScaleY, txtScaleZ, txtMaterial, txtTexelsPerUnit,
                            txtMaxError, txtMaxFaces})
        connect(edit, &QLineEdit::textChanged, &settle_, qOverload<>(&QTimer::start));
    for (QRadioButton* button : {optTopLeft, optFit, optColour, optGrey})
        connect(button, &QRadioButton::toggled, &settle_, qOverload<>(&QTimer::start));
    connect(&builder_, &TerrainBuilder::built, this, &ExportOptionsDialog::showBuilt);
    resize(900, 680);
    fieldsChanged();
}

std::optional<GameTerrainOptions> ExportOptionsDialog::options(QString& error) const {
    GameTerrainOptions o;
    o.terrain.region = optFit->isChecked() ? TerrainRegion::Fit : TerrainRegion::TopLeft;
    o.terrain.heights = optGrey->isChecked() ? TerrainHeights::Grey : TerrainHeights::Colour;
    const auto scale = [&](const QLineEdit* edit, const char* axis, double& into) {
        const auto value = numberIn<double>(edit);
        if (value && isGameScale(*value)) {
            into = *value;
            return true;
        }
        error = QStringLiteral("Scale %1 must be from 0.001 to 1000").arg(axis);
        return false;
    };
    if (!scale(txtScaleX, "X", o.model.scaleX) || !scale(txtScaleY, "Y", o.model.scaleY) ||
        !scale(txtScaleZ, "Z", o.model.scaleZ))
        return std::nullopt;
    o.model.material = txtMaterial->text().trimmed().toStdString();
    if (!isMaterialName(o.model.material)) {
        error = "Material must be a file name like dflt.mat: letters, digits, _ - + and ., at "
                "most 31 characters";
        return std::nullopt;
    }
    const auto texels = numberIn<double>(txtTexelsPerUnit);
    if (!texels || !isTexelsPerUnit(*texels)) {
        error = "Texels per unit must be from 0.001 to 100000";
        return std::nullopt;
    }
    o.model.texelsPerUnit = *texels;
    if (!txtMaxError->text().trimmed().isEmpty()) {
        o.maxError = numberIn<double>(txtMaxError);
        if (!o.maxError || !(*o.maxError >= 0 && *o.maxError <= kMaxErrorLimit)) {
            error = "Largest error must be empty or a number from 0 to 1000000000";
            return std::nullopt;
        }
    }
    if (!txtMaxFaces->text().trimmed().isEmpty()) {
        o.maxFaces = numberIn<std::int64_t>(txtMaxFaces);
        if (!o.maxFaces || *o.maxFaces < 2) {
            error = "Most faces must be empty or a whole number of at least 2";
            return std::nullopt;
        }
    }
    const int most = o.simplified() ? kMaxSimplifiedEdge : kMaxFullGridEdge;
    if (!txtEdge->text().trimmed().isEmpty()) {
        const auto edge = numberIn<int>(txtEdge);
        if (!edge || *edge < kMinTerrainEdge || *edge > most) {
            error = QStringLiteral("Grid edge must be from %1 to %2%3")
                        .arg(kMinTerrainEdge)
                        .arg(most)
                        .arg(o.simplified() ? "" : " (4097 with a largest error or most faces)");
            return std::nullopt;
        }
        o.terrain.edge = *edge;
    }
    return o;
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
        return;
    }
    if (!builder_.latest()->terrain.ok()) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QString::fromStdString(builder_.latest()->terrain.error),
                              QMessageBox::Ok);
        return;
    }
    accept();
}

} // namespace grondel
