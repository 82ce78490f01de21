#include "converter/texture_files.h"

#include "files/show_path.h"
#include "model3do/limits.h"
#include "model3do/material.h"
#include "model3do/number_text.h"
#include "terrain/texture_files.h"

namespace grondel::cli {

std::string readTextureFiles(const TextureRequest& request, TextureOptions& texture) {
    texture.source = request.shaded ? TextureSource::Shaded : TextureSource::Picture;
    int size = 0;
    if (!readNumber(request.size, size) || !textureSideProblem(size).empty())
        return "--texture-size must be a power of two from " + std::to_string(kMinTextureSide) +
               " to " + std::to_string(kMaxTextureSide) + ", not " + grondel::quoted(request.size);
    texture.size = size;
    // Each file's reason follows the option and the name it was given as.
    const auto named = [](const char* option, const FileArgument& file, std::string problem) {
        return problem.empty() ? problem
                               : std::string(option) + files::escapedName(file.text) + ": " +
                                     std::move(problem);
    };
    if (!request.shaded)
        if (std::string problem = named("--texture ", request.picture,
                                        readTexturePicture(request.picture.path, texture.picture));
            !problem.empty())
            return problem;
    if (request.colormap)
        if (std::string problem = named("--colormap ", *request.colormap,
                                        readColormapFile(request.colormap->path, texture.colormap));
            !problem.empty())
            return problem;
    if (request.ramp)
        if (std::string problem =
                named("--ramp ", *request.ramp, readRampFile(request.ramp->path, texture.ramp));
            !problem.empty())
            return problem;
    return {};
}

} // namespace grondel::cli
