#pragma once

#include <cstddef>

namespace grondel {

// What the game's own model loader takes. Over any of these it refuses the model whole and
// shows its default model instead.
inline constexpr long long kGameMaxVertices = 512;        // per mesh
inline constexpr long long kGameMaxFaces = 512;           // per mesh
inline constexpr long long kGameMaxTextureVertices = 768; // per mesh
inline constexpr long long kGameMaxFaceVertices = 24;     // at least 1
inline constexpr long long kGameMaxGeosets = 4;
inline constexpr std::size_t kGameMaxLineBytes = 1024; // line end included
inline constexpr std::size_t kGameMaxNameLength = 31;  // mesh names are cut, node names refused

} // namespace grondel
