#include "render/sgi/SgiFailure.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace sgi {
namespace {

std::atomic<FailureHandler> failureHandler{nullptr};

// Consumes args.
std::string formatted(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

} // namespace

void setFailureHandler(FailureHandler handler) {
    failureHandler.store(handler);
}

// _Exit rather than exit: the draw thread may fail while receiver threads run, and static
// destructors must not tear down what those threads still use. stderr is flushed by hand because
// _Exit skips the flushing that exit does.
void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const FailureHandler handler = failureHandler.load();
    if (handler == nullptr) {
        std::vfprintf(stderr, format, args);
        va_end(args);
    } else {
        const std::string message = formatted(format, args);
        va_end(args);
        handler(message.c_str());
        std::fputs(message.c_str(), stderr);
    }
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace sgi
