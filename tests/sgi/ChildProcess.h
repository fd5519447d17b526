#pragma once

#include "tests/support/ChildProcess.h"

// The shape tests/render's texture tests still call; the runner is testsupport's.
struct ChildProcess {
    struct Outcome {
        bool exited = false;
        int status = -1;
        std::string errors;
    };
    static Outcome run(const std::function<void()>& body) {
        const auto outcome = testsupport::ChildProcess::runFunction(body);
        return {outcome.exited, outcome.status, outcome.err};
    }
};
