#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

// Asks `condition` every `every` until it holds or `limit` has passed; whether it held. For
// threads and other processes; a test that needs FLTK's events pumped meanwhile uses waitFor.
template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10),
               std::chrono::milliseconds every = std::chrono::milliseconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (; !condition(); std::this_thread::sleep_for(every)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

} // namespace testsupport
