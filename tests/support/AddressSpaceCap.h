#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace testsupport {

// True under AddressSanitizer or ThreadSanitizer: they reserve more address space than any cap
// leaves, so a test that caps it skips there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool sanitized = true;
#elif defined(__has_feature)
inline constexpr bool sanitized =
    __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
inline constexpr bool sanitized = false;
#endif

// Caps the address space at what the process uses now plus `extra` bytes, so a larger
// allocation fails as on a machine without that memory. For a process of its own: the cap
// cannot be lifted again. False when it could not be set.
inline bool capAddressSpace(std::size_t extra) {
    std::ifstream status("/proc/self/status");
    rlim_t used = 0;
    for (std::string line; std::getline(status, line);) {
        used = line.rfind("VmSize:", 0) == 0 ? std::stoull(line.substr(7)) * 1024 : used;
    }
    const rlimit limit{used + extra, used + extra};
    return used != 0 && setrlimit(RLIMIT_AS, &limit) == 0;
}

} // namespace testsupport
