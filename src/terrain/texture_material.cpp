// The texture as a material: its mip levels, the 565 texels and the palette quantiser.
#include "model3do/limits.h"
#include "terrain/texture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace grondel {
namespace {

// A mip level in RGB at full precision: three values of 0 to 255 a texel.
using Level = std::vector<float>;

std::vector<Level> mipChain(const TerrainTexture& texture, int levels) {
    std::vector<Level> chain(1);
    chain[0].reserve(texture.texels.size() * 3);
    for (const Rgb texel : texture.texels)
        chain[0].insert(chain[0].end(), {static_cast<float>(texel.r), static_cast<float>(texel.g),
                                         static_cast<float>(texel.b)});
    for (int k = 1; k < levels; ++k) {
        const Level& above = chain.back();
        const std::size_t wide = static_cast<std::size_t>(texture.size) >> (k - 1);
        const std::size_t side = wide / 2;
        Level level(side * side * 3);
        for (std::size_t y = 0; y < side; ++y)
            for (std::size_t x = 0; x < side; ++x)
                for (std::size_t c = 0; c < 3; ++c) {
                    const std::size_t at = (2 * y * wide + 2 * x) * 3 + c;
                    level[(y * side + x) * 3 + c] =
                        (above[at] + above[at + 3] + above[at + wide * 3] +
                         above[at + wide * 3 + 3]) /
                        4.0f;
                }
        chain.push_back(std::move(level));
    }
    return chain;
}

std::uint16_t to565(const float* rgb) {
    const auto bits = [](float value, int levels) {
        return static_cast<unsigned>(std::lround(static_cast<double>(value) * levels / 255.0));
    };
    return static_cast<std::uint16_t>(bits(rgb[0], 31) << 11 | bits(rgb[1], 63) << 5 |
                                      bits(rgb[2], 31));
}

// The roots below take the four basic operations and bit arithmetic only: their results are
// the same on every platform, where the C library's pow and cbrt may differ in the last bit
// and tip the quantiser's choice, and the error diffused after it.

// The fifth root of x >= 0 by Newton's steps from above, to the last bit.
double fifthRoot(double x) {
    if (x <= 0.0)
        return 0.0;
    double r = std::max(1.0, x); // at or above the root
    for (int step = 0; step < 200; ++step) {
        const double square = r * r;
        const double next = (4.0 * r + x / (square * square)) / 5.0;
        if (!(next < r))
            break;
        r = next;
    }
    return r;
}

// The cube root of x >= 0: a first guess from the bits (a third of the exponent: within 6%),
// then Newton's steps, each squaring the error: four reach the last bits.
double cubeRoot(double x) {
    if (x <= 0.0)
        return 0.0;
    constexpr std::uint64_t kBias = std::uint64_t{1023 - 341} << 52; // 1023 - 1023 / 3
    double r = std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) / 3 + kBias);
    for (int step = 0; step < 4; ++step)
        r = (2.0 * r + x / (r * r)) / 3.0;
    return r;
}

// Every mip level's values are averages of 4^k whole levels, k < kGameMaxMipLevels: multiples
// of this fraction of a level, each of which gets its linear light once.
constexpr int kLevelSteps = 1 << (2 * (kGameMaxMipLevels - 1));

// An sRGB level in linear light, for a value of 0 to 255 on a multiple of 1 / kLevelSteps
// (others are taken to the nearest).
double linearLight(float value) {
    static const std::vector<double> table = [] {
        std::vector<double> t(255 * kLevelSteps + 1);
        for (std::size_t k = 0; k < t.size(); ++k) {
            const double v = static_cast<double>(k) / (255.0 * kLevelSteps);
            const double w = (v + 0.055) / 1.055;
            const double fifth = fifthRoot(w);
            t[k] = v <= 0.04045 ? v / 12.92 : w * w * fifth * fifth; // w^2.4
        }
        return t;
    }();
    const double at = std::clamp(static_cast<double>(value), 0.0, 255.0) * kLevelSteps;
    return table[static_cast<std::size_t>(std::lround(at))];
}

struct Lab {
    double l = 0.0, a = 0.0, b = 0.0;
};

// An sRGB colour (0 to 255 a channel) in OKLab: in linear light, then through the cone
// responses and their cube roots.
Lab oklab(const float* rgb) {
    const double r = linearLight(rgb[0]), g = linearLight(rgb[1]), b = linearLight(rgb[2]);
    const double l = cubeRoot(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = cubeRoot(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = cubeRoot(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

// The usable entries sorted by lightness, for a nearest search that stops once lightness
// alone is farther than the best found.
class Palette {
public:
    Palette() = default; // no entries
    explicit Palette(const Colormap& colormap) {
        const std::bitset<kPaletteColours> usable = usableEntries(colormap);
        for (int i = 0; i < kPaletteColours; ++i) {
            if (!usable[static_cast<std::size_t>(i)])
                continue;
            const Rgb c = colormap.colours[static_cast<std::size_t>(i)];
            const float rgb[3] = {static_cast<float>(c.r), static_cast<float>(c.g),
                                  static_cast<float>(c.b)};
            entries_.push_back({oklab(rgb), i});
        }
        std::sort(entries_.begin(), entries_.end(), [](const Entry& x, const Entry& y) {
            return x.lab.l != y.lab.l ? x.lab.l < y.lab.l : x.index < y.index;
        });
    }
    bool empty() const { return entries_.empty(); }

    struct Entry {
        Lab lab;
        int index = 0;
    };
    // The nearest entry; of equally near ones the lowest index. hint, an entry likely near
    // (the texel before's), if any, is tried first to narrow the search.
    const Entry& nearest(const Lab& target, const Entry* hint = nullptr) const {
        const auto start = std::lower_bound(entries_.begin(), entries_.end(), target.l,
                                            [](const Entry& e, double l) { return e.lab.l < l; });
        const Entry* best = nullptr;
        double bestDistance = 0.0;
        const auto consider = [&](const Entry& e) {
            const double dl = e.lab.l - target.l, da = e.lab.a - target.a, db = e.lab.b - target.b;
            const double distance = dl * dl + da * da + db * db;
            if (best == nullptr || distance < bestDistance ||
                (distance == bestDistance && e.index < best->index)) {
                best = &e;
                bestDistance = distance;
            }
        };
        const auto farInLightness = [&](const Entry& e) {
            const double dl = e.lab.l - target.l;
            return best != nullptr && dl * dl > bestDistance;
        };
        if (hint != nullptr)
            consider(*hint);
        for (auto up = start; up != entries_.end() && !farInLightness(*up); ++up)
            consider(*up);
        for (auto down = start; down != entries_.begin() && !farInLightness(*(down - 1)); --down)
            consider(*(down - 1));
        return *best;
    }

private:
    std::vector<Entry> entries_;
};

// One level as palette indices, with Floyd-Steinberg error diffusion in OKLab, serpentine.
std::vector<std::uint16_t> quantise(const Level& level, std::size_t side, const Palette& palette) {
    std::vector<std::uint16_t> indices(side * side);
    // Errors owed to this row and the next, one texel of margin on each side.
    std::vector<Lab> here(side + 2), below(side + 2);
    const Palette::Entry* before = nullptr;
    for (std::size_t y = 0; y < side; ++y) {
        const bool east = y % 2 == 0;
        for (std::size_t step = 0; step < side; ++step) {
            const std::size_t x = east ? step : side - 1 - step;
            const std::size_t at = y * side + x;
            const Lab want = oklab(&level[at * 3]);
            const Lab& owed = here[x + 1];
            // Kept within the colours a texel can be, so error never runs away.
            const Lab target{std::clamp(want.l + owed.l, 0.0, 1.0),
                             std::clamp(want.a + owed.a, -0.5, 0.5),
                             std::clamp(want.b + owed.b, -0.5, 0.5)};
            const Palette::Entry& chosen = palette.nearest(target, before);
            before = &chosen;
            indices[at] = static_cast<std::uint16_t>(chosen.index);
            const Lab error{target.l - chosen.lab.l, target.a - chosen.lab.a,
                            target.b - chosen.lab.b};
            const auto give = [&error](Lab& to, double share) {
                to.l += error.l * share;
                to.a += error.a * share;
                to.b += error.b * share;
            };
            const std::size_t ahead = east ? x + 2 : x, behind = east ? x : x + 2;
            give(here[ahead], 7.0 / 16.0);
            give(below[behind], 3.0 / 16.0);
            give(below[x + 1], 5.0 / 16.0);
            give(below[ahead], 1.0 / 16.0);
        }
        std::swap(here, below);
        std::fill(below.begin(), below.end(), Lab{});
    }
    return indices;
}

} // namespace

Material textureMaterial(const TerrainTexture& texture, TexelFormat format,
                         const Colormap* colormap, std::string& error) {
    error = textureSideProblem(texture.size);
    if (error.empty() &&
        texture.texels.size() != static_cast<std::size_t>(texture.size) * texture.size)
        error = "the texture holds " + std::to_string(texture.texels.size()) + " texels, not " +
                std::to_string(texture.size) + " x " + std::to_string(texture.size);
    if (error.empty() && format == TexelFormat::Indexed8 && colormap == nullptr)
        error = "an 8-bit texture needs the level's colormap";
    if (!error.empty())
        return {};
    const Palette palette = colormap != nullptr ? Palette(*colormap) : Palette();
    if (colormap != nullptr && palette.empty()) {
        error = "the colormap has no entry a texture may use";
        return {};
    }
    Material material;
    material.format = format;
    material.size = texture.size;
    const std::vector<Level> chain = mipChain(texture, mipLevelsFor(texture.size));
    for (std::size_t k = 0; k < chain.size(); ++k) {
        const std::size_t side = static_cast<std::size_t>(texture.size) >> k;
        if (format == TexelFormat::Indexed8) {
            material.levels.push_back(quantise(chain[k], side, palette));
            continue;
        }
        std::vector<std::uint16_t>& texels = material.levels.emplace_back(side * side);
        for (std::size_t t = 0; t < texels.size(); ++t)
            texels[t] = to565(&chain[k][t * 3]);
    }
    if (!palette.empty()) {
        // The smallest level's mean is the whole texture's.
        const Level& last = chain.back();
        float mean[3] = {0.0f, 0.0f, 0.0f};
        for (std::size_t t = 0; t < last.size(); ++t)
            mean[t % 3] += last[t];
        for (float& c : mean)
            c /= static_cast<float>(last.size() / 3);
        material.solidColour = static_cast<std::uint8_t>(palette.nearest(oklab(mean)).index);
    }
    return material;
}

} // namespace grondel
