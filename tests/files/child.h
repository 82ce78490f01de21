#pragma once

// Runs a piece of a test in a forked child: to set a limit or drop privileges without touching
// the test process. POSIX only.

#include <csignal>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace grondel::testing {

inline const std::string kNotNobody = "<could not become nobody>";

// Runs job in a child and returns the text it returned; nothing when the child died or could
// not report. As root with asNobody, the child first becomes the user nobody (65534), so
// permissions apply to it; kNotNobody when that failed.
template <typename Job>
std::optional<std::string> inChild(Job job, bool asNobody = false) {
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string reply = "-";
        if (asNobody && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            reply = "!";
        else
            reply += job();
        ssize_t written = ::write(channel[1], reply.data(), reply.size());
        ::_exit(written == static_cast<ssize_t>(reply.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string reply;
    char buffer[512];
    for (ssize_t count; (count = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(count));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (reply == "!")
        return kNotNobody;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || reply.empty() || reply[0] != '-')
        return std::nullopt;
    return reply.substr(1);
}

} // namespace grondel::testing
