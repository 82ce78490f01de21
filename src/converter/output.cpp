#include "converter/output.h"

#include "converter/command_line.h"
#include "files/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace grondel::cli {
namespace {

// Text is held back until there is this much of it.
constexpr std::size_t kHeldBytes = 64 * 1024;

} // namespace

Stream& Stream::operator<<(std::string_view text) {
    if (error_.empty()) {
        held_ += text;
        if (held_.size() >= kHeldBytes)
            writeOut();
    }
    return *this;
}

void Stream::writeOut() {
    if (held_.empty() || !error_.empty())
        return;
    if (kind_ == Kind::Output) {
        error_ = files::writeStandardOutput(held_);
    } else {
        errno = 0;
        if (std::fwrite(held_.data(), 1, held_.size(), stderr) != held_.size() ||
            std::fflush(stderr) != 0)
            error_ = std::strerror(errno != 0 ? errno : EIO);
    }
    held_.clear();
}

bool Stream::finish() {
    writeOut();
    return error_.empty();
}

bool Stream::readerGone() const {
    return error_ == std::strerror(EPIPE);
}

void complain(Stream& errors, std::string_view what) {
    errors << kProgram << ": " << what << "\n";
}

} // namespace grondel::cli
