#include "support/process.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace grondel::testing {
namespace {

// Everything until the end of fd.
std::string drain(int fd) {
    std::string text;
    std::array<char, 65536> buffer;
    for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return text;
}

} // namespace

Ran runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const RunOptions& options) {
    int out[2], errors[2];
    if (pipe(out) != 0 || pipe(errors) != 0)
        return {};
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    environment.insert(environment.end(), options.environment.begin(), options.environment.end());

    const pid_t child = fork();
    if (child == 0) {
        if (!options.outputFile.empty()) {
            const int file = open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(file, STDOUT_FILENO);
        } else {
            dup2(out[1], STDOUT_FILENO);
        }
        dup2(errors[1], STDERR_FILENO);
        for (int fd : {out[0], out[1], errors[0], errors[1]})
            close(fd);
        if (options.fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                               static_cast<rlim_t>(options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.memoryLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(options.memoryLimit),
                               static_cast<rlim_t>(options.memoryLimit)};
            setrlimit(RLIMIT_AS, &limit);
        }
        if (!options.folder.empty() && chdir(options.folder.c_str()) != 0)
            _exit(126);
        // A test harness may ignore these; the program gets the defaults a shell gives it.
        std::signal(SIGPIPE, SIG_DFL);
        std::signal(SIGXFSZ, SIG_DFL);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& e : environment)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(errors[1]);
    if (options.outputClosed)
        close(out[0]);
    Ran ran;
    // Two pipes read one after the other: fine for the small outputs tests make, as long as a
    // large standard output is drained first.
    if (!options.outputClosed)
        ran.out = drain(out[0]);
    ran.errors = drain(errors[0]);
    if (!options.outputClosed)
        close(out[0]);
    close(errors[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        ran.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        ran.signal = WTERMSIG(status);
    return ran;
}

} // namespace grondel::testing
