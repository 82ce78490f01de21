#pragma once

#include "model3do/model_check.h"
#include "terrain/game_terrain.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace grondel::cli {

// Exit statuses of grondel-convert.
inline constexpr int kExitConverted = 0; // every image converted, every model ok
inline constexpr int kExitFailed = 1;    // some image or model failed; the others were done
inline constexpr int kExitUsage = 2;     // the command line itself is wrong; nothing was read

// The program's name, as it starts every line it writes to standard error.
inline constexpr char kProgram[] = "grondel-convert";

// A file named on the command line: the argument as typed, and the file it names.
struct FileArgument {
    std::string text;
    std::filesystem::path path;
};

// The terrain's own texture as the command line asks for it; its files are read when the run
// starts, and their faults are the run's, not the command line's.
struct TextureRequest {
    bool wanted = false;
    bool shaded = false;                  // else made of picture
    FileArgument picture;                 // --texture PICTURE
    std::string size = "256";             // --texture-size, as typed
    std::optional<FileArgument> colormap; // --colormap: 8-bit into its palette
    std::optional<FileArgument> ramp;     // --ramp: a shaded texture's colours
};

// What one run converts, and how.
struct ConvertPlan {
    // The editor model's grid edge: 16, 32 or 64; 0 takes each picture's own edge (a square of
    // one of those). The game model's is in game.terrain.edge.
    int edge = 0;
    std::vector<FileArgument> images; // at least one; exactly one when output is given
    bool hasOutput = false;           // output given: the model goes there instead of beside
    bool toStandardOutput = false;    // output given as "-"
    FileArgument output;
    bool gameModel = false; // write the game model instead of the editor model
    bool quiet = false;     // no advice on standard error, only failures
    bool progress = false;  // tell long conversions' progress even where no one watches
    GameTerrainOptions game;
    TextureRequest texture;
};

// What the command line asks for.
struct Request {
    enum class Action { Convert, Check, Help, Version, UsageError };
    Action action = Action::UsageError;
    ConvertPlan plan;   // for Convert; for Check, plan.images holds the models to check
    CheckOptions check; // Check: the rules beyond the game's own
    std::string text;   // the help text, the version line or what is wrong with the arguments
};

// Reads the arguments (arguments[0] is the program itself). Options: --size/-s N, --output/-o
// PATH, --game, --scale X,Y,Z, --material NAME.mat, --texels-per-unit T, --fit, --heights
// colour|grey, --max-error E, --max-faces F, --scenery, --quiet, --progress, --check,
// --terrain, --walkable, --texture shaded|PICTURE, --texture-size N, --colormap FILE,
// --ramp FILE, --help/-h, --version/-v; a
// value may follow as the next argument or after '='. "--" ends the
// options: every argument after it is a file, even one starting with '-'. Numbers are read the
// same whatever the locale.
Request parseCommandLine(const std::vector<std::string>& arguments);

} // namespace grondel::cli
