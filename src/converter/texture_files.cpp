#include "converter/texture_files.h"

#include "files/read_file.h"
#include "files/show_path.h"
#include "model3do/limits.h"
#include "model3do/material.h"
#include "model3do/number_text.h"
#include "picture/decode.h"

namespace grondel::cli {

std::string readTextureFiles(const TextureRequest& request, TextureOptions& texture) {
    texture.source = request.shaded ? TextureSource::Shaded : TextureSource::Picture;
    int size = 0;
    if (!readNumber(request.size, size) || !textureSideProblem(size).empty())
        return "--texture-size must be a power of two from " + std::to_string(kMinTextureSide) +
               " to " + std::to_string(kMaxTextureSide) + ", not " + grondel::quoted(request.size);
    texture.size = size;
    if (!request.shaded) {
        PictureResult picture = loadPicture(request.picture.path);
        if (!picture.ok())
            return "--texture " + files::escapedName(request.picture.text) + ": " + picture.error;
        texture.picture = std::make_shared<const Picture>(std::move(picture.picture));
    }
    if (request.colormap) {
        const std::string name = "--colormap " + files::escapedName(request.colormap->text) + ": ";
        const files::ReadResult file =
            files::readFileBounded(request.colormap->path, kMaxColormapFileBytes);
        if (!file.ok())
            return name + file.error;
        ColormapRead read = readColormap(file.bytes);
        if (!read.ok())
            return name + read.error;
        texture.colormap = std::make_shared<const Colormap>(std::move(read.colormap));
    }
    if (request.ramp) {
        const std::string name = "--ramp " + files::escapedName(request.ramp->text) + ": ";
        const files::ReadResult file =
            files::readFileBounded(request.ramp->path, kMaxRampFileBytes);
        if (!file.ok())
            return name + file.error;
        std::string error;
        texture.ramp = parseRamp(file.bytes, error);
        if (!error.empty())
            return name + error;
    }
    return {};
}

} // namespace grondel::cli
