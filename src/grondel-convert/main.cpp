// grondel-convert: heightmap pictures to models without a window.
#include "converter/check.h"
#include "converter/command_line.h"
#include "converter/convert.h"
#include "converter/output.h"
#include "files/arguments.h"

#include <csignal>
#include <cstdio>
#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

int run(int argc, char** argv, grondel::cli::Stream& out, grondel::cli::Stream& errors) {
    using namespace grondel::cli;
#ifndef _WIN32
    // A reader that goes away and a file-size limit become errors the converter reports, not
    // deaths by signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef __GLIBC__
    // Blocks of up to a MiB come from the heap and go back to it rather than to the system, so
    // each stage of a small picture's conversion reuses the pages the last one freed instead of
    // having fresh ones faulted in (a seventh of a 257 x 257 model's page faults). Larger blocks
    // still go back as soon as they are freed: keeping 4 MiB ones held 2.4 MB more at the peak
    // of a 1025 x 1025 model.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 2 << 20);
#endif
    const Request request = parseCommandLine(grondel::files::programArguments(argc, argv));
    int status = kExitConverted;
    switch (request.action) {
    case Request::Action::Help:
    case Request::Action::Version:
        out << request.text;
        break;
    case Request::Action::UsageError:
        complain(errors, request.text);
        errors << "Try 'grondel-convert --help' for more information.\n";
        status = kExitUsage;
        break;
    case Request::Action::Check:
    case Request::Action::Convert:
        try {
            status = request.action == Request::Action::Check
                         ? check(request.plan.images, request.check, out, errors)
                         : convert(request.plan, out, errors);
        } catch (const std::bad_alloc&) {
            complain(errors, request.action == Request::Action::Check
                                 ? "out of memory while checking the models"
                                 : "out of memory while converting the pictures");
            status = kExitFailed;
        }
        break;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    using namespace grondel::cli;
    Stream out(Stream::Kind::Output), errors(Stream::Kind::Errors);
    int status = kExitFailed;
    try {
        status = run(argc, argv, out, errors);
    } catch (const std::bad_alloc&) {
        complain(errors, "out of memory while reading the command line");
    }
    // The report, the help or a model on standard output that did not all get out.
    if (!out.finish()) {
        if (!out.readerGone())
            complain(errors, "cannot write to standard output: " + out.reason());
        status = status == kExitUsage ? status : kExitFailed;
    }
    errors.finish();
    return status;
}
