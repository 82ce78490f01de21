#pragma once

#include <string>
#include <string_view>

namespace grondel::files {

// Writes bytes to standard output exactly as they are, every one of them: binary on Windows too,
// where the C library would turn each LF of a model into CR LF and so write CR CR LF. Retries
// when interrupted. Returns an empty text, or the system's reason in one line: "No space left on
// device" (> /dev/full), "Broken pipe" (the reader left; SIGPIPE must be ignored to get this
// instead of the end of the process). Flush std::cout and stdout before calling, or their
// buffered text comes after these bytes.
std::string writeStandardOutput(std::string_view bytes);

} // namespace grondel::files
