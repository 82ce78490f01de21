// Decodes each picture file named on the command line with Grondel's decoders and prints one
// line for each: its size and layout, or why it was refused. For timing decodes from outside
// (bench/hostile_pictures.sh); exits 1 when any file was refused.
#include "picture/decode.h"

#include <cstdio>

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
    case Unreadable:
        return "unreadable";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    int refused = 0;
    for (int i = 1; i < argc; ++i) {
        const grondel::PictureResult result = grondel::loadPicture(argv[i]);
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
