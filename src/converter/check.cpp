#include "converter/check.h"

#include "files/read_file.h"
#include "files/show_path.h"
#include "model3do/model_check.h"

namespace grondel::cli {

int check(const std::vector<FileArgument>& models, CheckOptions options, Stream& report,
          Stream& errors) {
    // Far beyond any model the game takes; keeps a wrong argument from filling memory.
    constexpr std::size_t kMaxModelBytes = std::size_t{256} << 20;
    int status = kExitConverted;
    for (const FileArgument& model : models) {
        const std::string name = files::escapedName(model.text);
        const files::ReadResult file = files::readFileBounded(model.path, kMaxModelBytes);
        if (!file.ok()) {
            complain(errors, name + ": cannot read it (" + file.error + ")");
            status = kExitFailed;
            continue;
        }
        const ModelCheck result = checkModel(file.bytes, options);
        if (result.ok()) {
            report << name << ": ok (" << std::to_string(result.meshes) << " meshes, "
                   << std::to_string(result.vertices) << " vertices, "
                   << std::to_string(result.faces) << " faces)\n";
            continue;
        }
        for (const ModelProblem& problem : result.problems)
            report << name << ':' << std::to_string(problem.line) << ": " << problem.text << '\n';
        status = kExitFailed;
    }
    return status;
}

} // namespace grondel::cli
