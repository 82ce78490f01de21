// Writes the small picture of every kind Grondel reads into a folder, for the Windows check to
// convert on both platforms.
#include "picture/sample_pictures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_sample_pictures FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const grondel::testing::SamplePicture& sample : grondel::testing::samplePictures()) {
        std::ofstream out(folder / sample.name, std::ios::binary);
        out.write(sample.bytes.data(), static_cast<std::streamsize>(sample.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "write_sample_pictures: cannot write %s\n", sample.name.c_str());
            return 1;
        }
    }
    return 0;
}
