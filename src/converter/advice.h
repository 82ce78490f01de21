#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace grondel::cli {

// A walkable game model written in this run, as the advice on putting it in a level names it.
struct WalkableModel {
    std::string file; // the model's file name, no folder
    double radius = 0.0;
    std::size_t faces = 0;
};

// Faces above which a walkable model is said to cost the game much on every move near it.
inline constexpr std::size_t kManyWalkableFaces = 32768;
// What the game's collision spends on one face of a walked-on model, at most, on a machine of
// today (the engine tests every face of it on each query, with no spatial structure).
inline constexpr double kCollisionNanosecondsPerFace = 50.0;

// How to put the models in a level, one short block of lines (the last without its line end):
// the template line of each, what its template means, its size, the sector to place it in, and
// what its faces cost.
std::string levelAdvice(const std::vector<WalkableModel>& models);

// The warning for a walkable model of more than kManyWalkableFaces faces, or nothing.
std::string collisionWarning(const WalkableModel& model);

} // namespace grondel::cli
