#include "terrain/texture.h"

#include "model3do/limits.h"
#include "model3do/vec3.h"
#include "terrain/tent.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>
#include <span>

namespace grondel {
namespace {

// The terrain view's light and ground shading (render/rasterizer.h and rasterizer.cpp): from
// the north-west, 45 degrees above the horizon; a share of ambient light and the rest by the
// cosine towards the light.
const Vec3 kTowardsLight = unit({-1.0, 1.0, 1.4142135623730951});
constexpr double kAmbient = 0.22;
constexpr double kDiffuse = 0.78;
constexpr double kDegrees = 57.29577951308232; // per radian

// Resamples width x height source samples of channels values each onto size x size, corner to
// corner by the tent: row(y, values) gives source row y (width x channels values), and
// emit(values) takes each texture row (size x channels values) in order from the north. Source rows
// are filtered across once each and kept only while a texture row still reads them.
template <typename Row, typename Emit>
void resample(int width, int height, int channels, int size, Row&& row, Emit&& emit) {
    const std::vector<Taps> across = tentTaps(width, size);
    const std::vector<Taps> down = tentTaps(height, size);
    const auto n = static_cast<std::size_t>(channels);
    std::vector<double> source(static_cast<std::size_t>(width) * n);
    std::deque<std::vector<double>> kept; // filtered rows from keptFirst on
    int keptFirst = 0;
    std::vector<double> out(static_cast<std::size_t>(size) * n);
    for (int j = 0; j < size; ++j) {
        const Taps& rows = down[static_cast<std::size_t>(j)];
        const int last = rows.first + static_cast<int>(rows.weights.size()) - 1;
        while (!kept.empty() && keptFirst < rows.first) {
            kept.pop_front();
            ++keptFirst;
        }
        if (kept.empty())
            keptFirst = rows.first;
        while (keptFirst + static_cast<int>(kept.size()) <= last) {
            row(keptFirst + static_cast<int>(kept.size()), std::span<double>(source));
            std::vector<double>& filtered = kept.emplace_back(static_cast<std::size_t>(size) * n);
            for (int i = 0; i < size; ++i) {
                const Taps& taps = across[static_cast<std::size_t>(i)];
                for (std::size_t c = 0; c < n; ++c) {
                    double sum = 0.0;
                    for (std::size_t k = 0; k < taps.weights.size(); ++k)
                        sum += taps.weights[k] * source[(taps.first + k) * n + c];
                    filtered[static_cast<std::size_t>(i) * n + c] = sum;
                }
            }
        }
        for (std::size_t v = 0; v < out.size(); ++v) {
            double sum = 0.0;
            for (std::size_t k = 0; k < rows.weights.size(); ++k)
                sum += rows.weights[k] * kept[rows.first - keptFirst + k][v];
            out[v] = sum;
        }
        emit(std::span<const double>(out));
    }
}

std::uint8_t channel(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

// The ramp's colour for a height share and a normal's upward part, before the light.
// steepFrom is the cosine of the steep line's first slope: below it the slope is worked out.
std::array<double, 3> rampColour(const Ramp& ramp, double share, double up, double steepFrom) {
    const auto& stops = ramp.stops;
    const auto above = std::find_if(stops.begin(), stops.end(),
                                    [share](const Ramp::Stop& s) { return s.height > share; });
    std::array<double, 3> colour;
    const auto set = [&colour](Rgb a, Rgb b, double t) {
        colour = {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
    };
    if (above == stops.begin())
        set(stops.front().colour, stops.front().colour, 0.0);
    else if (above == stops.end())
        set(stops.back().colour, stops.back().colour, 0.0);
    else {
        const Ramp::Stop& below = *(above - 1);
        set(below.colour, above->colour, (share - below.height) / (above->height - below.height));
    }
    if (ramp.steep && up < steepFrom) {
        const double slope = std::acos(std::clamp(up, -1.0, 1.0)) * kDegrees;
        const double t =
            std::clamp((slope - ramp.steep->from) / (ramp.steep->to - ramp.steep->from), 0.0, 1.0);
        const Rgb rock = ramp.steep->colour;
        colour = {colour[0] + (rock.r - colour[0]) * t, colour[1] + (rock.g - colour[1]) * t,
                  colour[2] + (rock.b - colour[2]) * t};
    }
    return colour;
}

// The words of one line of a ramp file, its comment cut off.
std::vector<std::string_view> wordsOf(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

bool number(std::string_view word, double low, double high, double& value) {
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size() && value >= low && value <= high;
}

bool colour(std::span<const std::string_view> words, Rgb& rgb) {
    double r = 0.0, g = 0.0, b = 0.0;
    const auto level = [](std::string_view word, double& v) {
        return number(word, 0.0, 255.0, v) && v == std::floor(v);
    };
    if (words.size() != 3 || !level(words[0], r) || !level(words[1], g) || !level(words[2], b))
        return false;
    rgb = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
           static_cast<std::uint8_t>(b)};
    return true;
}

std::string scaleProblem(const ShadeOptions& options) {
    for (const double scale : {options.scaleX, options.scaleY, options.scaleZ})
        if (!std::isfinite(scale) || scale <= 0.0)
            return "the texture's scales must be numbers above 0";
    return {};
}

} // namespace

Ramp defaultRamp() {
    return {{{0.0, {62, 94, 44}},
             {0.3, {92, 124, 58}},
             {0.6, {138, 126, 88}},
             {0.8, {128, 122, 116}},
             {0.9, {240, 240, 244}}},
            Ramp::Steep{30.0, 45.0, {118, 108, 98}}};
}

Ramp parseRamp(std::string_view text, std::string& error) {
    error.clear();
    if (text.size() > kMaxRampFileBytes) {
        error = "a ramp file holds at most " + std::to_string(kMaxRampFileBytes) + " bytes";
        return {};
    }
    Ramp ramp;
    long long lineNumber = 0;
    for (std::size_t at = 0; at <= text.size() && error.empty(); ++lineNumber) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::vector<std::string_view> words = wordsOf(text.substr(at, end - at));
        at = end + 1;
        const std::string line = "line " + std::to_string(lineNumber + 1) + ": ";
        if (words.empty())
            continue;
        const std::span<const std::string_view> rest(words.begin() + 1, words.end());
        if (words[0] == "height") {
            Ramp::Stop stop;
            if (rest.size() != 4 || !number(rest[0], 0.0, 1.0, stop.height) ||
                !colour(rest.subspan(1), stop.colour))
                error = line + "height takes a share of the height range from 0 to 1 and a "
                               "colour of three whole numbers from 0 to 255";
            else if (!ramp.stops.empty() && stop.height <= ramp.stops.back().height)
                error = line + "the heights must rise: " + std::string(rest[0]) +
                        " comes after a height at least as high";
            else if (ramp.stops.size() == kMaxRampStops)
                error = line + "a ramp holds at most " + std::to_string(kMaxRampStops) +
                        " height lines";
            else
                ramp.stops.push_back(stop);
        } else if (words[0] == "steep") {
            Ramp::Steep steep;
            if (rest.size() != 5 || !number(rest[0], 0.0, 90.0, steep.from) ||
                !number(rest[1], 0.0, 90.0, steep.to) || steep.from >= steep.to ||
                !colour(rest.subspan(2), steep.colour))
                error = line + "steep takes two slopes in degrees, the first below the second, "
                               "from 0 to 90, and a colour of three whole numbers from 0 to 255";
            else if (ramp.steep)
                error = line + "a ramp holds one steep line";
            else
                ramp.steep = steep;
        } else {
            error = line + "\"" + std::string(words[0].substr(0, 20)) +
                    "\" is neither height nor steep";
        }
    }
    if (error.empty() && ramp.stops.empty())
        error = "the ramp has no height line";
    return error.empty() ? ramp : Ramp{};
}

TerrainTexture shadedTexture(const TerrainGrid& grid, const ShadeOptions& options,
                             std::string& error) {
    error = terrainGridProblem(grid);
    if (error.empty())
        error = textureSideProblem(options.size);
    if (error.empty())
        error = scaleProblem(options);
    if (error.empty() && options.ramp.stops.empty())
        error = "the texture's ramp has no height";
    if (!error.empty())
        return {};
    const auto [low, high] = heightRange(grid);
    const double lowest = low * options.scaleZ;
    const double range = (high - low) * options.scaleZ;
    const double stepX = grid.spacing * options.scaleX;
    const double stepY = grid.spacing * options.scaleY;
    // Per grid point: its height in world units and its normal from its neighbours (one side
    // at the edges). x runs east with the columns, y north against the rows.
    const auto world = [&](int c, int r) { return grid.at({c, r}) * options.scaleZ; };
    const auto row = [&](int r, std::span<double> values) {
        const int up = std::max(r - 1, 0), down = std::min(r + 1, grid.rows - 1);
        for (int c = 0; c < grid.columns; ++c) {
            const int west = std::max(c - 1, 0), east = std::min(c + 1, grid.columns - 1);
            const double dx = (world(east, r) - world(west, r)) / ((east - west) * stepX);
            const double dy = (world(c, up) - world(c, down)) / ((down - up) * stepY);
            const Vec3 n = unit({-dx, -dy, 1.0});
            double* out = values.data() + 4 * static_cast<std::size_t>(c);
            out[0] = world(c, r);
            out[1] = n.x;
            out[2] = n.y;
            out[3] = n.z;
        }
    };
    const double steepFrom =
        options.ramp.steep ? std::cos(options.ramp.steep->from / kDegrees) : -1.0;
    TerrainTexture texture{options.size, {}};
    texture.texels.reserve(static_cast<std::size_t>(options.size) * options.size);
    const auto emit = [&](std::span<const double> values) {
        for (std::size_t at = 0; at < values.size(); at += 4) {
            const Vec3 n = unit({values[at + 1], values[at + 2], values[at + 3]});
            const double share = range > 0.0 ? (values[at] - lowest) / range : 0.0;
            const std::array<double, 3> base = rampColour(options.ramp, share, n.z, steepFrom);
            const double light = kAmbient + kDiffuse * std::max(0.0, dot(n, kTowardsLight));
            texture.texels.push_back(
                {channel(base[0] * light), channel(base[1] * light), channel(base[2] * light)});
        }
    };
    resample(grid.columns, grid.rows, 4, options.size, row, emit);
    return texture;
}

TerrainTexture pictureTexture(const Picture& picture, int size, std::string& error) {
    error = picture.empty() ? "the texture's picture is empty" : textureSideProblem(size);
    if (!error.empty())
        return {};
    const double max = picture.maxLevel();
    const int colours = picture.isGrey() ? 1 : 3;
    const auto row = [&](int y, std::span<double> values) {
        for (int x = 0; x < picture.width(); ++x) {
            const double alpha =
                picture.hasAlpha() ? picture.sample(x, y, picture.channels() - 1) / max : 1.0;
            for (int c = 0; c < 3; ++c)
                values[3 * static_cast<std::size_t>(x) + c] =
                    picture.sample(x, y, colours == 1 ? 0 : c) / max * alpha * 255.0;
        }
    };
    TerrainTexture texture{size, {}};
    texture.texels.reserve(static_cast<std::size_t>(size) * size);
    const auto emit = [&](std::span<const double> values) {
        for (std::size_t at = 0; at < values.size(); at += 3)
            texture.texels.push_back(
                {channel(values[at]), channel(values[at + 1]), channel(values[at + 2])});
    };
    resample(picture.width(), picture.height(), 3, size, row, emit);
    return texture;
}

} // namespace grondel
