#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace testsupport {

// True in a build under AddressSanitizer or ThreadSanitizer: they reserve more address space than
// any cap leaves, so a test that caps it skips there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool sanitized = true;
#else
inline constexpr bool sanitized = false;
#endif
#else
inline constexpr bool sanitized = false;
#endif

// Caps the process's address space at what it uses now plus `extra` bytes, so that any larger
// allocation fails as it would on a machine without that memory. For a process of its own (a
// child or a test run alone): the cap cannot be lifted again. False when it could not be set.
inline bool capAddressSpace(std::size_t extra) {
    std::ifstream status("/proc/self/status");
    std::string line;
    rlim_t used = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) {
            used = std::stoull(line.substr(7)) * 1024;
        }
    }
    const rlimit limit{used + extra, used + extra};
    return used != 0 && setrlimit(RLIMIT_AS, &limit) == 0;
}

} // namespace testsupport
