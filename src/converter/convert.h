#pragma once

#include "model3do/game_options.h"

#include <QString>
#include <QStringList>

class QIODevice;
class QTextStream;

namespace grondel::cli {

// The program's name, as it starts every line it writes to standard error.
inline const QString kProgram = QStringLiteral("grondel-convert");

// Exit statuses of grondel-convert.
inline constexpr int kExitConverted = 0; // every image converted
inline constexpr int kExitFailed = 1;    // at least one image failed; the others converted
inline constexpr int kExitUsage = 2;     // the command line itself is wrong; nothing was read

// What one run converts, and how.
struct ConvertPlan {
    int edge = 0;       // 16, 32 or 64; 0 takes each image's own edge (a square of one of those)
    QString output;     // empty: beside each image with the suffix ".3do"; "-": standard output
    QStringList images; // at least one; exactly one when output is given
    bool game = false;  // write the game model instead of the editor model
    GameModelOptions gameOptions;
    bool terrain = false; // for Check: also the terrain's rules (CheckOptions::terrain)
};

// Loads each image, samples its top-left edge x edge pixels exactly as the window's import does
// and writes the editor model exactly as the window's Save does (same bytes, same safe save), or
// the game model when plan.game is set. Images are converted side by side on a few threads.
// Every image that fails gives one line on errors naming the file and the reason; nothing is
// written for it and the other images are still converted. Returns kExitConverted or
// kExitFailed.
int convert(const ConvertPlan& plan, QIODevice& standardOutput, QTextStream& errors);

} // namespace grondel::cli
