#pragma once

#include <cstddef>

// Every bound on a model, each named once with its reason: the writers, the checker, the terrain,
// the converter's messages and the windows' all take them from here.
namespace grondel {

// What the game's own model loader takes. Over any of these it refuses the model whole and
// shows its default model instead.
inline constexpr long long kGameMaxVertices = 512;        // per mesh
inline constexpr long long kGameMaxFaces = 512;           // per mesh
inline constexpr long long kGameMaxTextureVertices = 768; // per mesh
inline constexpr long long kGameMaxFaceVertices = 24;     // at least 1
inline constexpr long long kGameMaxGeosets = 4;
// The loader reads a line into 1023 bytes (fgets): at most this many of it, its end included.
// What is left of a longer line is read as the next line. (The reimplementation's own builds
// take twice as much; a line that fits this fits both.)
inline constexpr std::size_t kGameLineReadBytes = 1022;
inline constexpr std::size_t kGameMaxNameLength = 31; // mesh names are cut, node names refused
// A material's name is kept in 32 bytes, its end included.
inline constexpr std::size_t kGameMaxMaterialNameLength = 31;

// The floor search lands a thing only on a face whose normal, turned as the thing is, has a z
// of at least this; a steeper face is a wall.
inline constexpr double kGameMinFloorNormalZ = 0.6;

// What the game loads but cannot draw right.
// Beyond 2^21 texels a float32 texture coordinate steps by more than 1/8 texel: it jitters.
inline constexpr double kGameMaxSteadyTexel = 2097152.0;
// A face whose area is not above this share of the model's extent squared is lost to the
// game's float32 arithmetic: it flickers or vanishes.
inline constexpr double kGameMinFaceAreaShare = 1e-12;

// What the checker keeps to. Vertices are placed one by one where their nodes carry them at most
// this many per byte of the model's text; past that, nodes drawing one mesh many times over are
// checked against spheres around the mesh, so that checking stays linear in the file.
inline constexpr long long kCheckPlacedVerticesPerByte = 1;

// What Grondel's game models keep to.
// Texture coordinates are shifted per mesh by whole multiples of this many texels: a multiple of
// every texture side up to 1024, so such textures repeat seamlessly across the shift.
inline constexpr double kTextureRepeat = 1024.0;
// Squares along a side of a regular tile: (16 + 1)^2 vertices and 2 x 16^2 faces, the most
// faces a mesh takes.
inline constexpr int kTileSquares = 16;
// Points along a terrain grid's side: at least a square's corners; at most what the game takes
// whole in tiles (256 tiles), or simplified (the simplifier keeps a point's place in 16 bits).
inline constexpr int kMinTerrainEdge = 2;
inline constexpr int kMaxFullGridEdge = 257;
inline constexpr int kMaxSimplifiedEdge = 4097;
// Largest |height| a terrain takes, before the Z scale: far beyond any terrain, far within the
// range where the simplifier's arithmetic is exact enough.
inline constexpr double kMaxTerrainHeight = 1e15;
// Scales and texel densities outside these would print past the game's line length or lose
// every digit to the precision the model is written with.
inline constexpr double kMinGameScale = 0.001;
inline constexpr double kMaxGameScale = 1000.0;
inline constexpr double kMinTexelsPerUnit = 0.001;
inline constexpr double kMaxTexelsPerUnit = 100000.0;
// Largest error a simplification may be asked for, in world units: beyond any terrain.
inline constexpr double kMaxErrorBound = 1e9;
// Fewest faces a budget may allow: the two that cover the grid's rectangle.
inline constexpr long long kMinFaceBudget = 2;

} // namespace grondel
