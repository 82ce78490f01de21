#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace grondel::files {

// Shows a file name in one line of UTF-8 whatever bytes it holds: a newline as \n, a tab as \t,
// a backslash doubled, every other control character (C0, DEL, C1, line and paragraph
// separators) and every byte that is not part of valid UTF-8 as \xNN. Other text, non-ASCII
// letters included, is kept as it is. name is untrusted; any bytes are fine.
std::string escapedName(std::string_view name);

// escapedName of the path's own text: its bytes on POSIX, its UTF-16 turned into UTF-8 on
// Windows (an unpaired surrogate shown as \uXXXX). On Windows the separators show as given.
std::string showPath(const std::filesystem::path& path);

} // namespace grondel::files
