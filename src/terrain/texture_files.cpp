#include "terrain/texture_files.h"

#include "files/read_file.h"
#include "model3do/limits.h"
#include "picture/decode.h"

namespace grondel {

std::string readTexturePicture(const std::filesystem::path& path,
                               std::shared_ptr<const Picture>& out) {
    PictureResult picture = loadPicture(path);
    if (!picture.ok())
        return picture.error;
    out = std::make_shared<const Picture>(std::move(picture.picture));
    return {};
}

std::string readColormapFile(const std::filesystem::path& path,
                             std::shared_ptr<const Colormap>& out) {
    const files::ReadResult file = files::readFileBounded(path, kMaxColormapFileBytes);
    if (!file.ok())
        return file.error;
    ColormapRead read = readColormap(file.bytes);
    if (!read.ok())
        return read.error;
    out = std::make_shared<const Colormap>(std::move(read.colormap));
    return {};
}

std::string readRampFile(const std::filesystem::path& path, Ramp& out) {
    const files::ReadResult file = files::readFileBounded(path, kMaxRampFileBytes);
    if (!file.ok())
        return file.error;
    std::string error;
    Ramp ramp = parseRamp(file.bytes, error);
    if (error.empty())
        out = std::move(ramp);
    return error;
}

} // namespace grondel
