#include "tests/sgi/ChildProcess.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string readAll(int fd) {
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            return text;
        }
    }
}

[[noreturn]] void runChild(int errorPipe, const std::function<void()>& body) {
    dup2(errorPipe, STDERR_FILENO);
    close(errorPipe);
    body();
    std::fflush(stderr);
    std::_Exit(0);
}

} // namespace

ChildProcess::Outcome ChildProcess::run(const std::function<void()>& body) {
    Outcome outcome;
    int fds[2];
    if (pipe(fds) != 0) {
        return outcome;
    }
    // Anything still buffered would otherwise be written twice, once by each process.
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        runChild(fds[1], body);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return outcome;
    }
    outcome.errors = readAll(fds[0]);
    close(fds[0]);
    int status = 0;
    pid_t ended = -1;
    do {
        ended = waitpid(child, &status, 0);
    } while (ended < 0 && errno == EINTR);
    if (ended != child) {
        return outcome;
    }
    outcome.exited = WIFEXITED(status);
    outcome.status = outcome.exited ? WEXITSTATUS(status) : -1;
    return outcome;
}
