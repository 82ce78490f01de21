#include "cli/convert.h"

#include "export/editor_model.h"
#include "export/save_file.h"
#include "heightmap/image.h"
#include "heightmap/sampling.h"

#include <algorithm>

#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QTextStream>

namespace grondel::cli {
namespace {

const QString kProgram = QStringLiteral("grondel-convert");

QString offeredEdges() {
    return QStringLiteral("%1, %2 or %3")
        .arg(kOfferedEdges[0])
        .arg(kOfferedEdges[1])
        .arg(kOfferedEdges[2]);
}

bool isOfferedEdge(int edge) {
    return std::find(kOfferedEdges.begin(), kOfferedEdges.end(), edge) != kOfferedEdges.end();
}

// The grid edge for an image: the one asked for, else the image's own when it is a square of an
// offered edge. Returns 0 and says why when there is none.
int edgeFor(const ConvertPlan& plan, const QImage& image, QString& error) {
    if (plan.edge != 0)
        return plan.edge;
    if (image.width() == image.height() && isOfferedEdge(image.width()))
        return image.width();
    error = QStringLiteral("the image is %1 x %2 pixels, not a square of %3; choose the grid "
                           "edge with --size")
                .arg(image.width())
                .arg(image.height())
                .arg(offeredEdges());
    return 0;
}

// Two names for one file, once both exist.
bool sameFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

CommandLine::CommandLine()
    : size_(QStringList{"s", "size"},
            QStringLiteral("Grid edge: %1. Without it, each image must be a square of one of "
                           "those and its own size is the edge.")
                .arg(offeredEdges()),
            QStringLiteral("N"))
    , output_(QStringList{"o", "output"},
              QStringLiteral("Write the model to PATH ('-' for standard output) instead of "
                             "beside the image. Only with a single IMAGE."),
              QStringLiteral("PATH"))
    , help_(QStringList{"h", "help"}, QStringLiteral("Show this help and exit."))
    , version_(QStringList{"v", "version"}, QStringLiteral("Show the version and exit.")) {
    parser_.setApplicationDescription(
        QStringLiteral("Turns heightmap images into 3DO 2.1 terrain models for the level editor, "
                       "byte for byte what the\nwindow's Save writes. Each pixel of the top-left "
                       "N x N square becomes one vertex; beyond\nthe image the ground lies at "
                       "height 0. Any image format Qt reads will do (BMP, PNG, JPEG, ...).\n\n"
                       "Exit status: 0 when every image converted, 1 when any failed (one line "
                       "each on standard\nerror), 2 for a wrong command line."));
    parser_.addOptions({size_, output_, help_, version_});
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
            QStringLiteral("Usage: %1 [--size N] [--output PATH] IMAGE...").arg(kProgram));
        return request;
    }
    if (parser_.isSet(version_)) {
        request.action = Action::Version;
        request.text = kProgram + QStringLiteral(" " GRONDEL_VERSION);
        return request;
    }
    request.text = planFrom(request.plan);
    if (request.text.isEmpty())
        request.action = Action::Convert;
    return request;
}

QString CommandLine::planFrom(ConvertPlan& plan) const {
    plan.images = parser_.positionalArguments();
    if (plan.images.isEmpty())
        return QStringLiteral("No IMAGE given.");

    if (parser_.isSet(size_)) {
        bool number = false;
        const QString text = parser_.value(size_);
        plan.edge = text.toInt(&number);
        if (!number || !isOfferedEdge(plan.edge))
            return QStringLiteral("--size must be %1, not \"%2\".").arg(offeredEdges(), text);
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

QString modelPathBeside(const QString& imagePath) {
    const QString name = QFileInfo(imagePath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file, not a suffix.
    const qsizetype keep = dot > 0 ? imagePath.size() - name.size() + dot : imagePath.size();
    return imagePath.left(keep) + QStringLiteral(".3do");
}

int convert(const ConvertPlan& plan, QIODevice& standardOutput, QTextStream& errors) {
    int status = kExitConverted;
    auto fail = [&](const QString& image, const QString& reason) {
        errors << kProgram << ": " << image << ": " << reason << Qt::endl;
        status = kExitFailed;
    };
    // Which image each model file of this run came from, so no image overwrites another's model.
    QHash<QString, QString> written;

    for (const QString& imagePath : plan.images) {
        LoadedImage loaded = loadImage(imagePath);
        if (!loaded.ok()) {
            fail(imagePath, loaded.error);
            continue;
        }
        QString error;
        const int edge = edgeFor(plan, loaded.image, error);
        if (edge == 0) {
            fail(imagePath, error);
            continue;
        }
        HeightMap grid;
        if (!sampleSquare(edge, grid,
                          [&](int x, int y) { return pixelColour(loaded.image, x, y); })) {
            fail(imagePath, QStringLiteral("the grid edge %1 is too large").arg(edge));
            continue;
        }

        if (plan.output == QLatin1String("-")) {
            const std::string model = formatEditorModel(grid, edge).value_or(std::string());
            const auto size = static_cast<qint64>(model.size());
            if (standardOutput.write(model.data(), size) != size)
                fail(imagePath, QStringLiteral("cannot write to standard output (%1)")
                                    .arg(standardOutput.errorString()));
            continue;
        }

        const QString target = plan.output.isEmpty() ? modelPathBeside(imagePath) : plan.output;
        if (sameFile(target, imagePath)) {
            fail(imagePath,
                 QStringLiteral("the model %1 would replace the image itself").arg(target));
            continue;
        }
        const QString key = QFileInfo(target).absoluteFilePath();
        const auto earlier = written.constFind(key);
        if (earlier != written.constEnd() && !sameFile(*earlier, imagePath)) {
            fail(
                imagePath,
                QStringLiteral("%1 was already written from %2 in this run").arg(target, *earlier));
            continue;
        }
        const SaveResult saved = save3do(target, grid, edge);
        if (!saved.ok()) {
            fail(imagePath, QStringLiteral("cannot write %1: %2").arg(target, saved.error));
            continue;
        }
        written.insert(key, imagePath);
    }
    return status;
}

} // namespace grondel::cli
