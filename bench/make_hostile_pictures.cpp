// Writes every hostile picture of tests/picture/hostile_pictures.h into the folder given, one
// file each, for bench/hostile_pictures.sh (or any other program) to open.
#include "picture/hostile_pictures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const grondel::testing::HostilePicture& picture : grondel::testing::hostilePictures()) {
        std::ofstream out(folder / picture.name, std::ios::binary);
        out.write(picture.bytes.data(), static_cast<std::streamsize>(picture.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", picture.name.c_str());
            return 1;
        }
    }
    return 0;
}
