#pragma once

#include "converter/command_line.h"
#include "converter/output.h"

#include <vector>

namespace grondel::cli {

// Reads each model file the way the game's loader does, a piece at a time whatever its size, and
// prints to report, per file, either "FILE: ok (...)" with its counts or one "FILE:LINE: problem"
// line per problem, then one "FILE: note: ..." line per note. A file that cannot be read
// (missing, a folder, a pipe or device) is one line on errors, at once. options adds the rules
// of a terrain or a walked-on model. Returns kExitConverted when every file is ok, kExitFailed
// otherwise.
int check(const std::vector<FileArgument>& models, CheckOptions options, Stream& report,
          Stream& errors);

} // namespace grondel::cli
