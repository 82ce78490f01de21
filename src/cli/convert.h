#pragma once

#include "export/game_model.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class QIODevice;
class QTextStream;

namespace grondel::cli {

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
};

// What the command line asks for.
struct CommandLineRequest {
    enum class Action { Convert, Check, Help, Version, UsageError };
    Action action = Action::UsageError;
    ConvertPlan plan; // for Convert; for Check, plan.images holds the models to check
    QString text;     // the help text, the version line or what is wrong with the arguments
};

// The converter's options. Each option is declared in the constructor and read into the plan in
// one place (planFrom), so a new option touches those two spots only.
class CommandLine {
public:
    CommandLine();

    // Reads the arguments; arguments[0] is the program itself.
    CommandLineRequest parse(const QStringList& arguments);

private:
    // Fills plan from the parsed options; returns what is wrong, or an empty text.
    QString planFrom(ConvertPlan& plan) const;

    QCommandLineParser parser_;
    QCommandLineOption size_;
    QCommandLineOption output_;
    QCommandLineOption game_;
    QCommandLineOption scale_;
    QCommandLineOption material_;
    QCommandLineOption texels_;
    QCommandLineOption check_;
    QCommandLineOption help_;
    QCommandLineOption version_;
};

// Loads each image, samples its top-left edge x edge pixels exactly as the window's import does
// and writes the editor model exactly as the window's Save does (same bytes, same safe save), or
// the game model when plan.game is set. Images are converted side by side on a few threads.
// Every image that fails gives one line on errors naming the file and the reason; nothing is
// written for it and the other images are still converted. Returns kExitConverted or
// kExitFailed.
int convert(const ConvertPlan& plan, QIODevice& standardOutput, QTextStream& errors);

// Reads each model file the way the game's loader does and prints to report, per file, either
// "FILE: ok (...)" with its counts or one "FILE:LINE: problem" line per problem. A file that
// cannot be read is one line on errors. Returns kExitConverted when every file is ok.
int check(const QStringList& models, QTextStream& report, QTextStream& errors);

// Where a model goes when no --output is given: the image's path with its suffix (from the last
// dot of the file name) replaced by ".3do", or ".3do" appended when it has none.
QString modelPathBeside(const QString& imagePath);

} // namespace grondel::cli
