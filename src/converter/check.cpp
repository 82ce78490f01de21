#include "converter/check.h"

#include "files/read_file.h"
#include "files/show_path.h"
#include "model3do/file_names.h"
#include "model3do/limits.h"
#include "model3do/material.h"
#include "model3do/model_check.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <system_error>

namespace grondel::cli {
namespace {

// The game's own default material, always there.
constexpr std::string_view kDefaultMaterial = "dflt.mat";

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The entry named name in folder, its letters' case aside (the game runs where names ignore
// case); nothing when the folder holds none.
std::optional<std::filesystem::path> findIn(const std::filesystem::path& folder,
                                            std::string_view name) {
    std::error_code failed;
    const std::filesystem::path exact = folder / std::filesystem::path(std::string(name));
    if (std::filesystem::exists(exact, failed))
        return exact;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, failed);
    for (; !failed && entries != std::filesystem::directory_iterator(); entries.increment(failed))
        if (sameLetters(entries->path().filename().string(), name))
            return folder / entries->path().filename();
    return std::nullopt;
}

// The material file name in the mat folder of folder, as the game finds it.
std::optional<std::filesystem::path> findMaterial(const std::filesystem::path& folder,
                                                  std::string_view name) {
    const std::optional<std::filesystem::path> materials = findIn(folder, kMaterialFolder);
    std::error_code failed;
    if (!materials || !std::filesystem::is_directory(*materials, failed))
        return std::nullopt;
    std::optional<std::filesystem::path> found = findIn(*materials, name);
    if (found && !std::filesystem::is_regular_file(*found, failed))
        found.reset();
    return found;
}

// Looks for each material the model names where the game looks for a model's materials: the
// mat folder beside a model in 3do, then the level's own mat folder above it. Returns false
// when a material found is one the game cannot load or draws wrong.
bool checkMaterials(const std::string& shown, const std::filesystem::path& model,
                    const std::vector<std::string>& names, Stream& report) {
    const std::filesystem::path beside = model.parent_path();
    const std::filesystem::path folders[] = {beside, beside / ".."};
    std::vector<std::string_view> looked;
    bool sound = true;
    for (const std::string& name : names) {
        if (name == kDefaultMaterial ||
            std::find(looked.begin(), looked.end(), name) != looked.end())
            continue;
        if (looked.size() == kMaxMaterialsLookedFor) {
            report << shown << ": note: the materials after the first "
                   << std::to_string(kMaxMaterialsLookedFor) << " were not looked for\n";
            break;
        }
        looked.push_back(name);
        std::optional<std::filesystem::path> found;
        for (const std::filesystem::path& folder : folders)
            if ((found = findMaterial(folder, name)))
                break;
        if (!found) {
            report << shown << ": note: material " << files::escapedName(name) << " is in neither "
                   << kMaterialFolder << "/ nor ../" << kMaterialFolder
                   << "/ beside the model: the game draws " << kDefaultMaterial
                   << " in its place unless the level has it\n";
            continue;
        }
        const std::string where = files::showPath(found->lexically_normal());
        const files::ReadResult bytes = files::readFileBounded(*found, kMaxMaterialFileBytes);
        if (!bytes.ok()) {
            report << where << ": cannot read it (" << bytes.error << ")\n";
            sound = false;
            continue;
        }
        const MaterialCheck material = checkMaterial(bytes.bytes);
        for (const std::string& problem : material.problems)
            report << where << ": " << problem << '\n';
        if (material.ok())
            report << where << ": ok (" << std::to_string(material.width) << " x "
                   << std::to_string(material.height) << ", "
                   << (material.indexed ? "8-bit palette indices" : "16-bit colour") << ", "
                   << std::to_string(material.levels) << " mip levels)\n";
        sound = sound && material.ok();
    }
    return sound;
}

} // namespace

int check(const std::vector<FileArgument>& models, CheckOptions options, Stream& report,
          Stream& errors) {
    int status = kExitConverted;
    for (const FileArgument& model : models) {
        const std::string name = files::escapedName(model.text);
        // Read a piece at a time, as the game reads it: no model is too large to check, and
        // memory holds what the check keeps, not the file.
        files::FileInPieces file(model.path);
        const ModelCheck result = checkModel([&file] { return file.next(); }, options);
        if (!file.error().empty()) {
            complain(errors, name + ": cannot read it (" + file.error() + ")");
            status = kExitFailed;
            continue;
        }
        if (result.ok())
            report << name << ": ok (" << std::to_string(result.meshes) << " meshes, "
                   << std::to_string(result.vertices) << " vertices, "
                   << std::to_string(result.faces) << " faces)\n";
        for (const ModelProblem& problem : result.problems)
            report << name << ':' << std::to_string(problem.line) << ": " << problem.text << '\n';
        for (const std::string& note : result.notes)
            report << name << ": note: " << note << '\n';
        if (!result.ok())
            status = kExitFailed;
        if (!checkMaterials(name, model.path, result.materials, report))
            status = kExitFailed;
    }
    return status;
}

} // namespace grondel::cli
