#pragma once

#include "converter/command_line.h"
#include "converter/output.h"

namespace grondel::cli {

// Reads each picture, samples its top-left edge x edge pixels exactly as the window's import
// does and writes the editor model exactly as the window's Save does (same bytes, same safe
// save), or the game model when plan.game is set.
//
// Before anything is written every model's target is checked against every picture of the run:
// a model never replaces a picture given in the same run, nor another picture's model. Each
// picture that fails gives one line on errors naming the file (shown escaped) and the reason;
// nothing is written for it and the others are still converted. Pictures are converted side by
// side on the machine's cores, but the files being read and the pictures decoded and not yet
// made into models never take more than 1 GiB together, each picture counted at the largest
// decoded size a picture may have; a single picture starts no thread.
// Returns kExitConverted or kExitFailed.
int convert(const ConvertPlan& plan, Stream& out, Stream& errors);

} // namespace grondel::cli
