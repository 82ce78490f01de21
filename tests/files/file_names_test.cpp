#include "files/arguments.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "files/show_path.h"
#include "scratch.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using grondel::files::pathFromArgument;

namespace {

// A name of about length bytes (UTF-8) made of nested folders of 200 bytes each, as no single
// folder entry may hold more than 255.
std::string nestedName(std::size_t length) {
    std::string name;
    for (int part = 0; name.size() + 200 < length; ++part)
        name += std::string(199, static_cast<char>('a' + part % 26)) + "/";
    return name + std::string(length - name.size() - 4, 'z') + ".3do";
}

} // namespace

// Every name a user may give reaches the file system as it is, through the save and the read
// alike: the name given here is UTF-8 (bytes on POSIX, UTF-16 once on Windows).
TEST(FileNames, SaveAndReadBackUnderAnyName) {
    grondel::testing::ScratchFolder dir;
    // Each name in a folder of its own, so that each listing holds that name alone.
    const std::string folder = dir.path().string() + "/n/";
    std::vector<std::string> names = {
        "with spaces  and  more.3do",
        "\xC3\x96"
        "dland-\xC3\xA9t\xC3\xA9-\xE5\xB1\xB1-\xF0\x9F\x8C\x8B.3do",
        "-leading-dash.3do",
        "--",
        "semi;colon,comma'quote&(brackets)[x]{y}.3do",
        "trailing.dots..3do",
        nestedName(4000 - folder.size()),
    };
#ifndef _WIN32
    names.push_back("\xFF\xFE not utf-8 \x80.3do");
    names.push_back("new\nline\tand tab.3do");
    names.push_back("back\\slash:colon?*.3do");
#endif
    for (const std::string& name : names) {
        const fs::path path = pathFromArgument(folder + name);
        fs::remove_all(dir / "n");
        SCOPED_TRACE(grondel::files::showPath(path));
        fs::create_directories(path.parent_path());
        const std::string bytes = "model of " + name + "\r\n";
        const auto saved = grondel::files::saveFileAtomically(path, bytes);
        ASSERT_TRUE(saved.ok()) << saved.error;
        const auto read = grondel::files::readFileBounded(path, 10'000);
        ASSERT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.bytes, bytes);
        // The folder lists exactly that name, and nothing left beside it.
        EXPECT_EQ(grondel::testing::entries(path.parent_path()),
                  (std::set<fs::path>{path.filename()}));
        EXPECT_EQ(grondel::testing::readBytes(path), bytes);
    }
    EXPECT_EQ((folder + names[6]).size(), 4000u);
}
