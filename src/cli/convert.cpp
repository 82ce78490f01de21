#include "cli/convert.h"

#include "export/editor_model.h"
#include "export/model_check.h"
#include "export/save_file.h"
#include "heightmap/image.h"
#include "heightmap/sampling.h"

#include <algorithm>
#include <array>
#include <optional>
#include <tuple>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QTextStream>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

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

// Every option that only makes sense for one of the two models.
struct ModeOptions {
    bool game = false;
    bool check = false;
};

// One image's conversion: what it reads and where its model goes.
struct Job {
    QString image;
    QString target; // empty for standard output
    QString error;  // set when the image failed
    std::string model;
};

// A finished model's memory, for the next model this thread formats.
thread_local std::string spareText;

// Loads, samples and formats one image; the model text is kept for the caller to place.
void makeModel(const ConvertPlan& plan, Job& job) {
    LoadedImage loaded = loadImage(job.image);
    if (!loaded.ok()) {
        job.error = loaded.error;
        return;
    }
    const int edge = edgeFor(plan, loaded.image, job.error);
    if (edge == 0)
        return;
    HeightMap grid;
    if (!sampleSquare(edge, grid, [&](int x, int y) { return pixelColour(loaded.image, x, y); })) {
        job.error = QStringLiteral("the grid edge %1 is too large").arg(edge);
        return;
    }
    auto model = plan.game ? formatGameModel(grid, edge, plan.gameOptions)
                           : formatEditorModel(grid, edge, std::move(spareText));
    if (!model)
        job.error = QStringLiteral("no model can be made at grid edge %1").arg(edge);
    else
        job.model = std::move(*model);
}

// Converts one image into its file.
void convertToFile(const ConvertPlan& plan, Job& job) {
    makeModel(plan, job);
    if (!job.error.isEmpty())
        return;
    const SaveResult saved = saveFileAtomically(job.target, job.model);
    if (!saved.ok())
        job.error = QStringLiteral("cannot write %1: %2").arg(job.target, saved.error);
    spareText = std::move(job.model);
    job.model.clear();
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
    , game_(QStringLiteral("game"),
            QStringLiteral("Write the game model instead: cut into meshes the game takes, centred, "
                           "with normals\nand texture coordinates, ready to load as it is."))
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
        {size_, output_, game_, scale_, material_, texels_, check_, help_, version_});
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
                           "       %1 --check MODEL...")
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
    std::vector<Job> jobs;
    jobs.reserve(static_cast<std::size_t>(plan.images.size()));
    // Which image each model file of this run comes from, so no image replaces another's model.
    QHash<QString, QString> targets;
    for (const QString& image : plan.images) {
        Job& job = jobs.emplace_back(Job{image, {}, {}, {}});
        if (plan.output == QLatin1String("-"))
            continue;
        job.target = plan.output.isEmpty() ? modelPathBeside(image) : plan.output;
        const QString key = QFileInfo(job.target).absoluteFilePath();
        const auto earlier = targets.constFind(key);
        if (sameFile(job.target, image))
            job.error =
                QStringLiteral("the model %1 would replace the image itself").arg(job.target);
        else if (earlier != targets.constEnd() && !sameFile(*earlier, image))
            job.error = QStringLiteral("%1 is already written from %2 in this run")
                            .arg(job.target, *earlier);
        else
            targets.insert(key, image);
    }

    if (plan.output == QLatin1String("-")) {
        Job& job = jobs.front(); // --output takes a single image
        makeModel(plan, job);
        const auto size = static_cast<qint64>(job.model.size());
        if (job.error.isEmpty() && standardOutput.write(job.model.data(), size) != size)
            job.error = QStringLiteral("cannot write to standard output (%1)")
                            .arg(standardOutput.errorString());
    } else {
        // Each save waits for its file to reach the disk; a few at a time keep the disk busy.
        QThreadPool pool;
        pool.setMaxThreadCount(std::max(8, QThread::idealThreadCount()));
        QtConcurrent::blockingMap(&pool, jobs, [&plan](Job& job) {
            if (job.error.isEmpty())
                convertToFile(plan, job);
        });
    }

    int status = kExitConverted;
    for (const Job& job : jobs) {
        if (job.error.isEmpty())
            continue;
        errors << kProgram << ": " << job.image << ": " << job.error << Qt::endl;
        status = kExitFailed;
    }
    return status;
}

int check(const QStringList& models, QTextStream& report, QTextStream& errors) {
    // Far beyond any model the game takes; keeps a wrong argument from filling memory.
    constexpr qint64 kMaxModelBytes = 256 * 1024 * 1024;
    int status = kExitConverted;
    for (const QString& path : models) {
        QFile file(path);
        if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
            errors << kProgram << ": " << path << ": cannot read it ("
                   << (QFileInfo(path).isDir() ? QStringLiteral("a folder") : file.errorString())
                   << ")" << Qt::endl;
            status = kExitFailed;
            continue;
        }
        const QByteArray text = file.read(kMaxModelBytes + 1);
        if (text.size() > kMaxModelBytes) {
            errors << kProgram << ": " << path << ": larger than any model the game reads"
                   << Qt::endl;
            status = kExitFailed;
            continue;
        }
        const ModelCheck result = checkModel(std::string_view(text.constData(), text.size()));
        if (result.ok()) {
            report << path << ": ok (" << result.meshes << " meshes, " << result.vertices
                   << " vertices, " << result.faces << " faces)\n";
            continue;
        }
        for (const ModelProblem& problem : result.problems)
            report << path << ':' << problem.line << ": " << QString::fromStdString(problem.text)
                   << '\n';
        status = kExitFailed;
    }
    report.flush();
    return status;
}

} // namespace grondel::cli
