// Writes the fuzzer's seeds for fuzz_picture: a small valid picture of every kind Grondel
// reads, and the small hostile ones, into the folder given.
#include "picture/hostile_pictures.h"
#include "picture/sample_pictures.h"

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
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    for (const auto& sample : grondel::testing::samplePictures())
        write(sample.name, sample.bytes);
    for (const auto& hostile : grondel::testing::hostilePictures())
        if (hostile.bytes.size() <= 4096) // the fuzzer's inputs stay small
            write("hostile-" + hostile.name, hostile.bytes);
    return 0;
}
