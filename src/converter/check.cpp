#include "converter/check.h"

#include "files/read_file.h"
#include "files/show_path.h"
#include "model3do/model_check.h"

namespace grondel::cli {

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
    }
    return status;
}

} // namespace grondel::cli
