// Writes the pictures the tests make into a folder, one file each, for the scripts that need
// them as files:
//   write_pictures samples FOLDER   a small valid picture of every kind Grondel reads
//                                   (scripts/windows-tests.sh converts them on both platforms)
//   write_pictures hostile FOLDER   every hostile picture (bench/hostile_pictures.sh times them)
//   write_pictures seeds FOLDER     the samples and the small hostile ones (the fuzzer's seeds)
#include "picture/hostile_pictures.h"
#include "picture/sample_pictures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

int main(int argc, char** argv) {
    const std::string_view kind = argc == 3 ? argv[1] : "";
    if (kind != "samples" && kind != "hostile" && kind != "seeds") {
        std::fprintf(stderr, "usage: write_pictures samples|hostile|seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    bool written = true;
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream out(folder / name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        written = written && static_cast<bool>(out);
    };
    if (kind != "hostile")
        for (const auto& sample : grondel::testing::samplePictures())
            write(sample.name, sample.bytes);
    for (const auto& hostile : grondel::testing::hostilePictures()) {
        if (kind == "hostile")
            write(hostile.name, hostile.bytes);
        else if (kind == "seeds" && hostile.bytes.size() <= 4096) // the fuzzer's inputs stay small
            write("hostile-" + hostile.name, hostile.bytes);
    }
    if (!written)
        std::fprintf(stderr, "write_pictures: cannot write into %s\n", folder.string().c_str());
    return written ? 0 : 1;
}
