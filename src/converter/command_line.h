#pragma once

#include "converter/convert.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace grondel::cli {

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
    QCommandLineOption terrain_;
    QCommandLineOption help_;
    QCommandLineOption version_;
};

} // namespace grondel::cli
