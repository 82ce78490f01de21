// Simplifies a 16-bit (or 8-bit) grey PNG the way a user's run would, as one process, for
// timing against other terrain meshers:
//
//   bench_simplify IN.png [--error E] [--faces F] [--stl OUT.stl] [--meshes]
//
// Heights are the grey level over its full scale (0..1) with one unit per pixel, the frame
// hmm uses with -z 1, so --error 0.002 here matches hmm's -e 0.002. --stl writes the result
// as binary STL, as hmm does; --meshes also cuts it into meshes the game takes. Prints one
// line of figures; timings in milliseconds.
#include "terrain/meshes.h"
#include "terrain/simplify.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <spng.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace grondel;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool readGrey(const char* path, int& width, int& height, std::vector<double>& heights) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file)
        return false;
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), &spng_ctx_free);
    spng_ihdr ihdr{};
    if (spng_set_png_file(ctx.get(), file.get()) || spng_get_ihdr(ctx.get(), &ihdr) ||
        ihdr.color_type != SPNG_COLOR_TYPE_GRAYSCALE ||
        (ihdr.bit_depth != 8 && ihdr.bit_depth != 16))
        return false;
    width = int(ihdr.width);
    height = int(ihdr.height);
    const std::size_t n = std::size_t(width) * std::size_t(height);
    heights.resize(n);
    if (ihdr.bit_depth == 16) {
        std::vector<std::uint16_t> levels(n);
        if (spng_decode_image(ctx.get(), levels.data(), n * 2, SPNG_FMT_PNG, 0))
            return false;
        for (std::size_t i = 0; i < n; ++i)
            heights[i] = levels[i] / 65535.0;
    } else {
        std::vector<std::uint8_t> levels(n);
        if (spng_decode_image(ctx.get(), levels.data(), n, SPNG_FMT_PNG, 0))
            return false;
        for (std::size_t i = 0; i < n; ++i)
            heights[i] = levels[i] / 255.0;
    }
    return true;
}

// Binary STL with x east, y north (row 0 at the top), z up, one unit per pixel.
bool writeStl(const char* path, const Triangulation& mesh, const std::vector<double>& heights,
              int columns) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file)
        return false;
    std::array<char, 80> header{};
    std::memcpy(header.data(), "grondel", 7);
    const auto count = std::uint32_t(mesh.triangles.size());
    std::fwrite(header.data(), 1, header.size(), file.get());
    std::fwrite(&count, 4, 1, file.get());
    std::vector<char> buffer(50 * std::size_t(count));
    char* out = buffer.data();
    for (const Triangle& t : mesh.triangles) {
        std::array<std::array<float, 3>, 3> v{};
        const std::uint32_t ids[3] = {t.a, t.b, t.c};
        for (int k = 0; k < 3; ++k) {
            const GridPoint p = mesh.points[ids[k]];
            v[k] = {float(p.column), float(-p.row),
                    float(heights[std::size_t(p.row) * columns + p.column])};
        }
        const float ux = v[1][0] - v[0][0], uy = v[1][1] - v[0][1], uz = v[1][2] - v[0][2];
        const float wx = v[2][0] - v[0][0], wy = v[2][1] - v[0][1], wz = v[2][2] - v[0][2];
        std::array<float, 3> n{uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (float& c : n)
            c /= length;
        std::memcpy(out, n.data(), 12);
        std::memcpy(out + 12, v.data(), 36);
        std::memset(out + 48, 0, 2);
        out += 50;
    }
    return std::fwrite(buffer.data(), 1, buffer.size(), file.get()) == buffer.size();
}

} // namespace

int main(int argc, char** argv) {
    const auto start = Clock::now();
    const char* input = nullptr;
    const char* stl = nullptr;
    bool meshes = false;
    SimplifyLimits limits;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--error" && i + 1 < argc)
            limits.maxError = std::strtod(argv[++i], nullptr);
        else if (arg == "--faces" && i + 1 < argc)
            limits.maxFaces = std::strtoll(argv[++i], nullptr, 10);
        else if (arg == "--stl" && i + 1 < argc)
            stl = argv[++i];
        else if (arg == "--meshes")
            meshes = true;
        else if (arg[0] != '-' && !input)
            input = argv[i];
        else {
            std::fprintf(stderr, "usage: %s IN.png [--error E] [--faces F] [--stl OUT]\n", argv[0]);
            return 2;
        }
    }
    int width = 0, height = 0;
    std::vector<double> heights;
    if (!input || !readGrey(input, width, height, heights)) {
        std::fprintf(stderr, "cannot read a grey PNG from %s\n", input ? input : "(none)");
        return 1;
    }
    const double decodeMs = msSince(start);

    const auto simplifyStart = Clock::now();
    const SimplifyResult result = simplify({width, height, 1.0, heights}, limits);
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return 1;
    }
    const double simplifyMs = msSince(simplifyStart);

    const auto partitionStart = Clock::now();
    std::size_t meshCount = 0;
    double meanRadius = 0, maxRadius = 0;
    if (meshes) {
        std::string error;
        const std::vector<MeshShape> pieces = cutTriangulation(result.mesh, 1.0, 1.0, error);
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        meshCount = pieces.size();
        // Each mesh's culling radius in pixels, from the centre of its bounding box.
        for (const MeshShape& piece : pieces) {
            int minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
            for (const GridPoint& p : piece.points) {
                minX = std::min(minX, p.column);
                maxX = std::max(maxX, p.column);
                minY = std::min(minY, p.row);
                maxY = std::max(maxY, p.row);
            }
            const double cx = (minX + maxX) / 2.0, cy = (minY + maxY) / 2.0;
            double radius = 0;
            for (const GridPoint& p : piece.points)
                radius = std::max(radius, std::hypot(p.column - cx, p.row - cy));
            meanRadius += radius / double(meshCount);
            maxRadius = std::max(maxRadius, radius);
        }
    }
    const double partitionMs = msSince(partitionStart);

    const auto writeStart = Clock::now();
    if (stl && !writeStl(stl, result.mesh, heights, width)) {
        std::fprintf(stderr, "cannot write %s\n", stl);
        return 1;
    }
    const double writeMs = msSince(writeStart);
    std::printf("%dx%d faces %zu points %zu error %.9g met %d meshes %zu radius_mean %.1f "
                "radius_max %.1f decode_ms %.1f simplify_ms %.1f partition_ms %.1f write_ms %.1f "
                "total_ms %.1f\n",
                width, height, result.mesh.triangles.size(), result.mesh.points.size(),
                result.mesh.error, int(result.mesh.errorMet), meshCount, meanRadius, maxRadius,
                decodeMs, simplifyMs, partitionMs, writeMs, msSince(start));
    return 0;
}
