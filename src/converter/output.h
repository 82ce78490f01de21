#pragma once

#include <string>
#include <string_view>

namespace grondel::cli {

// Standard output or standard error, written with every failure seen: a full disk (> /dev/full),
// a file-size limit, or a reader that went away. Standard output takes bytes as they are (binary
// on Windows too, so a model's CR LF stays CR LF). Once a write fails, later ones are dropped.
class Stream {
public:
    enum class Kind { Output, Errors };
    explicit Stream(Kind kind)
        : kind_(kind) {}

    Stream& operator<<(std::string_view text);
    Stream& operator<<(char c) { return *this << std::string_view(&c, 1); }
    // Writes out what is held back and says whether every byte went out.
    bool finish();

    // The reader closed its end of a pipe: nothing to report, the output is just not read.
    bool readerGone() const;
    // The system's reason for the failure, one line.
    const std::string& reason() const { return error_; }

private:
    void writeOut();

    Kind kind_;
    std::string held_;
    std::string error_;
};

// "grondel-convert: what" as one line on errors.
void complain(Stream& errors, std::string_view what);

} // namespace grondel::cli
