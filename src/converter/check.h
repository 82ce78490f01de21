#pragma once

#include "converter/convert.h"
#include "model3do/model_check.h"

#include <QStringList>

class QTextStream;

namespace grondel::cli {

// Reads each model file the way the game's loader does and prints to report, per file, either
// "FILE: ok (...)" with its counts or one "FILE:LINE: problem" line per problem. A file that
// cannot be read is one line on errors. Returns kExitConverted when every file is ok.
int check(const QStringList& models, QTextStream& report, QTextStream& errors,
          CheckOptions options = {});

} // namespace grondel::cli
