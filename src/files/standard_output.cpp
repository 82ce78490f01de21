#include "files/standard_output.h"

#include "files/native_file.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace grondel::files {

std::string writeStandardOutput(std::string_view bytes) {
#ifdef _WIN32
    // The handle itself, below the C library's text mode.
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return native::errnoText(EBADF);
    return native::writeAll(reinterpret_cast<native::Handle>(output), bytes);
#else
    return native::writeAll(STDOUT_FILENO, bytes);
#endif
}

} // namespace grondel::files
