// Decodes each picture file named on the command line with Grondel's decoders and prints one
// line for each: its size and layout, or why it was refused. For timing decodes from outside
// (bench/hostile_pictures.sh); exits 1 when any file was refused.
#include "picture/decode.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char* problemName(grondel::PictureProblem problem) {
    using enum grondel::PictureProblem;
    switch (problem) {
    case None:
        return "decoded";
    case Empty:
        return "empty";
    case NotAPicture:
        return "not a picture";
    case Unsupported:
        return "unsupported";
    case TooLarge:
        return "too large";
    case Damaged:
        return "damaged";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    int refused = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        grondel::PictureResult result;
        if (error) {
            std::printf("%s: cannot be read\n", argv[i]);
            ++refused;
            continue;
        }
        if (size > grondel::kMaxPictureFileBytes) { // as the file edge does: never read it
            std::printf("%s: too large: over the file limit\n", argv[i]);
            ++refused;
            continue;
        }
        std::ifstream file(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        result = grondel::decodePicture(bytes);
        if (result.ok())
            std::printf("%s: decoded %d x %d, %d channels of %d bits\n", argv[i],
                        result.picture.width(), result.picture.height(), result.picture.channels(),
                        result.picture.bitDepth());
        else
            std::printf("%s: %s: %s\n", argv[i], problemName(result.problem), result.error.c_str());
        refused += result.ok() ? 0 : 1;
    }
    return refused == 0 ? 0 : 1;
}
