#include "converter/command_line.h"

#include "files/arguments.h"
#include "heightmap/heightmap.h"
#include "model3do/limits.h"
#include "model3do/number_text.h"

#include <array>
#include <limits>
#include <map>
#include <optional>
#include <string_view>

namespace grondel::cli {
namespace {

// The help, its limits filled in by helpText().
constexpr std::string_view kHelpTemplate =
    R"(Usage: grondel-convert [--size N] [--output PATH] IMAGE...
       grondel-convert --game [--scale X,Y,Z] [--material NAME.mat] [--texels-per-unit T]
                       [--fit] [--heights colour|grey] [--size N]
                       [--max-error E] [--max-faces F] [--scenery] [--quiet]
                       [--progress] [--texture shaded|PICTURE [--texture-size N]
                       [--colormap LEVEL.cmp] [--ramp FILE]] [--output PATH] IMAGE...
       grondel-convert --check [--terrain] [--walkable] MODEL...
Turns heightmap pictures into 3DO 2.1 terrain models: for the level editor, byte for byte what
the window's Save writes, or with --game a model the game loads as it is. Pictures may be BMP,
PNG, JPEG or PGM/PPM, whatever their names say; other formats are refused (save 16-bit TIFF
from terrain tools as 16-bit PNG).

The editor model takes the top-left N x N pixels, one vertex each, its height the pixel's
24-bit colour over 2^21 - 1 (black 0, white about 8); beyond the picture the ground lies at 0.

Exit status: 0 when every picture converted, 1 when any failed (one line each on standard
error), 2 for a wrong command line.

Options:
  -s, --size N           Grid edge: {edges}. Without it, each picture must be a square of
                         one of those and its own size is the edge. With --game: {minEdge} to {fullEdge}
                         points along the longer side ({simplifiedEdge} with --max-error or --max-faces);
                         without it the picture's own square, or with --fit its longer side
                         (at most {fullEdge}).
  -o, --output PATH      Write the model to PATH ('-' for standard output) instead of beside
                         the picture. Only with a single IMAGE.
  --game                 Write the game model instead: north up, cut into meshes the game takes,
                         with normals and texture coordinates, ready to load as it is.
  --scale X,Y,Z          With --game: X and Y scale the grid across and along (a grid step is
                         X/2 and Y/2 world units), Z the heights (each from {minScale} to
                         {maxScale}). Default 1,1,1.
  --material NAME.mat    With --game: the material file the terrain is painted with.
                         Default {material}.
  --texels-per-unit T    With --game: texture texels per world unit ({minTexels} to {maxTexels}).
                         Default {texels}.
  --fit                  With --game: the whole picture makes the terrain, resampled onto the
                         grid, its proportions kept; without it the top-left N x N pixels.
  --heights colour|grey  With --game: heights from the 24-bit colour over 2^21 - 1 (colour, the
                         default, as the editor model), or from the pixel's grey level at its
                         full depth, 16 bits where the file has them: 0 at black, 8 at white
                         (grey; colour pictures weigh red, green and blue 0.2126, 0.7152,
                         0.0722). Both before the Z scale.
  --max-error E          With --game: fewer faces, keeping the surface within E world units,
                         vertically, of every grid point's height as written (E >= 0).
  --max-faces F          With --game: at most F faces (F >= {minFaces}), spent where they cut the
                         largest error most. With --max-error too, it meets E if it can within F
                         faces, else stops at F and says what error it reached.
  --scenery              With --game: a terrain nobody walks on (distant mountains): each mesh
                         around its own centre, placed by its node, so the game culls it mesh by
                         mesh, and does not collide with it. Without it the terrain is walkable:
                         every mesh written where the game collides with it (nodes at zero), each
                         mesh's culling sphere centred on the thing. The game then tests every
                         face on each move of anything near it, about 25-50 ns a face (32768
                         faces cost about 1 ms a query, and a move makes several): fewer faces
                         with --max-error or --max-faces is the remedy.
  --quiet                With --game: no advice on standard error on putting a walkable terrain
                         in a level, and no progress on a terminal; failures and warnings are
                         still said.
  --progress             Tell each conversion that takes over a second as it goes (reading,
                         simplifying, printing...) on standard error, even into a pipe or a
                         file; on a terminal it is told anyway, unless --quiet.
  --texture shaded|PICTURE
                         With --game: a texture of the terrain's own, laid over it once and
                         written as a material the model names, beside it in mat/ (named after
                         the model, lowercase): shaded colours the ground by height and slope
                         and lights it from the north-west; a PICTURE (a satellite image, a
                         painted map) is resampled over it. Not with --material or
                         --texels-per-unit.
  --texture-size N       With --texture: texels a side, a power of two from {minTexture} to
                         {maxTexture} (default 256), with up to {mipLevels} mip levels, each half the
                         one before and none below {minTexture} x {minTexture}.
  --colormap LEVEL.cmp   With --texture: 8-bit, in the level's own palette (what the original
                         game draws), instead of 16-bit colour.
  --ramp FILE            With --texture shaded: the colours by height and slope from a small
                         text file instead of grass, earth, rock and snow (see the README).
  --check                Check the given .3do model files as the game's loader reads them
                         instead of converting (numbers as its reimplementation reads them with
                         glibc); prints "ok" with the counts, or each problem with its line
                         number: what keeps the game from loading the model, what it reads past
                         its memory on, and what it reads or draws otherwise than written.
                         Each material the model names is looked for in mat/ beside it, then
                         ../mat/, and checked as the game's reader reads it.
  --terrain              With --check: also require every normal to point up, as a terrain's do.
  --walkable             With --check: also the rules of a model the player walks on: every mesh
                         of geoset 0 drawn where the game collides with it (nodes at zero), and
                         notes counting the faces the game tests on each collision query and
                         those too steep to stand on.
  -h, --help             Show this help and exit.
  -v, --version          Show the version and exit.
  --                     Every argument after it is a file, even one starting with '-'.

Arguments:
  IMAGE                  Heightmap pictures; each model is written beside its picture, named
                         with ".3do" as its suffix.
)";

// The help with every {name} replaced by its value.
std::string helpText() {
    const GameModelOptions defaults;
    const std::pair<std::string_view, std::string> values[] = {
        {"{edges}", kOfferedEdgesText},
        {"{minEdge}", std::to_string(kMinTerrainEdge)},
        {"{fullEdge}", std::to_string(kMaxFullGridEdge)},
        {"{simplifiedEdge}", std::to_string(kMaxSimplifiedEdge)},
        {"{minScale}", messageNumber(kMinGameScale)},
        {"{maxScale}", messageNumber(kMaxGameScale)},
        {"{minTexels}", messageNumber(kMinTexelsPerUnit)},
        {"{maxTexels}", messageNumber(kMaxTexelsPerUnit)},
        {"{texels}", messageNumber(defaults.texelsPerUnit)},
        {"{material}", defaults.material},
        {"{minFaces}", std::to_string(kMinFaceBudget)},
        {"{minTexture}", std::to_string(kMinTextureSide)},
        {"{maxTexture}", std::to_string(kMaxTextureSide)},
        {"{mipLevels}", std::to_string(kGameMaxMipLevels)},
    };
    std::string help(kHelpTemplate);
    for (const auto& [name, value] : values)
        for (std::size_t at; (at = help.find(name)) != std::string::npos;)
            help.replace(at, name.size(), value);
    return help;
}

// The options, as typed after "--", with the short name where there is one.
struct Option {
    std::string_view name;
    char letter; // 0: none
    bool takesValue;
};
constexpr Option kOptions[] = {
    {"size", 's', true},    {"output", 'o', true},     {"game", 0, false},
    {"scale", 0, true},     {"material", 0, true},     {"texels-per-unit", 0, true},
    {"fit", 0, false},      {"heights", 0, true},      {"max-error", 0, true},
    {"max-faces", 0, true}, {"scenery", 0, false},     {"quiet", 0, false},
    {"texture", 0, true},   {"texture-size", 0, true}, {"colormap", 0, true},
    {"ramp", 0, true},      {"check", 0, false},       {"terrain", 0, false},
    {"walkable", 0, false}, {"progress", 0, false},    {"help", 'h', false},
    {"version", 'v', false}};

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

// "X,Y,Z" as three numbers, '.' the point whatever the locale; NaN for a part that is no number.
std::optional<std::array<double, 3>> parseScale(std::string_view text) {
    std::array<double, 3> scale{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (axis == 2))
            return std::nullopt;
        scale[axis] = std::numeric_limits<double>::quiet_NaN();
        (void)readNumber(text.substr(0, comma), scale[axis]);
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return scale;
}

FileArgument file(const std::string& text) {
    return {text, files::pathFromArgument(text)};
}

// The flag that sets an option, as the converter's messages name it.
std::string_view flagOf(GameOption option) {
    switch (option) {
    case GameOption::ScaleX:
        return "--scale X";
    case GameOption::ScaleY:
        return "--scale Y";
    case GameOption::ScaleZ:
        return "--scale Z";
    case GameOption::Material:
        return "--material";
    case GameOption::TexelsPerUnit:
        return "--texels-per-unit";
    case GameOption::Edge:
        return "--size";
    case GameOption::MaxError:
        return "--max-error";
    case GameOption::MaxFaces:
        return "--max-faces";
    case GameOption::TextureSize:
        return "--texture-size";
    case GameOption::Texture:
        return "--texture";
    }
    return "an option";
}

// The game model's options into game; returns what is wrong, or an empty text. A value that is
// no number is kept as one out of every range, so the one check of the options names it.
std::string gameOptionsFrom(const Parsed& parsed, GameTerrainOptions& game) {
    constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();
    GameModelOptions& model = game.model;
    std::map<GameOption, std::string> given;
    if (parsed.has("scale")) {
        const std::string& text = parsed.value("scale");
        const auto scale = parseScale(text);
        if (!scale)
            return "--scale must be three numbers X,Y,Z, not \"" + text + "\".";
        model.scaleX = (*scale)[0];
        model.scaleY = (*scale)[1];
        model.scaleZ = (*scale)[2];
        for (GameOption axis : {GameOption::ScaleX, GameOption::ScaleY, GameOption::ScaleZ})
            given[axis] = text;
    }
    if (parsed.has("material"))
        model.material = given[GameOption::Material] = parsed.value("material");
    if (parsed.has("texels-per-unit")) {
        model.texelsPerUnit = kNoNumber;
        (void)readNumber(given[GameOption::TexelsPerUnit] = parsed.value("texels-per-unit"),
                         model.texelsPerUnit);
    }
    if (parsed.has("fit"))
        game.terrain.region = TerrainRegion::Fit;
    if (parsed.has("scenery"))
        model.layout = MeshLayout::Scenery;
    if (parsed.has("heights")) {
        const std::string& heights = parsed.value("heights");
        if (heights != "colour" && heights != "grey")
            return "--heights must be colour or grey, not \"" + heights + "\".";
        game.terrain.heights = heights == "grey" ? TerrainHeights::Grey : TerrainHeights::Colour;
    }
    if (parsed.has("max-error")) {
        game.maxError = kNoNumber;
        (void)readNumber(given[GameOption::MaxError] = parsed.value("max-error"), *game.maxError);
    }
    if (parsed.has("max-faces")) {
        game.maxFaces = 0; // below every budget
        (void)readNumber(given[GameOption::MaxFaces] = parsed.value("max-faces"), *game.maxFaces);
    }
    if (parsed.has("size")) {
        long long edge = -1; // outside every grid
        (void)readNumber(given[GameOption::Edge] = parsed.value("size"), edge);
        game.terrain.edge = edge >= 1 && edge <= kMaxSimplifiedEdge ? static_cast<int>(edge) : -1;
    }
    if (const auto problem = gameOptionsProblem(game))
        return std::string(flagOf(problem->option)) + " " + problem->problem + ", not \"" +
               given[problem->option] + "\".";
    return {};
}

// The texture's options into texture; returns what is wrong, or an empty text.
std::string textureFrom(const Parsed& parsed, TextureRequest& texture) {
    for (const char* needs : {"texture-size", "colormap", "ramp"})
        if (parsed.has(needs) && !parsed.has("texture"))
            return std::string("--") + needs + " goes with --texture.";
    if (!parsed.has("texture"))
        return {};
    for (const char* other : {"material", "texels-per-unit"})
        if (parsed.has(other))
            return std::string("--texture names the material the model is painted with and lays "
                               "it over the terrain; --") +
                   other + " does not go with it.";
    texture.wanted = true;
    texture.shaded = parsed.value("texture") == "shaded";
    if (!texture.shaded)
        texture.picture = file(parsed.value("texture"));
    if (parsed.has("ramp") && !texture.shaded)
        return "--ramp colours a shaded texture, not a picture.";
    if (parsed.has("texture-size"))
        texture.size = parsed.value("texture-size");
    if (parsed.has("colormap"))
        texture.colormap = file(parsed.value("colormap"));
    if (parsed.has("ramp"))
        texture.ramp = file(parsed.value("ramp"));
    return {};
}

// Fills the plan from what was parsed; returns what is wrong, or an empty text.
std::string planFrom(const Parsed& parsed, Request& request) {
    ConvertPlan& plan = request.plan;
    for (const std::string& name : parsed.files)
        plan.images.push_back(file(name));
    if (parsed.has("check")) {
        for (const char* other : {"size", "output", "game", "scale", "material", "texels-per-unit",
                                  "fit", "heights", "max-error", "max-faces", "scenery", "quiet",
                                  "progress", "texture", "texture-size", "colormap", "ramp"})
            if (parsed.has(other))
                return std::string("--check reads models; --") + other + " does not go with it.";
        request.check.terrain = parsed.has("terrain");
        request.check.walkable = parsed.has("walkable");
        return plan.images.empty() ? "No MODEL given to --check." : "";
    }
    for (const char* checkOnly : {"terrain", "walkable"})
        if (parsed.has(checkOnly))
            return std::string("--") + checkOnly + " goes with --check.";
    if (plan.images.empty())
        return "No IMAGE given.";

    plan.gameModel = parsed.has("game");
    plan.quiet = parsed.has("quiet");
    plan.progress = parsed.has("progress");
    for (const char* gameOnly :
         {"scale", "material", "texels-per-unit", "fit", "heights", "max-error", "max-faces",
          "scenery", "quiet", "texture", "texture-size", "colormap", "ramp"})
        if (!plan.gameModel && parsed.has(gameOnly))
            return std::string("--") + gameOnly + " goes with --game.";
    if (plan.gameModel) {
        if (std::string problem = gameOptionsFrom(parsed, plan.game); !problem.empty())
            return problem;
        if (std::string problem = textureFrom(parsed, plan.texture); !problem.empty())
            return problem;
    } else if (parsed.has("size")) {
        const std::string& text = parsed.value("size");
        int edge = 0;
        if (!readNumber(text, edge) || !isOfferedEdge(edge))
            return std::string("--size must be ") + kOfferedEdgesText + ", not \"" + text + "\".";
        plan.edge = edge;
    }
    if (parsed.has("output")) {
        plan.hasOutput = true;
        plan.output = file(parsed.value("output"));
        plan.toStandardOutput = plan.output.text == "-";
        if (plan.output.text.empty())
            return "--output needs a path, or '-' for standard output.";
        if (plan.toStandardOutput && plan.texture.wanted)
            return "--texture writes a material beside the model; give --output a file.";
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
        request.text = helpText();
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
