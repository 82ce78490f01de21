#include "converter/convert.h"

#include "files/save_file.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/file_names.h"
#include "model3do/game_model.h"
#include "platform/image_file.h"

#include <algorithm>
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
                .arg(QLatin1String(kOfferedEdgesText));
    return 0;
}

// Two names for one file, once both exist.
bool sameFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

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
    if (plan.game) {
        GameModelText model = formatGameModel(grid, edge, plan.gameOptions);
        job.error = QString::fromStdString(model.error);
        job.model = std::move(model.text);
        return;
    }
    auto model = formatEditorModel(grid, edge, std::move(spareText));
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
    const files::SaveResult saved =
        files::saveFileAtomically(QFile::encodeName(job.target).toStdString(), job.model);
    if (!saved.ok())
        job.error = QStringLiteral("cannot write %1: %2")
                        .arg(job.target, QString::fromStdString(saved.error));
    spareText = std::move(job.model);
    job.model.clear();
}

} // namespace

int convert(const ConvertPlan& plan, QIODevice& standardOutput, QTextStream& errors) {
    std::vector<Job> jobs;
    jobs.reserve(static_cast<std::size_t>(plan.images.size()));
    // Which image each model file of this run comes from, so no image replaces another's model.
    QHash<QString, QString> targets;
    for (const QString& image : plan.images) {
        Job& job = jobs.emplace_back(Job{image, {}, {}, {}});
        if (plan.output == QLatin1String("-"))
            continue;
        job.target =
            plan.output.isEmpty()
                ? QFile::decodeName(modelPathBeside(QFile::encodeName(image).toStdString()).c_str())
                : plan.output;
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

} // namespace grondel::cli
