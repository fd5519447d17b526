#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs a program as a child process with its standard output and error
// captured. A child still running when the object goes is killed (by its
// process id) and reaped. One thread.
class ToolProcess {
public:
    struct Outcome {
        bool exited = false;   // ended by exit, not by a signal or the deadline
        int status = -1;       // exit status when exited
        bool timedOut = false; // killed at the deadline
        std::string out;
        std::string err;
    };

    ToolProcess() = default;
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool start(const std::string& program, const std::vector<std::string>& arguments);
    // Reads standard output until something arrives or the time is up.
    bool waitForOutput(std::chrono::milliseconds timeout);
    bool signal(int number);
    // Collects the output until the child ends; at the deadline it is killed.
    Outcome finish(std::chrono::milliseconds timeout);

    static Outcome run(const std::string& program, const std::vector<std::string>& arguments,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30));

private:
    // Reads what is there within `timeout`; false when both pipes are closed.
    bool pump(std::chrono::milliseconds timeout);
    void closePipes();

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};
