// Saves and reads back a file under each name given on the command line, and checks that the
// name arrived as the UTF-8 the test wrote (through the command line of the platform: wide on
// Windows). Exit status 0 when every name made the round trip.

#include "files/arguments.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "files/show_path.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const auto arguments = grondel::files::programArguments(argc, argv);
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: argument_probe FOLDER NAME...\n");
        return 2;
    }
    int failures = 0;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        const auto path = grondel::files::pathFromArgument(arguments[1] + "/" + arguments[i]);
        const std::string shown = grondel::files::showPath(path);
        const auto saved = grondel::files::saveFileAtomically(path, arguments[i]);
        const auto read = grondel::files::readFileBounded(path, 4096);
        if (!saved.ok() || !read.ok() || read.bytes != arguments[i] ||
            grondel::files::showPath(path.filename()) !=
                grondel::files::escapedName(arguments[i])) {
            std::fprintf(stderr, "%s: %s%s\n", shown.c_str(), saved.error.c_str(),
                         read.error.c_str());
            ++failures;
        } else {
            std::printf("%s\n", shown.c_str());
        }
    }
    return failures == 0 ? 0 : 1;
}
