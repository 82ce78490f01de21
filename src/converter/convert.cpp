#include "converter/convert.h"

#include "converter/advice.h"
#include "converter/progress.h"
#include "converter/texture_files.h"
#include "files/save_file.h"
#include "files/show_path.h"
#include "heightmap/sampling.h"
#include "model3do/editor_model.h"
#include "model3do/file_names.h"
#include "model3do/game_model.h"
#include "model3do/material.h"
#include "model3do/number_text.h"
#include "picture/decode.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace grondel::cli {
namespace {

// Memory the pictures of a batch may hold at once while they are read and decoded: a file's
// bytes, and its decoded picture of up to kMaxDecodedBytes until its model is made.
constexpr std::uint64_t kPictureMemory = std::uint64_t{1} << 30;

// Bytes of kPictureMemory handed out: a job waits until its share fits, or until it is alone.
class MemoryBudget {
public:
    void acquire(std::uint64_t bytes) {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return used_ == 0 || used_ + bytes <= kPictureMemory; });
        used_ += bytes;
    }
    void release(std::uint64_t bytes) {
        {
            const std::lock_guard lock(mutex_);
            used_ -= bytes;
        }
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    std::uint64_t used_ = 0;
};

// Bytes acquired from a budget, given back at the latest when it goes.
class MemoryShare {
public:
    MemoryShare(MemoryBudget& budget, std::uint64_t bytes)
        : budget_(budget)
        , bytes_(bytes) {}
    MemoryShare(const MemoryShare&) = delete;
    MemoryShare& operator=(const MemoryShare&) = delete;
    ~MemoryShare() { giveBack(); }
    void giveBack() {
        budget_.release(bytes_);
        bytes_ = 0;
    }

private:
    MemoryBudget& budget_;
    std::uint64_t bytes_;
};

// One picture's conversion: what it reads, where its model goes, and how it went.
struct Job {
    const FileArgument* image = nullptr;
    std::filesystem::path target; // empty for standard output
    bool repeat = false;          // the same picture again: already done by an earlier job
    std::string error;
    std::string note;                      // said on standard error even when the model is written
    std::string model;                     // its text, or for a game model:
    std::optional<GameModel> gameModel;    // the model, printed as it is written
    std::optional<WalkableModel> walkable; // a walkable game model, for the advice
    std::filesystem::path materialTarget;  // with a texture: where its material goes
    std::string material;                  // ... and its bytes, written before the model
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

// The game model of a decoded picture into job.model, with its material when it has a texture,
// or why not in job.error.
void makeGameModel(GameTerrainOptions options, Picture&& picture, Job& job,
                   ProgressLines& progress) {
    if (options.texture.source != TextureSource::None)
        options.model.material = job.materialTarget.filename().string();
    if (options.terrain.region == TerrainRegion::TopLeft && options.terrain.edge == 0 &&
        picture.width() != picture.height()) {
        job.error = "the picture is " + std::to_string(picture.width()) + " x " +
                    std::to_string(picture.height()) +
                    " pixels, not square; choose the grid edge with --size, or take the whole "
                    "picture with --fit";
        return;
    }
    GameTerrain terrain = buildGameTerrain(std::move(picture), options, progress.hook());
    if (!terrain.ok()) {
        job.error = terrain.error;
        return;
    }
    if (terrain.material) {
        job.material = writeMaterial(*terrain.material, job.error);
        if (!job.error.empty())
            return;
    }
    if (!terrain.errorMet)
        job.note = "stopped at " + std::to_string(terrain.faces) +
                   " faces (--max-faces) with a largest error of " +
                   messageNumber(terrain.largestError) +
                   (options.maxError ? ", above --max-error" : "");
    if (options.model.layout == MeshLayout::Walkable) {
        const std::u8string name = job.target.filename().u8string();
        job.walkable = WalkableModel{std::string(name.begin(), name.end()), terrain.model.radius,
                                     terrain.faces};
        if (const std::string warning = collisionWarning(*job.walkable); !warning.empty())
            job.note += (job.note.empty() ? "" : "; ") + warning;
    }
    progress.stage(BuildStage::Printing);
    job.gameModel = std::move(terrain.model);
}

// Reads, decodes, samples and formats one picture into job.model, or says why not in job.error.
// Its share of budget covers the file and the decoded picture: the file's part goes back as soon
// as the picture is decoded, the rest when the model is made.
void makeModel(const ConvertPlan& plan, Job& job, MemoryBudget& budget) {
    std::error_code unknown;
    const std::uint64_t fileBytes = std::min<std::uint64_t>(
        std::filesystem::file_size(job.image->path, unknown), kMaxPictureFileBytes);
    const std::uint64_t fileShare = unknown ? 0 : fileBytes;
    budget.acquire(fileShare + kMaxDecodedBytes);
    MemoryShare file{budget, fileShare}, decoded{budget, kMaxDecodedBytes};
    ProgressLines progress(plan.progress || (!plan.quiet && errorsAreTerminal()),
                           files::escapedName(job.image->text));
    progress.stage(BuildStage::Reading);
    PictureResult loaded = loadPicture(job.image->path);
    file.giveBack(); // the bytes are gone once decoded
    if (!loaded.ok()) {
        job.error = std::move(loaded.error);
        return;
    }
    const Picture& picture = loaded.picture;
    if (plan.gameModel) {
        makeGameModel(plan.game, std::move(loaded.picture), job, progress);
        return;
    }
    const int edge = edgeFor(plan, picture, job.error);
    if (edge == 0)
        return;
    HeightMap grid;
    (void)sampleSquare(edge, grid, [&](int x, int y) { return picture.packedColour(x, y); });
    job.model = formatEditorModel(grid, edge).value_or("");
}

// makeModel, with running out of memory one more reason a picture fails: the others go on.
void makeModelWithin(const ConvertPlan& plan, Job& job, MemoryBudget& budget) {
    try {
        makeModel(plan, job, budget);
    } catch (const std::bad_alloc&) {
        job.model = {};
        job.gameModel.reset();
        job.error = "out of memory while making its model";
    }
}

// The job's game model printed, each piece handed to write as it comes; "" or why not.
std::string writeGameModel(const Job& job, const files::WriteBytes& write) {
    try {
        return printGameModelInOrder(*job.gameModel,
                                     [&write](std::string&& piece) { return write(piece); });
    } catch (const std::bad_alloc&) {
        return "out of memory while printing its model";
    }
}

// Writes the job's material, when it has one, and its model together: both or neither.
void saveModel(Job& job) {
    std::vector<files::FileToSave> files;
    if (!job.material.empty())
        files.push_back({job.materialTarget, job.material});
    files.push_back({job.target, job.model});
    if (job.gameModel)
        files.back().produce = [&job](const files::WriteBytes& write) {
            return writeGameModel(job, write);
        };
    const std::vector<files::SaveResult> saved =
        job.material.empty() ? files::saveFilesAtomically(files)
                             : files::saveFilesIntoFolder(job.materialTarget.parent_path(), files);
    for (std::size_t k = 0; k < saved.size() && job.error.empty(); ++k)
        if (!saved[k].ok())
            job.error = "cannot write " + files::showPath(files[k].path) + ": " + saved[k].error;
    job.material = {};
    job.model = {};
    job.gameModel.reset();
}

// Where each model goes (and its material), and which may not be written at all.
void placeModels(const ConvertPlan& plan, std::vector<Job>& jobs) {
    std::map<std::filesystem::path, const FileArgument*> inputs;
    for (const FileArgument& image : plan.images)
        inputs.emplace(comparable(image.path), &image);
    std::map<std::filesystem::path, const Job*> targets, materials;
    for (Job& job : jobs) {
        job.target = plan.hasOutput ? plan.output.path : modelPathBeside(job.image->path);
        if (plan.texture.wanted) {
            job.materialTarget =
                job.target.parent_path() / kMaterialFolder / materialNameFor(job.target);
            const std::filesystem::path material = comparable(job.materialTarget);
            const auto earlier = materials.find(material);
            if (inputs.contains(material)) {
                job.error = "its material " + files::showPath(job.materialTarget) +
                            " would replace a picture given in this run";
                continue;
            }
            if (earlier != materials.end() &&
                comparable(earlier->second->image->path) != comparable(job.image->path)) {
                job.error = "its material " + files::showPath(job.materialTarget) +
                            " is also the material of " +
                            files::escapedName(earlier->second->image->text) +
                            "'s model in this run";
                continue;
            }
            materials.emplace(material, &job);
        }
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

int convert(const ConvertPlan& given, Stream& out, Stream& errors) {
    ConvertPlan plan = given;
    // What the texture is made of is read once for every picture, before anything is written.
    if (plan.texture.wanted) {
        if (std::string problem = readTextureFiles(plan.texture, plan.game.texture);
            !problem.empty()) {
            complain(errors, problem);
            return kExitFailed;
        }
    }
    std::vector<Job> jobs(plan.images.size());
    for (std::size_t k = 0; k < jobs.size(); ++k)
        jobs[k].image = &plan.images[k];

    if (plan.toStandardOutput) {
        Job& job = jobs.front(); // --output takes a single picture
        MemoryBudget budget;
        makeModelWithin(plan, job, budget);
        // A failure to write it is the program's to say, once.
        if (job.gameModel) {
            if (std::string error = writeGameModel(job,
                                                   [&out](std::string_view piece) {
                                                       out << piece;
                                                       return std::string();
                                                   });
                !error.empty())
                job.error = error;
        } else {
            out << job.model;
        }
    } else {
        placeModels(plan, jobs);
        MemoryBudget budget;
        const auto convertOne = [&](Job& job) {
            if (!job.error.empty() || job.repeat)
                return;
            makeModelWithin(plan, job, budget);
            if (!job.error.empty())
                return;
            saveModel(job);
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
    std::vector<WalkableModel> walkable;
    for (const Job& job : jobs) {
        if (!job.note.empty())
            complain(errors, files::escapedName(job.image->text) + ": " + job.note);
        if (job.error.empty()) {
            if (job.walkable && !plan.toStandardOutput)
                walkable.push_back(*job.walkable);
            continue;
        }
        complain(errors, files::escapedName(job.image->text) + ": " + job.error);
        status = kExitFailed;
    }
    if (!walkable.empty() && !plan.quiet)
        complain(errors, levelAdvice(walkable));
    return out.readerGone() ? kExitFailed : status;
}

} // namespace grondel::cli
