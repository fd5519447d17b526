#pragma once

#include <functional>
#include <string>

// Runs a piece of code in a forked child with its stderr captured, so a test can check the exact
// message and exit status of a path that ends the process. A body that returns ends the child with
// status 0. One thread; the caller owns nothing the child does.
class ChildProcess {
public:
    struct Outcome {
        bool exited = false; // ended by exit, not by a signal
        int status = -1;     // the exit status when exited
        std::string errors;  // everything written to stderr
    };

    static Outcome run(const std::function<void()>& body);
};
