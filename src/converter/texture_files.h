#pragma once

#include "converter/command_line.h"
#include "terrain/game_options.h"

#include <string>

namespace grondel::cli {

// Reads what the texture asked for is made of (its picture, the level's colormap, a ramp file)
// and checks its size, into texture. Returns what is wrong in one line naming the option
// ("--colormap level.cmp: ..."), or an empty text. Each file is read bounded, untrusted.
std::string readTextureFiles(const TextureRequest& request, TextureOptions& texture);

} // namespace grondel::cli
