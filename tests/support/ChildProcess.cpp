#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace testsupport {
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

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(char* const* argv, int outFd, int errFd) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    execvp(argv[0], argv);
    _exit(127);
}

} // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exit_.ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    closePipes();
}

void ChildProcess::closePipes() {
    for (int* fd : {&outFd_, &errFd_}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& log) {
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (log.empty()) {
        if (pipe2(outPipe, O_CLOEXEC) != 0) {
            return false;
        }
        if (pipe2(errPipe, O_CLOEXEC) != 0) {
            close(outPipe[0]);
            close(outPipe[1]);
            return false;
        }
    } else {
        outPipe[1] = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        errPipe[1] = outPipe[1] >= 0 ? dup(outPipe[1]) : -1;
        if (errPipe[1] < 0) {
            if (outPipe[1] >= 0) {
                close(outPipe[1]);
            }
            return false;
        }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        execChild(argv.data(), outPipe[1], errPipe[1]);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    exit_ = Exit{};
    if (pid_ < 0) {
        closePipes();
        return false;
    }
    return true;
}

bool ChildProcess::pump(std::chrono::milliseconds timeout) {
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

bool ChildProcess::waitForOutput(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (out_.empty() && Clock::now() < deadline) {
        if (!pump(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()))) {
            break;
        }
    }
    return !out_.empty();
}

bool ChildProcess::signal(int number) {
    return running() && kill(pid_, number) == 0;
}

void ChildProcess::collect(int waitStatus) {
    exit_.ended = true;
    exit_.exited = WIFEXITED(waitStatus);
    exit_.status = exit_.exited ? WEXITSTATUS(waitStatus) : WTERMSIG(waitStatus);
}

bool ChildProcess::running() {
    if (pid_ <= 0 || exit_.ended) {
        return false;
    }
    int waitStatus = 0;
    if (waitpid(pid_, &waitStatus, WNOHANG) == pid_) {
        collect(waitStatus);
        return false;
    }
    return true;
}

ChildProcess::Exit ChildProcess::waitExit(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (running() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exit_;
}

ChildProcess::Exit ChildProcess::stop() {
    if (!running()) {
        return exit_;
    }
    kill(pid_, SIGTERM);
    if (waitExit(std::chrono::seconds(2)).ended) {
        return exit_;
    }
    kill(pid_, SIGKILL);
    return waitExit(std::chrono::seconds(5));
}

ChildProcess::Outcome ChildProcess::finish(std::chrono::milliseconds timeout) {
    Outcome outcome;
    if (pid_ <= 0) {
        return outcome;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    bool open = true;
    while (open && Clock::now() < deadline) {
        open = pump(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    }
    if (!open) {
        waitExit(std::chrono::duration_cast<std::chrono::milliseconds>(
            std::max(deadline - Clock::now(), Clock::duration(0))));
    }
    if (!exit_.ended) {
        outcome.timedOut = true;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        collect(status);
    }
    closePipes();
    outcome.exited = !outcome.timedOut && exit_.exited;
    outcome.status = exit_.exited ? exit_.status : -1;
    outcome.out = std::move(out_);
    outcome.err = std::move(err_);
    return outcome;
}

ChildProcess::Outcome ChildProcess::run(const std::string& program,
                                        const std::vector<std::string>& arguments,
                                        std::chrono::milliseconds timeout) {
    ChildProcess process;
    if (!process.start(program, arguments)) {
        return {};
    }
    return process.finish(timeout);
}

ChildProcess::Outcome ChildProcess::runFunction(const std::function<void()>& body,
                                                std::chrono::milliseconds timeout) {
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return {};
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return {};
    }
    // Anything still buffered would otherwise be written twice, once by each process.
    std::fflush(stdout);
    std::fflush(stderr);
    ChildProcess process;
    process.pid_ = fork();
    if (process.pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(0);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    process.outFd_ = outPipe[0];
    process.errFd_ = errPipe[0];
    if (process.pid_ < 0) {
        process.closePipes();
        return {};
    }
    return process.finish(timeout);
}

} // namespace testsupport
