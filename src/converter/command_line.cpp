#include "converter/command_line.h"

#include "files/arguments.h"
#include "heightmap/heightmap.h"

#include <array>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>

namespace grondel::cli {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: grondel-convert [--size N] [--output PATH] IMAGE...
       grondel-convert --game [--scale X,Y,Z] [--material NAME.mat] [--texels-per-unit T]
                       [--size N] [--output PATH] IMAGE...
       grondel-convert --check [--terrain] MODEL...
Turns heightmap pictures into 3DO 2.1 terrain models for the level editor, byte for byte what
the window's Save writes. Each pixel of the top-left N x N square becomes one vertex; beyond the
picture the ground lies at height 0. Pictures may be BMP, PNG, JPEG or PGM/PPM, whatever their
names say; other formats are refused (save 16-bit TIFF from terrain tools as 16-bit PNG).

Exit status: 0 when every picture converted, 1 when any failed (one line each on standard
error), 2 for a wrong command line.

Options:
  -s, --size N           Grid edge: 16, 32 or 64. Without it, each picture must be a square of
                         one of those and its own size is the edge.
  -o, --output PATH      Write the model to PATH ('-' for standard output) instead of beside
                         the picture. Only with a single IMAGE.
  --game                 Write the game model instead: cut into meshes the game takes, with
                         normals and texture coordinates, north up, ready to load as it is.
  --scale X,Y,Z          With --game: world units per half grid step across and along, and the
                         height factor (each from 0.001 to 1000). Default 1,1,1.
  --material NAME.mat    With --game: the material file the terrain is painted with.
                         Default dflt.mat.
  --texels-per-unit T    With --game: texture texels per world unit (0.001 to 100000).
                         Default 320.
  --check                Check the given .3do model files by the game's loading rules instead
                         of converting; prints "ok" with the counts, or each problem with its
                         line number.
  --terrain              With --check: also require every normal to point up, as a terrain's do.
  -h, --help             Show this help and exit.
  -v, --version          Show the version and exit.
  --                     Every argument after it is a file, even one starting with '-'.

Arguments:
  IMAGE                  Heightmap pictures; each model is written beside its picture, named
                         with ".3do" as its suffix.
)";

// The options, as typed after "--", with the short name where there is one.
struct Option {
    std::string_view name;
    char letter; // 0: none
    bool takesValue;
};
constexpr std::array<Option, 10> kOptions{{{"size", 's', true},
                                           {"output", 'o', true},
                                           {"game", 0, false},
                                           {"scale", 0, true},
                                           {"material", 0, true},
                                           {"texels-per-unit", 0, true},
                                           {"check", 0, false},
                                           {"terrain", 0, false},
                                           {"help", 'h', false},
                                           {"version", 'v', false}}};

// The options given (the last value of each) and the files, or what is wrong.
struct Parsed {
    std::map<std::string_view, std::string> options;
    std::vector<std::string> files;
    std::string error;

    bool has(std::string_view name) const { return options.contains(name); }
    const std::string& value(std::string_view name) const { return options.at(name); }
};

Parsed split(const std::vector<std::string>& arguments) {
    Parsed parsed;
    bool filesOnly = false;
    for (std::size_t k = 1; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        if (filesOnly || argument == "-" || !argument.starts_with('-')) {
            parsed.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            filesOnly = true;
            continue;
        }
        // "--name", "--name=value", "-x", "-xvalue"
        std::string_view word = argument;
        std::optional<std::string> attached;
        const Option* option = nullptr;
        if (word.starts_with("--")) {
            word.remove_prefix(2);
            if (const auto equals = word.find('='); equals != std::string_view::npos) {
                attached = std::string(word.substr(equals + 1));
                word = word.substr(0, equals);
            }
            for (const Option& o : kOptions)
                if (o.name == word)
                    option = &o;
        } else {
            for (const Option& o : kOptions)
                if (o.letter == word[1])
                    option = &o;
            if (option && word.size() > 2)
                attached = std::string(word.substr(2));
        }
        if (!option) {
            parsed.error = "Unknown option '" + std::string(argument) + "'.";
            return parsed;
        }
        if (!option->takesValue && attached) {
            parsed.error = "--" + std::string(option->name) + " takes no value.";
            return parsed;
        }
        if (option->takesValue && !attached) {
            if (k + 1 == arguments.size()) {
                parsed.error = "--" + std::string(option->name) + " needs a value.";
                return parsed;
            }
            attached = arguments[++k];
        }
        parsed.options[option->name] = attached.value_or("");
    }
    return parsed;
}

// A whole text as a finite number, '.' as the point whatever the locale.
std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "X,Y,Z" as three scales within their range.
std::optional<std::array<double, 3>> parseScale(std::string_view text) {
    std::array<double, 3> scale{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (axis == 2))
            return std::nullopt;
        const auto value = number(text.substr(0, comma));
        if (!value || !isGameScale(*value))
            return std::nullopt;
        scale[axis] = *value;
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return scale;
}

FileArgument file(const std::string& text) {
    return {text, files::pathFromArgument(text)};
}

// Fills the plan from what was parsed; returns what is wrong, or an empty text.
std::string planFrom(const Parsed& parsed, Request& request) {
    ConvertPlan& plan = request.plan;
    for (const std::string& name : parsed.files)
        plan.images.push_back(file(name));
    if (parsed.has("check")) {
        for (const char* other : {"size", "output", "game", "scale", "material", "texels-per-unit"})
            if (parsed.has(other))
                return std::string("--check reads models; --") + other + " does not go with it.";
        request.terrain = parsed.has("terrain");
        return plan.images.empty() ? "No MODEL given to --check." : "";
    }
    if (parsed.has("terrain"))
        return "--terrain goes with --check.";
    if (plan.images.empty())
        return "No IMAGE given.";

    plan.game = parsed.has("game");
    for (const char* gameOnly : {"scale", "material", "texels-per-unit"})
        if (!plan.game && parsed.has(gameOnly))
            return std::string("--") + gameOnly + " goes with --game.";
    GameModelOptions& game = plan.gameOptions;
    if (parsed.has("scale")) {
        const auto scale = parseScale(parsed.value("scale"));
        if (!scale)
            return "--scale must be three numbers X,Y,Z from 0.001 to 1000, not \"" +
                   parsed.value("scale") + "\".";
        game.scaleX = (*scale)[0];
        game.scaleY = (*scale)[1];
        game.scaleZ = (*scale)[2];
    }
    if (parsed.has("material")) {
        game.material = parsed.value("material");
        if (!isMaterialName(game.material))
            return "--material must be a file name like dflt.mat (letters, digits, _ - + and ., "
                   "at most 31 characters), not \"" +
                   game.material + "\".";
    }
    if (parsed.has("texels-per-unit")) {
        const auto texels = number(parsed.value("texels-per-unit"));
        if (!texels || !isTexelsPerUnit(*texels))
            return "--texels-per-unit must be a number from 0.001 to 100000, not \"" +
                   parsed.value("texels-per-unit") + "\".";
        game.texelsPerUnit = *texels;
    }
    if (parsed.has("size")) {
        const std::string& text = parsed.value("size");
        int edge = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), edge);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
            !isOfferedEdge(edge))
            return std::string("--size must be ") + kOfferedEdgesText + ", not \"" + text + "\".";
        plan.edge = edge;
    }
    if (parsed.has("output")) {
        plan.hasOutput = true;
        plan.output = file(parsed.value("output"));
        plan.toStandardOutput = plan.output.text == "-";
        if (plan.output.text.empty())
            return "--output needs a path, or '-' for standard output.";
        if (plan.images.size() > 1)
            return "--output takes a single IMAGE, not " + std::to_string(plan.images.size()) + ".";
    }
    return {};
}

} // namespace

Request parseCommandLine(const std::vector<std::string>& arguments) {
    using Action = Request::Action;
    Request request;
    const Parsed parsed = split(arguments);
    if (!parsed.error.empty()) {
        request.text = parsed.error;
    } else if (parsed.has("help")) {
        request.action = Action::Help;
        request.text = kHelp;
    } else if (parsed.has("version")) {
        request.action = Action::Version;
        request.text = std::string(kProgram) + " " GRONDEL_VERSION "\n";
    } else {
        request.text = planFrom(parsed, request);
        if (request.text.empty())
            request.action = parsed.has("check") ? Action::Check : Action::Convert;
    }
    return request;
}

} // namespace grondel::cli
