#include "converter/convert.h"

#include "converter/progress.h"
#include "files/save_file.h"
#include "files/show_path.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/file_names.h"
#include "model3do/game_model.h"
#include "model3do/number_text.h"
#include "picture/decode.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <semaphore>
#include <thread>
#include <vector>

namespace grondel::cli {
namespace {

// How many pictures may be decoding at once: each may take up to kMaxDecodedBytes.
constexpr std::ptrdiff_t kPicturesAtOnce =
    std::ptrdiff_t{1} * 1024 * 1024 * 1024 / kMaxDecodedBytes;
static_assert(kPicturesAtOnce >= 1);

// One picture's conversion: what it reads, where its model goes, and how it went.
struct Job {
    const FileArgument* image = nullptr;
    std::filesystem::path target; // empty for standard output
    bool repeat = false;          // the same picture again: already done by an earlier job
    std::string error;
    std::string note; // said on standard error even when the model is written
    std::string model;
};

// A path as comparable as it can be made without it existing: absolute, links resolved as far
// as they exist, "." and ".." gone.
std::filesystem::path comparable(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::path out = std::filesystem::weakly_canonical(path, ignored);
    return out.empty() ? std::filesystem::absolute(path, ignored).lexically_normal() : out;
}

// The grid edge for a picture: the one asked for, else the picture's own when it is a square of
// an offered edge. Returns 0 and says why when there is none.
int edgeFor(const ConvertPlan& plan, const Picture& picture, std::string& error) {
    if (plan.edge != 0)
        return plan.edge;
    if (picture.width() == picture.height() && isOfferedEdge(picture.width()))
        return picture.width();
    error = "the picture is " + std::to_string(picture.width()) + " x " +
            std::to_string(picture.height()) + " pixels, not a square of " + kOfferedEdgesText +
            "; choose the grid edge with --size";
    return 0;
}

// The game model of a decoded picture into job.model, or why not in job.error.
void makeGameModel(const GameTerrainOptions& options, const Picture& picture, Job& job,
                   ProgressLines& progress) {
    if (options.terrain.region == TerrainRegion::TopLeft && options.terrain.edge == 0 &&
        picture.width() != picture.height()) {
        job.error = "the picture is " + std::to_string(picture.width()) + " x " +
                    std::to_string(picture.height()) +
                    " pixels, not square; choose the grid edge with --size, or take the whole "
                    "picture with --fit";
        return;
    }
    const GameTerrain terrain = buildGameTerrain(picture, options, progress.hook());
    if (!terrain.ok()) {
        job.error = terrain.error;
        return;
    }
    if (!terrain.errorMet && options.maxError)
        job.note = "stopped at " + std::to_string(terrain.faces) +
                   " faces (--max-faces) with a largest error of " +
                   messageNumber(terrain.largestError) + ", above --max-error";
    progress.stage(BuildStage::Printing);
    job.model = printGameModel(terrain.model);
}

// Reads, decodes, samples and formats one picture into job.model, or says why not in job.error.
void makeModel(const ConvertPlan& plan, Job& job) {
    ProgressLines progress(plan.progress || (!plan.quiet && errorsAreTerminal()),
                           files::escapedName(job.image->text));
    progress.stage(BuildStage::Reading);
    PictureResult loaded = loadPicture(job.image->path);
    if (!loaded.ok()) {
        job.error = std::move(loaded.error);
        return;
    }
    const Picture& picture = loaded.picture;
    if (plan.gameModel) {
        makeGameModel(plan.game, picture, job, progress);
        return;
    }
    const int edge = edgeFor(plan, picture, job.error);
    if (edge == 0)
        return;
    HeightMap grid;
    (void)sampleSquare(edge, grid, [&](int x, int y) { return picture.packedColour(x, y); });
    job.model = formatEditorModel(grid, edge).value_or("");
}

// Where each model goes, and which may not be written at all.
void placeModels(const ConvertPlan& plan, std::vector<Job>& jobs) {
    std::map<std::filesystem::path, const FileArgument*> inputs;
    for (const FileArgument& image : plan.images)
        inputs.emplace(comparable(image.path), &image);
    std::map<std::filesystem::path, const Job*> targets;
    for (Job& job : jobs) {
        job.target = plan.hasOutput ? plan.output.path : modelPathBeside(job.image->path);
        const std::filesystem::path target = comparable(job.target);
        const std::filesystem::path image = comparable(job.image->path);
        if (const auto input = inputs.find(target); input != inputs.end()) {
            job.error =
                "the model " + files::showPath(job.target) + " would replace " +
                (input->first == image ? std::string("the picture itself")
                                       : "the picture " + files::escapedName(input->second->text) +
                                             " given in this run");
        } else if (const auto earlier = targets.find(target); earlier != targets.end()) {
            if (comparable(earlier->second->image->path) == image)
                job.repeat = true;
            else
                job.error = files::showPath(job.target) + " is already written from " +
                            files::escapedName(earlier->second->image->text) + " in this run";
        } else {
            targets.emplace(target, &job);
        }
    }
}

} // namespace

int convert(const ConvertPlan& plan, Stream& out, Stream& errors) {
    std::vector<Job> jobs(plan.images.size());
    for (std::size_t k = 0; k < jobs.size(); ++k)
        jobs[k].image = &plan.images[k];

    if (plan.toStandardOutput) {
        Job& job = jobs.front(); // --output takes a single picture
        makeModel(plan, job);
        out << job.model;
        if (!out.finish() && !out.readerGone())
            job.error = "cannot write to standard output: " + out.reason();
    } else {
        placeModels(plan, jobs);
        std::counting_semaphore<kPicturesAtOnce> decoding(kPicturesAtOnce);
        const auto convertOne = [&](Job& job) {
            if (!job.error.empty() || job.repeat)
                return;
            decoding.acquire();
            makeModel(plan, job);
            decoding.release();
            if (!job.error.empty())
                return;
            const files::SaveResult saved = files::saveFileAtomically(job.target, job.model);
            if (!saved.ok())
                job.error = "cannot write " + files::showPath(job.target) + ": " + saved.error;
            job.model = {};
        };
        if (jobs.size() == 1) {
            convertOne(jobs.front());
        } else {
            // Saves wait for the disk, so a few more threads than cores keep both busy.
            const std::size_t count = std::min<std::size_t>(
                jobs.size(), std::max(4u, std::thread::hardware_concurrency()));
            std::atomic<std::size_t> next{0};
            std::vector<std::jthread> workers;
            for (std::size_t w = 0; w < count; ++w)
                workers.emplace_back([&] {
                    for (std::size_t k; (k = next++) < jobs.size();)
                        convertOne(jobs[k]);
                });
        }
    }

    int status = kExitConverted;
    for (const Job& job : jobs) {
        if (!job.note.empty())
            complain(errors, files::escapedName(job.image->text) + ": " + job.note);
        if (job.error.empty())
            continue;
        complain(errors, files::escapedName(job.image->text) + ": " + job.error);
        status = kExitFailed;
    }
    return out.readerGone() ? kExitFailed : status;
}

} // namespace grondel::cli
