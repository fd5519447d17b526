#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace testsupport {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exit_.ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : fds_) {
        close(fd);
    }
}

bool ChildProcess::spawn(const std::function<void()>& child, const std::string& log) {
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (log.empty()
            ? pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0
            : (out[1] = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) < 0 ||
                  (err[1] = dup(out[1])) < 0) {
        for (int fd : {out[0], out[1], err[0], err[1]}) {
            close(fd);
        }
        return false;
    }
    std::fflush(stdout); // or what is still buffered is written twice, once by each process
    std::fflush(stderr);
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        child();
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    fds_[0] = out[0];
    fds_[1] = err[0];
    exit_ = Exit{};
    return pid_ > 0;
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& log) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // The child calls only execvp: async-signal-safe between fork and exec.
    return spawn([&argv] { execvp(argv[0], argv.data()); }, log);
}

bool ChildProcess::pump(milliseconds timeout) {
    pollfd ready[2] = {{fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0}};
    if (fds_[0] < 0 && fds_[1] < 0) {
        return false;
    }
    if (poll(ready, 2, static_cast<int>(timeout.count())) > 0) {
        std::string* into[2] = {&out_, &err_};
        for (int i = 0; i < 2; ++i) {
            char buffer[65536];
            const ssize_t n = ready[i].revents ? read(fds_[i], buffer, sizeof buffer) : -2;
            if (n > 0) {
                into[i]->append(buffer, static_cast<size_t>(n));
            } else if (n != -2) { // end of file or error
                close(fds_[i]);
                fds_[i] = -1;
            }
        }
    }
    return fds_[0] >= 0 || fds_[1] >= 0;
}

bool ChildProcess::waitForOutput(milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (out_.empty() && Clock::now() < deadline &&
           pump(std::chrono::duration_cast<milliseconds>(deadline - Clock::now()))) {
    }
    return !out_.empty();
}

bool ChildProcess::signal(int number) {
    return running() && kill(pid_, number) == 0;
}

bool ChildProcess::running() {
    int waitStatus = 0;
    if (pid_ > 0 && !exit_.ended && waitpid(pid_, &waitStatus, WNOHANG) == pid_) {
        exit_.ended = true;
        exit_.exited = WIFEXITED(waitStatus);
        exit_.status = exit_.exited ? WEXITSTATUS(waitStatus) : WTERMSIG(waitStatus);
    }
    return pid_ > 0 && !exit_.ended;
}

ChildProcess::Exit ChildProcess::waitExit(milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (running() && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(20));
    }
    return exit_;
}

ChildProcess::Exit ChildProcess::stop() {
    if (running() && kill(pid_, SIGTERM) == 0 && !waitExit(std::chrono::seconds(2)).ended) {
        kill(pid_, SIGKILL);
        waitExit(std::chrono::seconds(5));
    }
    return exit_;
}

ChildProcess::Outcome ChildProcess::finish(milliseconds timeout) {
    Outcome outcome;
    if (pid_ <= 0) {
        return outcome;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    while (Clock::now() < deadline &&
           pump(std::chrono::duration_cast<milliseconds>(deadline - Clock::now()))) {
    }
    if (!waitExit(std::chrono::duration_cast<milliseconds>(deadline - Clock::now())).ended) {
        outcome.timedOut = true;
        kill(pid_, SIGKILL);
        waitExit(std::chrono::seconds(10));
    }
    outcome.exited = !outcome.timedOut && exit_.exited;
    outcome.status = exit_.exited ? exit_.status : -1;
    outcome.out = std::move(out_);
    outcome.err = std::move(err_);
    return outcome;
}

ChildProcess::Outcome ChildProcess::run(const std::string& program,
                                        const std::vector<std::string>& arguments,
                                        milliseconds timeout) {
    ChildProcess process;
    return process.start(program, arguments) ? process.finish(timeout) : Outcome{};
}

ChildProcess::Outcome ChildProcess::runFunction(const std::function<void()>& body,
                                                milliseconds timeout) {
    ChildProcess process;
    const auto child = [&body] {
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(0);
    };
    return process.spawn(child, "") ? process.finish(timeout) : Outcome{};
}

} // namespace testsupport
