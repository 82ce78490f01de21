#include "files/arguments.h"
#include "files/show_path.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using grondel::files::escapedName;

TEST(EscapedName, KeepsTextAndShowsEverythingElseInOneLine) {
    struct Case {
        std::string name;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain name.png", "plain name.png"},
        {"a\nb\tc", "a\\nb\\tc"},
        {"back\\slash", "back\\\\slash"},
        {std::string("nul\0cr\r", 7), "nul\\x00cr\\x0D"},
        {"esc\x1B[31mred\x7F", "esc\\x1B[31mred\\x7F"},
        // Letters of other scripts stay, in their UTF-8.
        {"\xC3\x96"
         "dland-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x8C\x8B.png",
         "\xC3\x96"
         "dland-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x8C\x8B.png"},
        // Not UTF-8: stray bytes, a cut sequence, an overlong slash, a surrogate, past U+10FFFF.
        {"\xFF\xFE.png", "\\xFF\\xFE.png"},
        {"cut\xE6\x97", "cut\\xE6\\x97"},
        {"\xC0\xAF", "\\xC0\\xAF"},
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        // Control characters beyond ASCII that break lines: NEL, LINE SEPARATOR.
        {"a\xC2\x85"
         "b\xE2\x80\xA8",
         "a\\xC2\\x85b\\xE2\\x80\\xA8"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(escapedName(c.name), c.shown) << c.shown;
}

TEST(ShowPath, ShowsANonAsciiNameAsItsUtf8OnEveryPlatform) {
    const std::string name = "\xC3\x96"
                             "dland \xE6\x97\xA5\xF0\x9F\x8C\x8B\n.png";
    const auto path = grondel::files::pathFromArgument(name);
    EXPECT_EQ(grondel::files::showPath(path), "\xC3\x96"
                                              "dland \xE6\x97\xA5\xF0\x9F\x8C\x8B\\n.png");
#ifdef _WIN32
    EXPECT_EQ(path.native().size(), 15u) << "UTF-16 units: one pair for the volcano";
    EXPECT_EQ(grondel::files::showPath(std::filesystem::path(std::wstring(L"a\xD800"
                                                                          L"b"))),
              "a\\uD800b");
#endif
}
