#include "converter/advice.h"

#include "model3do/number_text.h"

#include <cctype>
#include <cmath>

namespace grondel::cli {
namespace {

// A template's name made of the model's: lowercase letters, digits and '_', as level files
// write them.
std::string templateName(const std::string& file) {
    std::string name = "terrain_";
    for (const char c : file.substr(0, file.rfind('.'))) {
        const auto u = static_cast<unsigned char>(c);
        name += std::isalnum(u) && u < 0x80 ? static_cast<char>(std::tolower(u)) : '_';
    }
    return name;
}

// The collision's cost of a query over every face, in milliseconds, to two digits.
std::string queryCost(std::size_t faces) {
    const double ms = static_cast<double>(faces) * kCollisionNanosecondsPerFace / 1e6;
    const double step = std::pow(10.0, std::floor(std::log10(ms)) - 1);
    return messageNumber(std::round(ms / step) * step);
}

} // namespace

std::string levelAdvice(const std::vector<WalkableModel>& models) {
    std::string text = "to walk on it in a level, add a template for each model and place a thing "
                       "of it:\n";
    for (const WalkableModel& model : models)
        text += "  " + templateName(model.file) + " _walkstruct model3d=" + model.file +
                "    # radius " + messageNumber(std::ceil(model.radius * 100) / 100) + ", " +
                std::to_string(model.faces) + " faces tested on each move (about " +
                queryCost(model.faces) + " ms a query)\n";
    text += "  _walkstruct is type=cog, collide=3, move=path, thingflags=0x400048 (0x800048 for\n"
            "  earth footsteps rather than metal); leave size out or make it at least the radius.\n"
            "  Place it in the sector the player walks in: the game collides only with things in\n"
            "  the sectors a move passes through and their neighbours, and draws it only while\n"
            "  its sector is seen. Then save the level in the editor.";
    return text;
}

std::string collisionWarning(const WalkableModel& model) {
    if (model.faces <= kManyWalkableFaces)
        return {};
    return std::to_string(model.faces) +
           " faces to walk on: the game tests every one on each move near it (about " +
           queryCost(model.faces) +
           " ms a query, several a move); fewer with --max-error or --max-faces, or --scenery "
           "for terrain nobody walks on";
}

} // namespace grondel::cli
