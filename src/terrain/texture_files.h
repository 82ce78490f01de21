#pragma once

#include "model3do/colormap.h"
#include "picture/picture.h"
#include "terrain/texture.h"

#include <filesystem>
#include <memory>
#include <string>

namespace grondel {

// The files a terrain texture is made of, each read bounded and untrusted, the way the converter
// and the window both read them. Each returns the reason it cannot be used in one line, to
// follow the file's name ("not a colormap: ..."), or an empty text when out holds it.

// A colour picture to lay over the terrain: any picture loadPicture reads.
std::string readTexturePicture(const std::filesystem::path& path,
                               std::shared_ptr<const Picture>& out);
// A level's colormap (.cmp), at most kMaxColormapFileBytes, as readColormap takes it.
std::string readColormapFile(const std::filesystem::path& path,
                             std::shared_ptr<const Colormap>& out);
// A ramp file, at most kMaxRampFileBytes, as parseRamp takes it.
std::string readRampFile(const std::filesystem::path& path, Ramp& out);

} // namespace grondel
