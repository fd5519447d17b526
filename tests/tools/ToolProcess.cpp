#include "tests/tools/ToolProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Appends what one read gives; false at end of file or on error.
bool drain(int fd, std::string& into) {
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) {
        return false;
    }
    into.append(buffer, static_cast<size_t>(n));
    return true;
}

} // namespace

ToolProcess::~ToolProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    closePipes();
}

void ToolProcess::closePipes() {
    if (outFd_ >= 0) {
        close(outFd_);
        outFd_ = -1;
    }
    if (errFd_ >= 0) {
        close(errFd_);
        errFd_ = -1;
    }
}

bool ToolProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return false;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (failed != 0) {
        pid_ = -1;
        closePipes();
        return false;
    }
    return true;
}

bool ToolProcess::pump(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0) {
        return false;
    }
    if (poll(fds, 2, static_cast<int>(timeout.count())) <= 0) {
        return true;
    }
    if (fds[0].revents != 0 && !drain(outFd_, out_)) {
        close(outFd_);
        outFd_ = -1;
    }
    if (fds[1].revents != 0 && !drain(errFd_, err_)) {
        close(errFd_);
        errFd_ = -1;
    }
    return outFd_ >= 0 || errFd_ >= 0;
}

bool ToolProcess::waitForOutput(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (out_.empty() && Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!pump(left)) {
            break;
        }
    }
    return !out_.empty();
}

bool ToolProcess::signal(int number) {
    return pid_ > 0 && kill(pid_, number) == 0;
}

ToolProcess::Outcome ToolProcess::finish(std::chrono::milliseconds timeout) {
    Outcome outcome;
    if (pid_ <= 0) {
        return outcome;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    bool open = true;
    while (open && Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        open = pump(left);
    }
    if (open) {
        outcome.timedOut = true;
        kill(pid_, SIGKILL);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    closePipes();
    outcome.exited = !outcome.timedOut && WIFEXITED(status);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = std::move(out_);
    outcome.err = std::move(err_);
    return outcome;
}

ToolProcess::Outcome ToolProcess::run(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      std::chrono::milliseconds timeout) {
    ToolProcess process;
    if (!process.start(program, arguments)) {
        return {};
    }
    return process.finish(timeout);
}
