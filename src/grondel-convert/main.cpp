// grondel-convert: heightmap images to editor models without a window.
#include "converter/check.h"
#include "converter/command_line.h"
#include "converter/convert.h"

#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

// Image decoders chatter on Qt's warning channel ("libpng error: ..."); the converter's own
// report is one line per failed image, so only serious messages get through.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietMessages);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("grondel-convert"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GRONDEL_VERSION));

    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    QTextStream errors(stderr);

    using Action = grondel::cli::CommandLineRequest::Action;
    grondel::cli::CommandLine commandLine;
    const auto request = commandLine.parse(QCoreApplication::arguments());
    switch (request.action) {
    case Action::Help:
    case Action::Version:
        QTextStream(stdout) << request.text << (request.text.endsWith('\n') ? "" : "\n");
        return grondel::cli::kExitConverted;
    case Action::UsageError:
        errors << "grondel-convert: " << request.text << "\n"
               << "Try 'grondel-convert --help' for more information." << Qt::endl;
        return grondel::cli::kExitUsage;
    case Action::Check: {
        QTextStream report(stdout);
        return grondel::cli::check(request.plan.images, report, errors, {request.plan.terrain});
    }
    case Action::Convert:
        break;
    }
    const int status = grondel::cli::convert(request.plan, standardOutput, errors);
    if (!standardOutput.flush() && status == grondel::cli::kExitConverted) {
        errors << "grondel-convert: cannot write to standard output" << Qt::endl;
        return grondel::cli::kExitFailed;
    }
    return status;
}
