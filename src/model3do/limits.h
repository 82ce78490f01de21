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

// What the game's material reader takes (a material it cannot read is drawn as dflt.mat).
// A texture keeps this many mip levels: more overrun the engine's arrays.
inline constexpr int kGameMaxMipLevels = 4;
// Cel records a material may hold: the reader stops at this many and reads the rest as
// texture headers.
inline constexpr long long kGameMaxMaterialCels = 16;
// The engine's reader (the reimplementation's surfaces) reads a texture level as rows padded to
// a multiple of this many bytes: a narrower row is read with padding the file does not hold.
inline constexpr long long kGameTextureRowAlignment = 4;
// A level's colormap: a header, the palette, then one light table of the palette per light
// level, and with flags bit 0 a transparency table of every pair of colours.
inline constexpr int kPaletteColours = 256;
inline constexpr std::size_t kColormapHeaderBytes = 64;
inline constexpr int kColormapLightLevels = 64;

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
// Sides of the textures Grondel writes, and of their mip levels: powers of two from the
// smallest whose rows the engine reads without padding (8 texels, 8 bytes indexed) to the
// per-mesh texture shift kTextureRepeat, which is then a multiple of the side, so the texture
// stays in place. A texture gets min(kGameMaxMipLevels, log2(side / kMinTextureSide) + 1) levels.
inline constexpr int kMinTextureSide = 8;
inline constexpr int kMaxTextureSide = 1024;
// Files Grondel reads beside a model. A material of kMaxTextureSide in 16 bits with its mip
// levels takes 2.7 MiB and the game's largest far less; a colormap with every table 210 KiB.
inline constexpr std::size_t kMaxMaterialFileBytes = 64u << 20;
inline constexpr std::size_t kMaxColormapFileBytes = 1u << 20;
// Materials a model check looks for beside the model; a terrain names one, any model a few.
inline constexpr std::size_t kMaxMaterialsLookedFor = 64;
// A texture ramp file: a few lines; far more than any ramp needs.
inline constexpr std::size_t kMaxRampFileBytes = 64u << 10;
inline constexpr std::size_t kMaxRampStops = 64;
// Largest error a simplification may be asked for, in world units: beyond any terrain.
inline constexpr double kMaxErrorBound = 1e9;
// Fewest faces a budget may allow: the two that cover the grid's rectangle.
inline constexpr long long kMinFaceBudget = 2;
// Most faces of one game model. The engine draws every face of each mesh it sees and, for a
// model walked on, tests every face on each collision query (about 50 ms a query here, several a
// move); the text is about 150 MB and the simplifier's work and memory grow with the faces it
// makes, so this also bounds every build in time and memory.
inline constexpr long long kGameMaxModelFaces = 1 << 20;

} // namespace grondel
