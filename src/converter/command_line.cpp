#include "converter/command_line.h"

#include "heightmap/heightmap.h"

#include <array>
#include <optional>
#include <tuple>

namespace grondel::cli {
namespace {

// "X,Y,Z" as three numbers, read the same whatever the locale.
std::optional<std::array<double, 3>> parseScale(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    std::array<double, 3> scale{};
    for (int axis = 0; axis < 3; ++axis) {
        bool number = false;
        scale[axis] = parts[axis].trimmed().toDouble(&number);
        if (!number || !isGameScale(scale[axis]))
            return std::nullopt;
    }
    return scale;
}

} // namespace

CommandLine::CommandLine()
    : size_(QStringList{"s", "size"},
            QStringLiteral("Grid edge: %1. Without it, each image must be a square of one of "
                           "those and its own size is the edge.")
                .arg(QLatin1String(kOfferedEdgesText)),
            QStringLiteral("N"))
    , output_(QStringList{"o", "output"},
              QStringLiteral("Write the model to PATH ('-' for standard output) instead of "
                             "beside the image. Only with a single IMAGE."),
              QStringLiteral("PATH"))
    , game_(QStringLiteral("game"),
            QStringLiteral("Write the game model instead: cut into meshes the game takes, centred, "
                           "with normals\nand texture coordinates, ready to load as it is. It "
                           "reads north-up: the picture's top edge along +y, its left edge "
                           "along -x."))
    , scale_(QStringLiteral("scale"),
             QStringLiteral("With --game: world units per half grid step across and along, and "
                            "the height factor\n(each from %1 to %2). Default 1,1,1.")
                 .arg(kMinGameScale)
                 .arg(kMaxGameScale),
             QStringLiteral("X,Y,Z"))
    , material_(QStringLiteral("material"),
                QStringLiteral("With --game: the material file the terrain is painted with. "
                               "Default dflt.mat."),
                QStringLiteral("NAME.mat"))
    , texels_(QStringLiteral("texels-per-unit"),
              QStringLiteral("With --game: texture texels per world unit. Default 320."),
              QStringLiteral("T"))
    , check_(QStringLiteral("check"),
             QStringLiteral("Check the given .3do model files by the game's loading rules instead "
                            "of converting;\nprints \"ok\" with the counts, or each problem "
                            "with its line number."))
    , terrain_(QStringLiteral("terrain"),
               QStringLiteral("With --check: the models are terrains, so every face and vertex "
                              "normal must point up (z above 0)."))
    , help_(QStringList{"h", "help"}, QStringLiteral("Show this help and exit."))
    , version_(QStringList{"v", "version"}, QStringLiteral("Show the version and exit.")) {
    parser_.setApplicationDescription(
        QStringLiteral("Turns heightmap images into 3DO 2.1 terrain models for the level editor, "
                       "byte for byte what the\nwindow's Save writes. Each pixel of the top-left "
                       "N x N square becomes one vertex; beyond\nthe image the ground lies at "
                       "height 0. Any image format Qt reads will do (BMP, PNG, JPEG, ...).\n\n"
                       "Exit status: 0 when every image converted, 1 when any failed (one line "
                       "each on standard\nerror), 2 for a wrong command line."));
    parser_.addOptions(
        {size_, output_, game_, scale_, material_, texels_, check_, terrain_, help_, version_});
    parser_.addPositionalArgument(QStringLiteral("IMAGE"),
                                  QStringLiteral("Heightmap images; each model is written beside "
                                                 "its image, named with \".3do\" as its suffix."),
                                  QStringLiteral("IMAGE..."));
}

CommandLineRequest CommandLine::parse(const QStringList& arguments) {
    using Action = CommandLineRequest::Action;
    CommandLineRequest request;
    if (!parser_.parse(arguments)) {
        request.text = parser_.errorText();
        return request;
    }
    if (parser_.isSet(help_)) {
        request.action = Action::Help;
        // Qt puts the path the program was started by in the usage line; the name reads better.
        request.text = parser_.helpText();
        request.text.replace(
            0, request.text.indexOf(QLatin1Char('\n')),
            QStringLiteral("Usage: %1 [--size N] [--output PATH] IMAGE...\n"
                           "       %1 --game [--scale X,Y,Z] [--material NAME.mat] "
                           "[--texels-per-unit T] [--size N] [--output PATH] IMAGE...\n"
                           "       %1 --check [--terrain] MODEL...")
                .arg(kProgram));
        return request;
    }
    if (parser_.isSet(version_)) {
        request.action = Action::Version;
        request.text = kProgram + QStringLiteral(" " GRONDEL_VERSION);
        return request;
    }
    request.text = planFrom(request.plan);
    if (request.text.isEmpty())
        request.action = parser_.isSet(check_) ? Action::Check : Action::Convert;
    return request;
}

QString CommandLine::planFrom(ConvertPlan& plan) const {
    plan.images = parser_.positionalArguments();
    plan.terrain = parser_.isSet(terrain_);
    if (plan.terrain && !parser_.isSet(check_))
        return QStringLiteral("--terrain goes with --check.");
    if (parser_.isSet(check_)) {
        for (const QCommandLineOption* other :
             {&size_, &output_, &game_, &scale_, &material_, &texels_})
            if (parser_.isSet(*other))
                return QStringLiteral("--check reads models; --%1 does not go with it.")
                    .arg(other->names().constLast());
        return plan.images.isEmpty() ? QStringLiteral("No MODEL given to --check.") : QString();
    }
    if (plan.images.isEmpty())
        return QStringLiteral("No IMAGE given.");

    plan.game = parser_.isSet(game_);
    for (const QCommandLineOption* gameOnly : {&scale_, &material_, &texels_})
        if (!plan.game && parser_.isSet(*gameOnly))
            return QStringLiteral("--%1 goes with --game.").arg(gameOnly->names().constLast());
    if (parser_.isSet(scale_)) {
        const QString text = parser_.value(scale_);
        const auto scale = parseScale(text);
        if (!scale)
            return QStringLiteral("--scale must be three numbers X,Y,Z from %1 to %2, not \"%3\".")
                .arg(kMinGameScale)
                .arg(kMaxGameScale)
                .arg(text);
        std::tie(plan.gameOptions.scaleX, plan.gameOptions.scaleY, plan.gameOptions.scaleZ) =
            std::tuple((*scale)[0], (*scale)[1], (*scale)[2]);
    }
    if (parser_.isSet(material_)) {
        const QString text = parser_.value(material_);
        plan.gameOptions.material = text.toStdString();
        if (!isMaterialName(plan.gameOptions.material))
            return QStringLiteral("--material must be a file name like dflt.mat (letters, digits, "
                                  "_ - + and ., at most %1 characters), not \"%2\".")
                .arg(kMaxMaterialNameLength)
                .arg(text);
    }
    if (parser_.isSet(texels_)) {
        bool number = false;
        const QString text = parser_.value(texels_);
        plan.gameOptions.texelsPerUnit = text.toDouble(&number);
        if (!number || !isTexelsPerUnit(plan.gameOptions.texelsPerUnit))
            return QStringLiteral("--texels-per-unit must be a number from %1 to %2, not \"%3\".")
                .arg(kMinTexelsPerUnit)
                .arg(kMaxTexelsPerUnit)
                .arg(text);
    }

    if (parser_.isSet(size_)) {
        bool number = false;
        const QString text = parser_.value(size_);
        plan.edge = text.toInt(&number);
        if (!number || !isOfferedEdge(plan.edge))
            return QStringLiteral("--size must be %1, not \"%2\".")
                .arg(QLatin1String(kOfferedEdgesText), text);
    }

    if (parser_.isSet(output_)) {
        plan.output = parser_.value(output_);
        if (plan.output.isEmpty())
            return QStringLiteral("--output needs a path, or '-' for standard output.");
        if (plan.images.size() > 1)
            return QStringLiteral("--output takes a single IMAGE, not %1.").arg(plan.images.size());
    }
    return {};
}

} // namespace grondel::cli
